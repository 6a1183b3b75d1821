#include "ColumnPagesFixture.h"

#include "UTFillObject/TBlobFillField.h"
#include "UTFillObject/TBoolBitFillField.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TGUIDFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "base/DateTime.h"
#include "kvl3_lib/UScreenCursor.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QSpinBox>
#include <QStyleOptionViewItem>
#include <QTimeEdit>
#include <QToolButton>

namespace {

TEST_F(ColumnPages, DateEditsWriteDatesAndTimesAndShareTheStart) {
    open();
    auto* stamp = select<TDateFillField>("kinds", "stamp");
    EXPECT_EQ(shownClass(), "tsTimestamp");
    EXPECT_EQ(entries("cbFillWith"),
              (QStringList{"[nothing]", "Fixed Value", "Random Values", "Increasing Values"}));
    choose("cbFillWith", "Random Values");
    EXPECT_EQ(stamp->FillType, 2);
    control<QDateEdit>("edTimestampRandomFrom")->setDate(QDate(2024, 3, 1));
    control<QTimeEdit>("edTimestampRandomFromTime")->setTime(QTime(8, 0));
    control<QDateEdit>("edTimestampRandomTo")->setDate(QDate(2024, 3, 31));
    control<QTimeEdit>("edTimestampRandomToTime")->setTime(QTime(17, 30, 15));
    EXPECT_DOUBLE_EQ(stamp->DateFrom, kvl::EncodeDate(2024, 3, 1));
    EXPECT_DOUBLE_EQ(stamp->TimeFrom, kvl::EncodeTime(8, 0, 0, 0));
    EXPECT_DOUBLE_EQ(stamp->DateTo, kvl::EncodeDate(2024, 3, 31));
    EXPECT_NEAR(stamp->TimeTo, kvl::EncodeTime(17, 30, 15, 0), 1e-9);

    control<QDateEdit>("edTimestampStartAtDate")->setDate(QDate(2020, 1, 2));
    EXPECT_DOUBLE_EQ(stamp->DateFrom, kvl::EncodeDate(2020, 1, 2)) << "the start is the lower random bound";

    control<QDateEdit>("edTimestampFixed")->setDate(QDate(1999, 12, 31));
    control<QTimeEdit>("edTimestampFixedTime")->setTime(QTime(12, 0));
    EXPECT_DOUBLE_EQ(stamp->StaticDate, kvl::EncodeDate(1999, 12, 31));
    EXPECT_DOUBLE_EQ(stamp->StaticTime, 0.5);
    control<QSpinBox>("edTimestampIncHours")->setValue(1);
    control<QSpinBox>("edTimestampIncMinutes")->setValue(30);
    control<QSpinBox>("edTimestampIncSeconds")->setValue(5);
    control<QSpinBox>("edTimestampIncDays")->setValue(2147483647);
    EXPECT_EQ(stamp->IncHours, 1);
    EXPECT_EQ(stamp->IncMinutes, 30);
    EXPECT_EQ(stamp->IncSeconds, 5);
    EXPECT_EQ(stamp->IncDays, 2147483647);

    // what was stored comes back when the column is shown again
    select("kinds", "born");
    stamp->FillType = 21;
    stamp->TimeFrom = kvl::EncodeTime(6, 15, 0, 0);
    select("kinds", "stamp");
    EXPECT_EQ(shownPage("pcTimestamp"), "tsTimestampIncValues");
    EXPECT_EQ(control<QDateEdit>("edTimestampRandomFrom")->date(), QDate(2020, 1, 2));
    EXPECT_EQ(control<QTimeEdit>("edTimestampStartAtTime")->time(), QTime(6, 15));
    EXPECT_EQ(control<QSpinBox>("edTimestampIncDays")->value(), 2147483647);
}

TEST_F(ColumnPages, BlobPagesTakeFilesFoldersAndLists) {
    open();
    auto* photo = select<TBlobFillField>("kinds", "photo");
    EXPECT_EQ(shownClass(), "tsBLOB");
    EXPECT_EQ(entries("cbFillWith"),
              (QStringList{"[nothing]", "Single File", "Files from Directory", "Files from List"}));
    choose("cbFillWith", "Single File");
    EXPECT_EQ(photo->FillType, 1);
    files = QStringList{"/pics/one.png"};
    control<QToolButton>("btnBLOBFixed")->click();
    EXPECT_EQ(photo->FileName, "/pics/one.png");

    choose("cbFillWith", "Files from Directory");
    files = QStringList{"/pics"};
    control<QToolButton>("btnBLOBDirectory")->click();
    EXPECT_EQ(photo->Directory, "/pics/") << "stored ready to have names appended";
    control<QLineEdit>("edBLOBDirectory")->setText("  /other/  ");
    EXPECT_EQ(photo->Directory, "/other/");
    control<QLineEdit>("edBLOBDirectory")->setText("   ");
    EXPECT_EQ(photo->Directory, "");
    control<QLineEdit>("edBLOBFilter")->setText("*.png");
    control<QSpinBox>("edBLOBMaxFiles")->setValue(3);
    EXPECT_EQ(photo->FileFilter, "*.png");
    EXPECT_EQ(photo->MaxFiles, 3);

    choose("cbFillWith", "Files from List");
    files = QStringList{"/pics/b.png", "/pics/a.png"};
    control<QToolButton>("SpeedButton2")->click();
    EXPECT_EQ(asked.last(), "All Files (*.*)");
    EXPECT_EQ(photo->ListValues.Text(), "/pics/a.png\r\n/pics/b.png");
    control<QListWidget>("lbBLOBList")->item(1)->setSelected(true);
    control<QToolButton>("SpeedButton1")->click();
    EXPECT_EQ(asked.last(), "Delete selected files?");
    EXPECT_EQ(photo->ListValues.Text(), "/pics/a.png");
    EXPECT_EQ(photo->FillType, 3);
}

TEST_F(ColumnPages, GuidAndBooleanColumnsHaveTheirShortChoices) {
    open();
    auto* token = select<TGUIDFillField>("kinds", "token");
    EXPECT_EQ(shownClass(), "tsGUID");
    EXPECT_EQ(entries("cbFillWith"), (QStringList{"[nothing]", "Random GUID", "Referential Link"}));
    choose("cbFillWith", "Random GUID");
    EXPECT_EQ(token->FillType, 22);
    EXPECT_EQ(columnNode("kinds", "token").data(TFillerTreeModel::ImageIndexRole).toInt(), 136);

    auto* active = select<TBoolBitFillField>("kinds", "active");
    EXPECT_EQ(shownClass(), "tsBoolean");
    EXPECT_EQ(entries("cbFillWith"), (QStringList{"[nothing]", "Fixed Value", "Random Values"}));
    choose("cbFillWith", "Fixed Value");
    control<QCheckBox>("cbBooleanFixed")->click();
    EXPECT_EQ(active->FillType, 1);
    EXPECT_TRUE(active->StaticValue);
    control<QCheckBox>("cbBooleanIncludeNulls")->click();
    EXPECT_TRUE(active->IncludeNulls);

    select("kinds", "token");
    select("kinds", "active");
    EXPECT_TRUE(control<QCheckBox>("cbBooleanFixed")->isChecked());
    EXPECT_EQ(shownPage("pcBoolean"), "tsBooleanFixed");
}

TEST_F(ColumnPages, AnUnsupportedColumnHidesTheSettingsAndATableKeepsTheLastColumn) {
    open();
    select("kinds", "qty");
    EXPECT_FALSE(control<QStackedWidget>("pcField")->isHidden());
    auto* shape = select("kinds", "shape");
    EXPECT_EQ(shape->DataTypeName, "Unsupported");
    EXPECT_TRUE(control<QStackedWidget>("pcField")->isHidden());
    EXPECT_EQ(control<QComboBox>("cbFillWith")->count(), 0);

    select("kinds", "title");
    EXPECT_FALSE(control<QStackedWidget>("pcField")->isHidden());
    tree().setCurrentIndex(tableNode("orders"));
    EXPECT_EQ(shownClass(), "tsText");
    EXPECT_EQ(window->CurrentFillField()->ColumnName, "title");
}

TEST_F(ColumnPages, ReferentialLinkFollowsTheForeignKey) {
    open();
    auto* customer = select<TIntegerFillField>("orders", "customer_id");
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(customer->FillType, 4);
    EXPECT_EQ(customer->RefTable, "customers");
    EXPECT_EQ(customer->RefTableOwner, "") << "SQLite does not qualify names with owners";
    EXPECT_EQ(customer->RefColumn, "id");
    EXPECT_EQ(control<QComboBox>("cbIntegerRefTable")->currentText(), "customers");
    EXPECT_EQ(control<QComboBox>("cbIntegerRefField")->currentText(), "id");
    EXPECT_EQ(entries("cbIntegerRefField"), (QStringList{"id", "name", "note"}));
    EXPECT_EQ(shownPage("pcInteger"), "tsIntegerReferential");
    EXPECT_FALSE(kvl::ScreenCursorIsWait());

    choose("cbIntegerRefField", "name");
    EXPECT_EQ(customer->RefColumn, "name");
    choose("cbFillWith", "Fixed Value");
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(customer->RefColumn, "name") << "an existing link is not looked up again";
}

TEST_F(ColumnPages, ACompositeKeyLinksTheColumnAtTheSamePosition) {
    open();
    auto* pb = select<TIntegerFillField>("part_uses", "pb");
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(pb->RefTable, "parts");
    EXPECT_EQ(pb->RefColumn, "b");
    auto* pa = select<TIntegerFillField>("part_uses", "pa");
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(pa->RefColumn, "a");
}

TEST_F(ColumnPages, AColumnOutsideAnyKeyIsLinkedByHand) {
    open();
    auto* title = select<TTextFillField>("kinds", "title");
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(title->RefTable, "");
    EXPECT_FALSE(title->GetReadyForFilling());
    choose("cbTextRefTable", "customers");
    EXPECT_EQ(control<QComboBox>("cbTextRefField")->currentIndex(), -1);
    choose("cbTextRefField", "name");
    EXPECT_EQ(columnNode("kinds", "title").data(TFillerTreeModel::ImageIndexRole).toInt(), 136);
    EXPECT_TRUE(control<QComboBox>("cbTextRefTable")->findText("part_uses") >= 0);

    select("kinds", "code");
    select("kinds", "title");
    EXPECT_EQ(control<QComboBox>("cbTextRefTable")->currentText(), "customers");
    EXPECT_EQ(control<QComboBox>("cbTextRefField")->currentText(), "name");
}

} // namespace

