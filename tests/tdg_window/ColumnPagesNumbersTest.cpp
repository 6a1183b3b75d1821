#include "ColumnPagesFixture.h"

#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "kvl3_lib/UImageList.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFocusEvent>
#include <QListWidget>
#include <QSpinBox>
#include <QToolButton>

namespace {

TEST_F(ColumnPages, AnIntegerColumnOffersItsSevenEntriesAndWritesTheChosenCode) {
    open();
    auto* qty = select<TIntegerFillField>("kinds", "qty");
    EXPECT_EQ(shownClass(), "tsInteger");
    EXPECT_EQ(entries("cbFillWith"),
              (QStringList{"[nothing]", "Fixed Value", "Random Values", "Link to Sequence",
                           "Increasing Values", "Referential Link", "Values From List"}));
    const std::pair<const char*, int> expected[] = {{"Fixed Value", 1},      {"Random Values", 2},
                                                    {"Link to Sequence", 5}, {"Increasing Values", 21},
                                                    {"Values From List", 3}, {"[nothing]", 0}};
    const char* pages[] = {"tsIntegerFixed",      "tsIntegerRandom", "tsIntegerGenerator",
                           "tsIntegerIncreasing", "tsIntegerList",   "tsIntegerNothing"};
    int i = 0;
    for (const auto& [entry, code] : expected) {
        choose("cbFillWith", entry);
        EXPECT_EQ(qty->FillType, code) << entry;
        EXPECT_EQ(shownPage("pcInteger"), pages[i++]);
    }
}

TEST_F(ColumnPages, IntegerEditsGoStraightIntoTheFieldAndMarkTheColumnReady) {
    open();
    auto* qty = select<TIntegerFillField>("kinds", "qty");
    auto* from = control<QSpinBox>("edIntegerRandomFrom");
    choose("cbFillWith", "Random Values");
    EXPECT_EQ(columnNode("kinds", "qty").data(TFillerTreeModel::ImageIndexRole).toInt(), kvl::imgColumn);
    from->setValue(-5);
    control<QSpinBox>("edIntegerRandomTo")->setValue(70);
    EXPECT_EQ(qty->RangeFrom, -5);
    EXPECT_EQ(qty->RangeTo, 70);
    EXPECT_EQ(columnNode("kinds", "qty").data(TFillerTreeModel::ImageIndexRole).toInt(), kvl::imgColumnReady);

    control<QSpinBox>("edIntegerFixed")->setValue(42);
    EXPECT_EQ(qty->StaticValue, 42);
    control<QSpinBox>("edIntegerIncStep")->setValue(3);
    control<QSpinBox>("edIntegerIncStartAt")->setValue(100);
    EXPECT_EQ(qty->StaticValue, 3) << "fixed value and step are one setting";
    EXPECT_EQ(qty->RangeFrom, 100) << "random lower bound and start are one setting";
    EXPECT_EQ(qty->FillType, 2) << "editing a page does not choose it";
}

TEST_F(ColumnPages, SelectingAnIntegerColumnShowsItsStoredSettings) {
    open();
    auto* qty = select<TIntegerFillField>("kinds", "qty");
    select("kinds", "id");
    qty->FillType = 21;
    qty->StaticValue = 7;
    qty->RangeFrom = 1000;
    qty->RangeTo = 2000;
    qty->ListValues.SetText("5\r\n1\r\n3");
    select("kinds", "qty");
    EXPECT_EQ(control<QComboBox>("cbFillWith")->currentText(), "Increasing Values");
    EXPECT_EQ(shownPage("pcInteger"), "tsIntegerIncreasing");
    EXPECT_EQ(control<QSpinBox>("edIntegerIncStartAt")->value(), 1000);
    EXPECT_EQ(control<QSpinBox>("edIntegerIncStep")->value(), 7);
    EXPECT_EQ(control<QSpinBox>("edIntegerRandomTo")->value(), 2000);
    auto* list = control<QListWidget>("lbIntegerList");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "1") << "the list box keeps its entries sorted";
    EXPECT_EQ(qty->FillType, 21) << "showing a column is no edit of it";
    EXPECT_EQ(qty->ListValues.Text(), "5\r\n1\r\n3");
}

TEST_F(ColumnPages, TheIntegerValueListTakesOnlyConvertibleIntegers) {
    open();
    auto* qty = select<TIntegerFillField>("kinds", "qty");
    choose("cbFillWith", "Values From List");
    auto* add = control<QToolButton>("SpeedButton5");
    answer = QStringLiteral("12");
    add->click();
    answer = QStringLiteral("-3");
    add->click();
    answer = QStringLiteral("12a");
    add->click();
    answer = std::nullopt;
    add->click();
    EXPECT_EQ(asked.value(0), "Add Value|Enter Integer value: ");
    EXPECT_EQ(qty->ListValues.Count(), 2);
    EXPECT_EQ(control<QListWidget>("lbIntegerList")->count(), 2);
    EXPECT_TRUE(errors.isEmpty()) << "a wrong entry is dropped silently";

    auto* list = control<QListWidget>("lbIntegerList");
    list->item(0)->setSelected(true);
    confirm = false;
    control<QToolButton>("SpeedButton6")->click();
    EXPECT_EQ(asked.last(), "Delete selected integers?");
    EXPECT_EQ(qty->ListValues.Count(), 2);
    confirm = true;
    control<QToolButton>("SpeedButton6")->click();
    ASSERT_EQ(qty->ListValues.Count(), 1);
    EXPECT_EQ(qty->ListValues[0], "12");
}

