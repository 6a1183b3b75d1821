// The column pages of every kind: the entries a column offers, the page each one shows, the
// settings that a saved file brings back into a new window, and links to another table's column.
#include "WindowFixture.h"

#include "UTFillObject/TBlobFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "kvl3_lib/UImageList.h"
#include "kvl3_lib/UScreenCursor.h"

namespace {

struct TChoice {
    const char* entry;
    int fillType;
    const char* page;
};

struct TSetting {
    const char* control;
    QVariant value;
};

struct TKindCase {
    const char* column;
    QStringList entries;
    std::vector<TChoice> choices;   // in turn; the last one is saved
    std::vector<TSetting> settings; // made by the user, saved and shown again
    std::vector<TSetting> shared;   // other controls that show one of the settings
};

class KindPages : public ColumnPages, public ::testing::WithParamInterface<TKindCase> {
protected:
    // The user ticks a box or types a value, a date or a time.
    void set(const TSetting& s) {
        auto* widget = control<QWidget>(s.control);
        if (auto* box = qobject_cast<QAbstractButton*>(widget)) {
            if (box->isChecked() != s.value.toBool()) box->click();
            return;
        }
        widget->metaObject()->userProperty().write(widget, s.value);
    }

    // The page of the chosen entry, in the page of the column's kind.
    QString entryPage() const {
        auto* kind = control<QStackedWidget>("pcField")->currentWidget()->findChild<QStackedWidget*>();
        return kind->currentWidget()->objectName();
    }

