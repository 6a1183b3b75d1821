#include "ColumnPagesFixture.h"

#include "UTFillObject/TTextFillField.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>

namespace {

TEST_F(ColumnPages, ATextColumnOffersItsEntriesAndTheirPages) {
    open();
    auto* title = select<TTextFillField>("kinds", "title");
    EXPECT_EQ(shownClass(), "tsText");
    EXPECT_EQ(entries("cbFillWith"),
              (QStringList{"[nothing]", "Fixed Value", "Random Values", "Custom Values", "Referential Link",
                           "Values From List", "Increasing Values"}));
    const std::pair<const char*, int> expected[] = {{"Fixed Value", 1},
                                                    {"Custom Values", 2},
                                                    {"Referential Link", 4},
                                                    {"Values From List", 3},
                                                    {"Increasing Values", 21}};
    for (const auto& [entry, code] : expected) {
        choose("cbFillWith", entry);
        EXPECT_EQ(title->FillType, code) << entry;
    }
    EXPECT_EQ(shownPage("pcText"), "tsTextIncreasing");
    choose("cbFillWith", "Random Values");
    EXPECT_EQ(shownPage("pcText"), "tsTextRandom");
    EXPECT_EQ(title->FillType, 0) << "no option chosen yet";
}

TEST_F(ColumnPages, EveryRandomOptionStandsForItsCode) {
    open();
    auto* title = select<TTextFillField>("kinds", "title");
    choose("cbFillWith", "Random Values");
    const std::pair<const char*, int> options[] = {{"rbTextURL", 12},
                                                   {"rbTextEmail", 11},
                                                   {"rbTextRandomPhone", 10},
                                                   {"rbTextRandomAddresses", 7},
                                                   {"rbTextRandomFirstnames", 5},
                                                   {"rbTextRandomLastnames", 6},
                                                   {"rbTextRandomFullNames", 19},
                                                   {"rbTextRandomCities", 8},
                                                   {"rbTextRandomCountries", 9},
                                                   {"rbTextRandomGUID", 22},
                                                   {"rbTextRandom", 18},
                                                   {"rbTextMasked", 20}};
    for (const auto& [name, code] : options) {
        control<QRadioButton>(name)->click();
        EXPECT_EQ(title->FillType, code) << name;
        choose("cbFillWith", "Fixed Value");
        choose("cbFillWith", "Random Values");
        EXPECT_EQ(title->FillType, code) << "the page gives back the chosen option " << name;
    }
}

TEST_F(ColumnPages, RandomLengthsFollowTheColumnSizeAndAreTakenOnlyForRandomCharacters) {
    open();
    auto* title = select<TTextFillField>("kinds", "title");
    auto* from = control<QSpinBox>("edTextRandom");
    auto* to = control<QSpinBox>("edTextRandomTo");
    EXPECT_EQ(to->maximum(), 40);
    EXPECT_EQ(to->value(), 40);
    choose("cbFillWith", "Random Values");
    control<QRadioButton>("rbTextURL")->click();
    from->setValue(3);
    EXPECT_EQ(title->LengthFrom, 40) << "lengths are not taken for another option";
    control<QRadioButton>("rbTextRandom")->click();
    EXPECT_EQ(title->FillType, 18);
    EXPECT_EQ(title->LengthFrom, 3);
    to->setValue(12);
    EXPECT_EQ(title->LengthTo, 12);
    to->setValue(99);
    EXPECT_EQ(title->LengthTo, 40) << "at most the column's size";

    select<TTextFillField>("kinds", "code");
    EXPECT_FALSE(from->isEnabled()) << "a Char column has a fixed length";
    EXPECT_FALSE(to->isEnabled());
    EXPECT_EQ(control<QLineEdit>("edTextFixed")->maxLength(), 5);

    auto* note = select<TTextFillField>("customers", "note");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(from->value(), 1) << "a column without a size starts at 1 to 255 characters";
    EXPECT_EQ(to->value(), 255);
    choose("cbFillWith", "Random Values");
    control<QRadioButton>("rbTextRandom")->click();
    to->setValue(40000);
    EXPECT_EQ(note->LengthTo, 32767) << "and takes up to 32,767";
}

TEST_F(ColumnPages, MaskAndFixedTextAreWrittenAsTyped) {
    open();
    auto* title = select<TTextFillField>("kinds", "title");
    auto* mask = control<QLineEdit>("edTextMask");
    EXPECT_EQ(mask->text(), "AAANNN[CONSTANT]");
    mask->setText("NNN");
    EXPECT_EQ(title->Mask, "AAANNN[CONSTANT]") << "only while masked values are chosen";
    control<QRadioButton>("rbTextMasked")->click();
    EXPECT_EQ(title->Mask, "NNN");
    mask->setText("AA-NN");
    EXPECT_EQ(title->Mask, "AA-NN");
    control<QLineEdit>("edTextFixed")->setText("hello");
    EXPECT_EQ(title->StaticValue, "hello");
}

TEST_F(ColumnPages, TheCustomFileIsTakenFromTheFileChooser) {
    open();
    auto* title = select<TTextFillField>("kinds", "title");
    choose("cbFillWith", "Custom Values");
    files = QStringList{"/data/words.txt"};
    control<QToolButton>("btnTextFromFile")->click();
    EXPECT_EQ(asked.last(), "Text Files (*.txt);;All Files (*.*)");
    EXPECT_EQ(title->FileName, "/data/words.txt");
    files.clear();
    control<QToolButton>("btnTextFromFile")->click();
    EXPECT_EQ(title->FileName, "/data/words.txt") << "a cancelled choice keeps the file";
}

TEST_F(ColumnPages, IncreasingTextNumbersEnableTheDigitsWithTheLeadingZeros) {
    open();
    auto* title = select<TTextFillField>("kinds", "title");
    choose("cbFillWith", "Increasing Values");
    auto* zeros = control<QCheckBox>("cbTextIncIncludeLeadingZeroes");
    auto* digits = control<QSpinBox>("edTextIncDigits");
    EXPECT_FALSE(digits->isEnabled());
    control<QSpinBox>("edTextIncStartAt")->setValue(1);
    control<QSpinBox>("edTextIncStep")->setValue(2);
    zeros->click();
    EXPECT_TRUE(digits->isEnabled());
    digits->setValue(4);
    EXPECT_EQ(title->IncStart, 1);
    EXPECT_EQ(title->IncStep, 2);
    EXPECT_TRUE(title->IncFixedDigits);
    EXPECT_EQ(title->IncDigits, 4);

    select("kinds", "code");
    EXPECT_FALSE(digits->isEnabled());
    select("kinds", "title");
    EXPECT_TRUE(zeros->isChecked());
    EXPECT_EQ(digits->value(), 4);
}

TEST_F(ColumnPages, TheStringListAddsAndDeletesEntries) {
    open();
    auto* title = select<TTextFillField>("kinds", "title");
    choose("cbFillWith", "Values From List");
    for (const char* text : {"pear", "apple", ""}) {
        answer = QString::fromLatin1(text);
        control<QToolButton>("SpeedButton3")->click();
    }
    EXPECT_EQ(asked.first(), "Add String|Enter text: ");
    EXPECT_EQ(title->ListValues.Text(), "apple\r\npear");
    auto* list = control<QListWidget>("lbStringList");
    list->item(0)->setSelected(true);
    list->item(1)->setSelected(true);
    control<QToolButton>("SpeedButton4")->click();
    EXPECT_EQ(asked.last(), "Delete selected strings?");
    EXPECT_TRUE(title->ListValues.IsEmpty());
}

TEST_F(ColumnPages, ATextCodeWithoutAnEntryIsReportedAndKept) {
    open();
    auto* title = select<TTextFillField>("kinds", "title");
    select("kinds", "code");
    title->FillType = 15;
    select("kinds", "title");
    EXPECT_EQ(errors, QStringList{"Unhandled itemindex value: -1"});
    EXPECT_EQ(title->FillType, 15);
    EXPECT_EQ(control<QComboBox>("cbFillWith")->currentIndex(), -1);
}

TEST_F(ColumnPages, SelectingATextColumnShowsItsOptionAndSettings) {
    open();
    auto* title = select<TTextFillField>("kinds", "title");
    select("kinds", "code");
    title->FillType = 8;
    title->StaticValue = "fixed";
    title->FileName = "/tmp/x.txt";
    select("kinds", "title");
    EXPECT_EQ(control<QComboBox>("cbFillWith")->currentText(), "Random Values");
    EXPECT_TRUE(control<QRadioButton>("rbTextRandomCities")->isChecked());
    EXPECT_FALSE(control<QRadioButton>("rbTextRandom")->isChecked());
    EXPECT_EQ(control<QLineEdit>("edTextFixed")->text(), "fixed");
    EXPECT_EQ(control<QLineEdit>("edTextFromFile")->text(), "/tmp/x.txt");
    EXPECT_EQ(title->FillType, 8);

    select("kinds", "code");
    for (const char* name : {"rbTextRandomCities", "rbTextRandom", "rbTextMasked"})
        EXPECT_FALSE(control<QRadioButton>(name)->isChecked()) << "a column without an option shows none";
}

} // namespace