TEST_F(ColumnPages, AFloatColumnWritesFractionsAndShowsThemWithoutDecimals) {
    open();
    auto* price = select<TFloatFillField>("kinds", "price");
    EXPECT_EQ(shownClass(), "tsFloat");
    EXPECT_EQ(entries("cbFillWith").size(), 6);
    choose("cbFillWith", "Referential Link");
    EXPECT_EQ(price->FillType, 4);
    choose("cbFillWith", "Fixed Value");
    auto* fixed = control<QDoubleSpinBox>("edFloatFixed");
    fixed->setValue(1234.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(price->StaticValue), 1234.5);
    EXPECT_EQ(fixed->text(), QLocale().toString(1235.0, 'f', 0)) << "no decimals while not being edited";

    QFocusEvent in(QEvent::FocusIn), out(QEvent::FocusOut);
    QApplication::sendEvent(fixed, &in);
    QLocale typed;
    typed.setNumberOptions(QLocale::OmitGroupSeparator);
    EXPECT_EQ(fixed->text(), typed.toString(1234.5)) << "every decimal while being edited";
    QApplication::sendEvent(fixed, &out);
    EXPECT_EQ(fixed->text(), QLocale().toString(1235.0, 'f', 0));
    EXPECT_DOUBLE_EQ(fixed->value(), 1234.5) << "the rounded text is not read back";
    EXPECT_DOUBLE_EQ(static_cast<double>(price->StaticValue), 1234.5);
    QString typedText = typed.toString(-7.125);
    int pos = 0;
    EXPECT_EQ(fixed->validate(typedText, pos), QValidator::Acceptable);
    EXPECT_DOUBLE_EQ(fixed->valueFromText(typedText), -7.125);
    QString wrong = QStringLiteral("1x");
    EXPECT_EQ(fixed->validate(wrong, pos), QValidator::Invalid);

    control<QDoubleSpinBox>("edFloatRandomFrom")->setValue(-0.25);
    control<QDoubleSpinBox>("edFloatRandomTo")->setValue(2.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(price->RangeFrom), -0.25);
    EXPECT_DOUBLE_EQ(static_cast<double>(price->RangeTo), 2.5);
    control<QDoubleSpinBox>("edFloatIncStep")->setValue(0.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(price->StaticValue), 0.5);
}

TEST_F(ColumnPages, AFloatCodeWithoutAnEntryShowsNoPageAndIsStoredAsNothing) {
    open();
    auto* price = select<TFloatFillField>("kinds", "price");
    select("kinds", "id");
    price->FillType = 3;
    select("kinds", "price");
    EXPECT_EQ(control<QComboBox>("cbFillWith")->currentIndex(), -1);
    EXPECT_TRUE(control<QStackedWidget>("pcFloat")->isHidden());
    EXPECT_EQ(price->FillType, 0);
    choose("cbFillWith", "Fixed Value");
    EXPECT_FALSE(control<QStackedWidget>("pcFloat")->isHidden());
}

TEST_F(ColumnPages, WithoutSequencesTheSequenceListStaysEmptyAndStoresNoName) {
    open();
    auto* qty = select<TIntegerFillField>("kinds", "qty");
    qty->GeneratorName = "GONE";
    choose("cbFillWith", "Link to Sequence");
    auto* list = control<QComboBox>("cbIntegerGenerator");
    list->showPopup();
    list->hidePopup();
    EXPECT_EQ(list->count(), 0);
    emit list->activated(-1);
    EXPECT_EQ(qty->GeneratorName, "");
}

TEST_F(ColumnPages, TheNullStripFollowsTheColumnsNullability) {
    open();
    auto* qty = select<TIntegerFillField>("kinds", "qty");
    auto* nulls = control<QCheckBox>("cbIntegerIncludeNULLs");
    auto* share = control<QSpinBox>("edIntegerIncludeNULLsPercentage");
    nulls->click();
    share->setValue(25);
    EXPECT_TRUE(qty->IncludeNulls);
    EXPECT_EQ(qty->NullPercentage, 25);

    auto* id = select<TIntegerFillField>("kinds", "id");
    id->IncludeNulls = true;
    id->Nullable = false;
    select("kinds", "qty");
    select("kinds", "id");
    EXPECT_FALSE(nulls->isChecked());
    EXPECT_FALSE(nulls->isEnabled());
    EXPECT_FALSE(share->isEnabled());
    EXPECT_TRUE(id->IncludeNulls) << "showing the strip changes nothing";
}

} // namespace