    QVariant shown(const char* name) const {
        auto* widget = control<QWidget>(name);
        return widget->metaObject()->userProperty().read(widget);
    }
};

TEST_P(KindPages, EntriesShowTheirPagesAndTheSettingsComeBackFromTheSavedFile) {
    const TKindCase& c = GetParam();
    open();
    auto* field = select("kinds", c.column);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(entries("cbFillWith"), c.entries);
    for (const TChoice& choice : c.choices) {
        choose("cbFillWith", choice.entry);
        EXPECT_EQ(field->FillType, choice.fillType) << choice.entry;
        EXPECT_EQ(entryPage(), choice.page) << choice.entry;
    }
    for (const TSetting& s : c.settings)
        set(s);
    auto file = path.string() + ".tdg";
    window->SaveSettingsFile(file);

    open();
    window->LoadSettingsFile(file);
    std::filesystem::remove(file);
    select("kinds", c.column);
    EXPECT_EQ(control<QComboBox>("cbFillWith")->currentText(), c.choices.back().entry);
    EXPECT_EQ(entryPage(), c.choices.back().page);
    EXPECT_EQ(window->CurrentFillField()->FillType, c.choices.back().fillType) << "showing is no edit";
    for (const auto& list : {c.settings, c.shared})
        for (const TSetting& s : list)
            EXPECT_EQ(shown(s.control), s.value) << s.control;
}

const TKindCase kKinds[] = {
    {"qty",
     {"[nothing]", "Fixed Value", "Random Values", "Link to Sequence", "Increasing Values",
      "Referential Link", "Values From List"},
     {{"Fixed Value", fillFixed, "tsIntegerFixed"},
      {"Link to Sequence", fillGenerator, "tsIntegerGenerator"},
      {"Values From List", fillList, "tsIntegerList"},
      {"[nothing]", fillNothing, "tsIntegerNothing"},
      {"Random Values", fillRandom, "tsIntegerRandom"},
      {"Increasing Values", fillIncreasing, "tsIntegerIncreasing"}},
     {{"edIntegerRandomFrom", -5},
      {"edIntegerRandomTo", 70},
      {"edIntegerFixed", 42},
      {"cbIntegerIncludeNULLs", true},
      {"edIntegerIncludeNULLsPercentage", 25}},
     {{"edIntegerIncStep", 42}, {"edIntegerIncStartAt", -5}}},
    {"price",
     {"[nothing]", "Fixed Value", "Random Values", "Link to Sequence", "Increasing Values",
      "Referential Link"},
     {{"Referential Link", fillReferential, "tsFloatReferential"},
      {"Fixed Value", fillFixed, "tsFloatFixed"}},
     {{"edFloatFixed", 1234.5}, {"edFloatRandomFrom", -0.25}, {"edFloatRandomTo", 2.5}},
     {{"edFloatIncStep", 1234.5}}},
    {"title",
     {"[nothing]", "Fixed Value", "Random Values", "Custom Values", "Referential Link", "Values From List",
      "Increasing Values"},
     {{"Fixed Value", fillFixed, "tsTextFixed"},
      {"Random Values", fillNothing, "tsTextRandom"}, // until an option is chosen
      {"Custom Values", fillRandom, "tsTextFromFile"},
      {"Referential Link", fillReferential, "tsTextReferential"},
      {"Values From List", fillList, "tsTextList"},
      {"Increasing Values", fillIncreasing, "tsTextIncreasing"}},
     {{"edTextFixed", QString("hello")},
      {"edTextIncStartAt", 5},
      {"edTextIncStep", 2},
      {"cbTextIncIncludeLeadingZeroes", true},
      {"edTextIncDigits", 4}},
     {}},
    {"stamp",
     {"[nothing]", "Fixed Value", "Random Values", "Increasing Values"},
     {{"Random Values", fillRandom, "tsTimestampRandom"},
      {"Fixed Value", fillFixed, "tsTimestampFixed"},
      {"Increasing Values", fillIncreasing, "tsTimestampIncValues"}},
     {{"edTimestampRandomTo", QDate(2024, 3, 31)},
      {"edTimestampRandomToTime", QTime(17, 30, 15)},
      {"edTimestampStartAtDate", QDate(2020, 1, 2)},
      {"edTimestampStartAtTime", QTime(6, 15)},
      {"edTimestampFixed", QDate(1999, 12, 31)},
      {"edTimestampFixedTime", QTime(12, 0)},
      {"edTimestampIncHours", 1},
      {"edTimestampIncMinutes", 30},
      {"edTimestampIncSeconds", 5},
      {"edTimestampIncDays", 2147483647}},
     {{"edTimestampRandomFrom", QDate(2020, 1, 2)}, {"edTimestampRandomFromTime", QTime(6, 15)}}},
    {"photo",
     {"[nothing]", "Single File", "Files from Directory", "Files from List"},
     {{"Single File", fillFixed, "tsBLOBFile"},
      {"Files from List", fillList, "tsBLOBFileFromList"},
      {"Files from Directory", fillRandom, "tsBLOBDirectory"}},
     {{"edBLOBDirectory", QString("/other/")}, {"edBLOBFilter", QString("*.png")}, {"edBLOBMaxFiles", 3}},
     {}},
    {"token",
     {"[nothing]", "Random GUID", "Referential Link"},
     {{"Random GUID", fillGUID, "tsGUIDRandom"}},
     {},
     {}},
    {"active",
     {"[nothing]", "Fixed Value", "Random Values"},
     {{"Random Values", fillRandom, "tsBooleanRandom"}, {"Fixed Value", fillFixed, "tsBooleanFixed"}},
     {{"cbBooleanFixed", true}, {"cbBooleanIncludeNulls", true}},
     {}}};

INSTANTIATE_TEST_SUITE_P(Kinds, KindPages, ::testing::ValuesIn(kKinds),
                         [](const auto& kind) { return std::string(kind.param.column); });

// A link follows the foreign key at the column's position; any column can be linked by hand
// through the source and field lists of its kind.
struct TKeyLink {
    const char* table;
    const char* column;
    const char* keyTable; // empty for a column outside any foreign key
    const char* keyColumn;
    const char* source;
    const char* field;
};

class KeyLinks : public ColumnPages, public ::testing::WithParamInterface<TKeyLink> {};

TEST_P(KeyLinks, FollowTheForeignKeyOrAreChosenByHand) {
    const TKeyLink& c = GetParam();
    open();
    auto* field = select(c.table, c.column);
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(field->RefTable, c.keyTable);
    EXPECT_EQ(field->RefTableOwner, "") << "SQLite does not qualify names with owners";
    EXPECT_EQ(field->RefColumn, c.keyColumn);
    EXPECT_EQ(field->GetReadyForFilling(), *c.keyTable != 0);
    EXPECT_FALSE(kvl::ScreenCursorIsWait());

    choose(c.source, "parts");
    EXPECT_EQ(field->RefTable, "parts");
    EXPECT_EQ(entries(c.field), (QStringList{"a", "b"}));
    choose(c.field, "b");
    EXPECT_EQ(field->RefColumn, "b");
    EXPECT_TRUE(field->GetReadyForFilling());
    for (const char* other : {"cbFloatRefField", "cbIntegerRefField", "cbTextRefField", "cbGUIDRefField"})
        if (std::string(other) != c.field) {
            EXPECT_EQ(control<QComboBox>(other)->count(), 0) << other;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyLinks,
    ::testing::Values(TKeyLink{"orders", "customer_id", "customers", "id", "cbIntegerRefTable",
                               "cbIntegerRefField"},
                      TKeyLink{"part_uses", "pb", "parts", "b", "cbIntegerRefTable", "cbIntegerRefField"},
                      TKeyLink{"part_uses", "pa", "parts", "a", "cbIntegerRefTable", "cbIntegerRefField"},
                      TKeyLink{"kinds", "title", "", "", "cbTextRefTable", "cbTextRefField"},
                      TKeyLink{"kinds", "price", "", "", "cbFloatRefTable", "cbFloatRefField"},
                      TKeyLink{"kinds", "token", "", "", "cbGUIDRefTable", "cbGUIDRefField"}));

// Whether anything but white is drawn within the columns [left, right) of a list entry.
bool inked(QComboBox* box, int row, int left, int right) {
    QImage image(200, 18, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 200, 18);
    option.palette.setColor(QPalette::Text, Qt::black);
    option.state = QStyle::State_Enabled;
    box->itemDelegate()->paint(&painter, option, box->model()->index(row, 0));
    for (int x = left; x < right; ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) return true;
    return false;
}

// The integer and the string list: typed values are kept sorted, and deleting asks first.
TEST_F(ColumnPages, ListsFilesAndLinksComeFromTheUsersChoicesAndAreShownAgain) {
    open();
    auto fill = [this](const char* column, const char* add, const QList<std::optional<QString>>& typed) {
        auto* field = select("kinds", column);
        choose("cbFillWith", "Values From List");
        answers = typed;
        for (int i = 0; i < typed.size(); ++i)
            control<QToolButton>(add)->click();
        return field;
    };
    auto removeFirst = [this](const char* list, const char* remove) {
        control<QListWidget>(list)->item(0)->setSelected(true);
        control<QToolButton>(remove)->click();
    };
    auto* qty = fill("qty", "SpeedButton5", {"12", "-3", "12a", std::nullopt});
    EXPECT_EQ(asked.first(), "Add Value|Enter Integer value: ");
    EXPECT_EQ(qty->ListValues.Text(), "-3\r\n12");
    EXPECT_TRUE(errors.isEmpty()) << "a wrong entry is dropped silently";
    confirm = false;
    removeFirst("lbIntegerList", "SpeedButton6");
    EXPECT_EQ(asked.last(), "Delete selected integers?");
    EXPECT_EQ(qty->ListValues.Text(), "-3\r\n12");
    confirm = true;
    removeFirst("lbIntegerList", "SpeedButton6");
    EXPECT_EQ(qty->ListValues.Text(), "12");

    auto* title = fill("title", "SpeedButton3", {"pear", "apple", ""});
    EXPECT_EQ(asked.last(), "Add String|Enter text: ");
    EXPECT_EQ(title->ListValues.Text(), "apple\r\npear");
    removeFirst("lbStringList", "SpeedButton4");
    EXPECT_EQ(asked.last(), "Delete selected strings?");
    EXPECT_EQ(title->ListValues.Text(), "pear");

    // files and folders come from the choosers, and a cancel keeps the choice
    auto* photo = select<TBlobFillField>("kinds", "photo");
    files = QStringList{"/pics/one.png"};
    control<QToolButton>("btnBLOBFixed")->click();
    EXPECT_EQ(photo->FileName, "/pics/one.png");
    files = QStringList{"/pics"};
    control<QToolButton>("btnBLOBDirectory")->click();
    EXPECT_EQ(photo->Directory, "/pics/") << "stored ready to have names appended";
    control<QLineEdit>("edBLOBDirectory")->setText("  /other/  ");
    EXPECT_EQ(photo->Directory, "/other/");
    control<QLineEdit>("edBLOBDirectory")->setText("   ");
    EXPECT_EQ(photo->Directory, "");
    files = QStringList{"/pics/b.png", "/pics/a.png"};
    control<QToolButton>("SpeedButton2")->click();
    EXPECT_EQ(asked.last(), "All Files (*.*)");
    EXPECT_EQ(photo->ListValues.Text(), "/pics/a.png\r\n/pics/b.png");
    control<QListWidget>("lbBLOBList")->item(1)->setSelected(true);
    control<QToolButton>("SpeedButton1")->click();
    EXPECT_EQ(asked.last(), "Delete selected files?");
    EXPECT_EQ(photo->ListValues.Text(), "/pics/a.png");

    auto* text = select<TTextFillField>("kinds", "title");
    files = QStringList{"/data/words.txt"};
    control<QToolButton>("btnTextFromFile")->click();
    EXPECT_EQ(asked.last(), "Text Files (*.txt);;All Files (*.*)");
    EXPECT_EQ(text->FileName, "/data/words.txt");
    files.clear();
    control<QToolButton>("btnTextFromFile")->click();
    EXPECT_EQ(text->FileName, "/data/words.txt") << "a cancelled choice keeps the file";
    select("kinds", "code");
    select("kinds", "title");
    EXPECT_EQ(control<QLineEdit>("edTextFromFile")->text(), "/data/words.txt");

    // a link chosen by hand is shown again, with the images of its entries, and not looked up anew
    auto* customer = select("orders", "customer_id");
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(control<QComboBox>("cbIntegerRefTable")->currentText(), "customers");
    EXPECT_EQ(entries("cbIntegerRefField"), (QStringList{"id", "name", "note"}));
    choose("cbIntegerRefField", "name");
    choose("cbFillWith", "Fixed Value");
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(customer->RefColumn, "name") << "an existing link is not looked up again";

    select("kinds", "title");
    choose("cbFillWith", "Referential Link");
    EXPECT_TRUE(control<QComboBox>("cbTextRefTable")->findText("part_uses") >= 0);
    choose("cbTextRefTable", "customers");
    EXPECT_EQ(control<QComboBox>("cbTextRefField")->currentIndex(), -1);
    choose("cbTextRefField", "name");
    select("kinds", "code");
    select("kinds", "title");
    auto* source = control<QComboBox>("cbTextRefTable");
    EXPECT_EQ(source->currentText(), "customers");
    EXPECT_EQ(control<QComboBox>("cbTextRefField")->currentText(), "name");
    int customers = source->findText("customers");
    EXPECT_TRUE(inked(source, customers, 0, 16)) << "the table image";
    EXPECT_FALSE(inked(source, customers, 16, 18)) << "the text starts 18 pixels in";
    EXPECT_TRUE(inked(source, customers, 18, 200));
    EXPECT_TRUE(inked(control<QComboBox>("cbTextRefField"), 0, 0, 16)) << "the column image";
    EXPECT_TRUE(inked(control<QComboBox>("cbTextRefField"), 0, 18, 200));
}

TEST_F(ColumnPages, ColumnsShowOnlyWhatTheirKindAndSettingsAllow) {
    open();
    auto* price = select<TFloatFillField>("kinds", "price");
    auto* fixed = control<QDoubleSpinBox>("edFloatFixed");
    fixed->setValue(1234.5);
    EXPECT_EQ(fixed->text(), QLocale().toString(1235.0, 'f', 0));
    QFocusEvent in(QEvent::FocusIn), out(QEvent::FocusOut);
    QApplication::sendEvent(fixed, &in);
    QLocale typed;
    typed.setNumberOptions(QLocale::OmitGroupSeparator);
    EXPECT_EQ(fixed->text(), typed.toString(1234.5)) << "every decimal while being edited";
    QApplication::sendEvent(fixed, &out);
    EXPECT_EQ(fixed->text(), QLocale().toString(1235.0, 'f', 0));
    EXPECT_DOUBLE_EQ(static_cast<double>(price->StaticValue), 1234.5) << "the rounded text is not read back";
    QString typedText = typed.toString(-7.125), wrong = QStringLiteral("1x");
    int pos = 0;
    EXPECT_EQ(fixed->validate(typedText, pos), QValidator::Acceptable);
    EXPECT_DOUBLE_EQ(fixed->valueFromText(typedText), -7.125);
    EXPECT_EQ(fixed->validate(wrong, pos), QValidator::Invalid);

    // a stored code without an entry is stored as nothing for floats and reported for texts
    auto* title = select<TTextFillField>("kinds", "title");
    price->FillType = fillList;
    title->FillType = fillDateTimeText;
    select("kinds", "price");
    EXPECT_EQ(control<QComboBox>("cbFillWith")->currentIndex(), -1);
    EXPECT_TRUE(control<QStackedWidget>("pcFloat")->isHidden());
    EXPECT_EQ(price->FillType, fillNothing);
    choose("cbFillWith", "Fixed Value");
    EXPECT_FALSE(control<QStackedWidget>("pcFloat")->isHidden());

    select("kinds", "title");
    EXPECT_EQ(errors, QStringList{"Unhandled itemindex value: -1"});
    EXPECT_EQ(title->FillType, fillDateTimeText);
    EXPECT_EQ(control<QComboBox>("cbFillWith")->currentIndex(), -1);

    // a column is ready once its settings are, and shows only what it allows
    select("kinds", "qty");
    choose("cbFillWith", "Random Values");
    auto image = [this] { return tree().currentIndex().data(TFillerTreeModel::ImageIndexRole).toInt(); };
    EXPECT_EQ(image(), kvl::imgColumn);
    control<QSpinBox>("edIntegerRandomTo")->setValue(70);
    EXPECT_EQ(image(), kvl::imgColumnReady);
    EXPECT_TRUE(control<QCheckBox>("cbIntegerIncludeNULLs")->isEnabled());

    auto* customer = select("orders", "customer_id");
    customer->IncludeNulls = true;
    select("kinds", "qty");
    select("orders", "customer_id");
    EXPECT_FALSE(control<QCheckBox>("cbIntegerIncludeNULLs")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("cbIntegerIncludeNULLs")->isEnabled());
    EXPECT_FALSE(control<QSpinBox>("edIntegerIncludeNULLsPercentage")->isEnabled());
    EXPECT_TRUE(customer->IncludeNulls) << "showing the strip changes nothing";

    // an unsupported column hides the settings; a table keeps the last column
    auto* shape = select("kinds", "shape");
    EXPECT_EQ(shape->DataTypeName, "Unsupported");
    EXPECT_TRUE(control<QStackedWidget>("pcField")->isHidden());
    EXPECT_EQ(control<QComboBox>("cbFillWith")->count(), 0);
    select("kinds", "title");
    EXPECT_FALSE(control<QStackedWidget>("pcField")->isHidden());
    selectTable("orders");
    EXPECT_EQ(control<QStackedWidget>("pcField")->currentWidget()->objectName(), "tsText");
    EXPECT_EQ(window->CurrentFillField()->ColumnName, "title");

    // every random text option is kept, and takes its own lengths or mask
    select("kinds", "title");
    choose("cbFillWith", "Random Values");
    const std::pair<const char*, int> options[] = {{"rbTextURL", fillURL},
                                                   {"rbTextEmail", fillEmail},
                                                   {"rbTextRandomPhone", fillPhone},
                                                   {"rbTextRandomAddresses", fillAddresses},
                                                   {"rbTextRandomFirstnames", fillGenerator},
                                                   {"rbTextRandomLastnames", fillLastNames},
                                                   {"rbTextRandomFullNames", fillFullNames},
                                                   {"rbTextRandomCities", fillCities},
                                                   {"rbTextRandomCountries", fillCountries},
                                                   {"rbTextRandomGUID", fillGUID},
                                                   {"rbTextRandom", fillRandomText},
                                                   {"rbTextMasked", fillMasked}};
    for (const auto& [name, code] : options) {
        control<QRadioButton>(name)->click();
        EXPECT_EQ(title->FillType, code) << name;
        select("kinds", "code");
        EXPECT_FALSE(control<QRadioButton>(name)->isChecked()) << "a column without an option shows none";
        select("kinds", "title");
        EXPECT_TRUE(control<QRadioButton>(name)->isChecked()) << name;
    }

    // lengths and mask are taken only for their option, and lengths follow the column's size
    auto* from = control<QSpinBox>("edTextRandom");
    auto* to = control<QSpinBox>("edTextRandomTo");
    auto* mask = control<QLineEdit>("edTextMask");
    EXPECT_EQ(to->maximum(), 40);
    EXPECT_EQ(to->value(), 40);
    control<QRadioButton>("rbTextURL")->click();
    from->setValue(3);
    mask->setText("NNN");
    EXPECT_EQ(title->LengthFrom, 40);
    EXPECT_EQ(title->Mask, "AAANNN[CONSTANT]");
    control<QRadioButton>("rbTextMasked")->click();
    EXPECT_EQ(title->Mask, "NNN");
    control<QRadioButton>("rbTextRandom")->click();
    EXPECT_EQ(title->LengthFrom, 3);
    to->setValue(99);
    EXPECT_EQ(title->LengthTo, 40) << "at most the column's size";

    control<QCheckBox>("cbTextIncIncludeLeadingZeroes")->click();
    EXPECT_TRUE(control<QSpinBox>("edTextIncDigits")->isEnabled());

    select("kinds", "code");
    EXPECT_FALSE(from->isEnabled()) << "a Char column has a fixed length";
    EXPECT_FALSE(to->isEnabled());
    EXPECT_EQ(control<QLineEdit>("edTextFixed")->maxLength(), 5);
    EXPECT_FALSE(control<QSpinBox>("edTextIncDigits")->isEnabled()) << "only with leading zeros";

    auto* note = select<TTextFillField>("customers", "note");
    EXPECT_EQ(from->value(), 1) << "a column without a size starts at 1 to 255 characters";
    EXPECT_EQ(to->value(), 255);
    choose("cbFillWith", "Random Values");
    control<QRadioButton>("rbTextRandom")->click();
    to->setValue(40000);
    EXPECT_EQ(note->LengthTo, 32767) << "and takes up to 32,767";
}

} // namespace