namespace {

struct TReferencePair {
    const char* column;
    const char* source;
    const char* field;
};

class ReferencePairs : public ColumnPages, public ::testing::WithParamInterface<TReferencePair> {};

TEST_P(ReferencePairs, EachSourceListFillsItsOwnFieldList) {
    open();
    const TReferencePair& pair = GetParam();
    auto* field = select("kinds", pair.column);
    choose("cbFillWith", "Referential Link");
    choose(pair.source, "parts");
    EXPECT_EQ(field->RefTable, "parts");
    EXPECT_EQ(entries(pair.field), (QStringList{"a", "b"}));
    choose(pair.field, "b");
    EXPECT_EQ(field->RefColumn, "b");
    EXPECT_TRUE(field->GetReadyForFilling());
    for (const char* other : {"cbFloatRefField", "cbIntegerRefField", "cbTextRefField", "cbGUIDRefField"})
        if (std::string(other) != pair.field) {
            EXPECT_EQ(control<QComboBox>(other)->count(), 0) << other;
        }
}

INSTANTIATE_TEST_SUITE_P(AllFour, ReferencePairs,
                         ::testing::Values(TReferencePair{"price", "cbFloatRefTable", "cbFloatRefField"},
                                           TReferencePair{"qty", "cbIntegerRefTable", "cbIntegerRefField"},
                                           TReferencePair{"title", "cbTextRefTable", "cbTextRefField"},
                                           TReferencePair{"token", "cbGUIDRefTable", "cbGUIDRefField"}));

// Whether anything but white is drawn within the columns [left, right) of a list entry.
bool inked(const QImage& image, int left, int right) {
    for (int x = left; x < right; ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) return true;
    return false;
}

QImage drawnEntry(QComboBox* box, int row) {
    QImage image(200, 18, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 200, 18);
    option.palette.setColor(QPalette::Text, Qt::black);
    option.state = QStyle::State_Enabled;
    box->itemDelegate()->paint(&painter, option, box->model()->index(row, 0));
    return image;
}

TEST_F(ColumnPages, SourceAndFieldEntriesAreDrawnWithTheirImageAndText) {
    open();
    select("kinds", "title");
    choose("cbFillWith", "Referential Link");
    choose("cbTextRefTable", "customers");
    auto* source = control<QComboBox>("cbTextRefTable");
    QImage table = drawnEntry(source, source->findText("customers"));
    EXPECT_TRUE(inked(table, 0, 16)) << "the table image";
    EXPECT_FALSE(inked(table, 16, 18)) << "the text starts 18 pixels in";
    EXPECT_TRUE(inked(table, 18, 200));
    QImage column = drawnEntry(control<QComboBox>("cbTextRefField"), 0);
    EXPECT_TRUE(inked(column, 0, 16)) << "the column image";
    EXPECT_TRUE(inked(column, 18, 200));
}

} // namespace
