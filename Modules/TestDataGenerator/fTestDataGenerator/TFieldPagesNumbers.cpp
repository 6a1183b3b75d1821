// The pages of integer and float columns.
#include "TFieldPages.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "base/SysUtils.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace tdg_pages;

namespace {

template <class Edit> void addRow(QWidget* page, const char* caption, Edit* edit) {
    auto* form = qobject_cast<QFormLayout*>(page->layout());
    if (!form) form = new QFormLayout(page);
    form->addRow(QString::fromLatin1(caption), edit);
}

void chooseGenerator(QComboBox* list, const std::string& name) {
    list->setCurrentIndex(list->findText(qs(name)));
}

} // namespace

void TfrmTestDataGenerator::createIntegerPages(const std::vector<QWidget*>& page) {
    edIntegerFixed = wholeNumberEdit("edIntegerFixed");
    addRow(page[1], "Fixed value", edIntegerFixed);
    edIntegerRandomFrom = wholeNumberEdit("edIntegerRandomFrom");
    edIntegerRandomTo = wholeNumberEdit("edIntegerRandomTo");
    addRow(page[2], "Between", edIntegerRandomFrom);
    addRow(page[2], "and", edIntegerRandomTo);
    createGeneratorRow(page[3], lblIntGenerator, "lblIntGenerator", cbIntegerGenerator, "cbIntegerGenerator");
    edIntegerIncStartAt = wholeNumberEdit("edIntegerIncStartAt");
    edIntegerIncStep = wholeNumberEdit("edIntegerIncStep");
    addRow(page[4], "Start at", edIntegerIncStartAt);
    addRow(page[4], "Step", edIntegerIncStep);
    createReferencePair(page[5], cbIntegerRefTable, "cbIntegerRefTable", cbIntegerRefField,
                        "cbIntegerRefField");
    lbIntegerList = valueList("lbIntegerList");
    auto* add = listButton("SpeedButton5", "+", "Add Value");
    auto* remove = listButton("SpeedButton6", "-", "Delete Selected Value(s)");
    (new QVBoxLayout(page[6]))->addWidget(listWithButtons("List of values", lbIntegerList, add, remove));

    using W = TfrmTestDataGenerator;
    connect(edIntegerFixed, &QSpinBox::valueChanged, this, &W::edIntegerFixedChange);
    connect(edIntegerIncStep, &QSpinBox::valueChanged, this, &W::edIntegerIncStepChange);
    connect(edIntegerRandomFrom, &QSpinBox::valueChanged, this, &W::edIntegerRandomFromChange);
    connect(edIntegerIncStartAt, &QSpinBox::valueChanged, this, &W::edIntegerIncStartAtChange);
    connect(edIntegerRandomTo, &QSpinBox::valueChanged, this, &W::edIntegerRandomToChange);
    connect(cbIntegerGenerator, &QComboBox::activated, this, &W::cbIntegerGeneratorChange);
    connect(add, &QToolButton::clicked, this, &W::SpeedButton5Click);
    connect(remove, &QToolButton::clicked, this, &W::SpeedButton6Click);
}

void TfrmTestDataGenerator::createFloatPages(const std::vector<QWidget*>& page) {
    edFloatFixed = new TFloatEdit("edFloatFixed");
    addRow(page[1], "Fixed value", edFloatFixed);
    edFloatRandomFrom = new TFloatEdit("edFloatRandomFrom");
    edFloatRandomTo = new TFloatEdit("edFloatRandomTo");
    addRow(page[2], "Between", edFloatRandomFrom);
    addRow(page[2], "and", edFloatRandomTo);
    createGeneratorRow(page[3], lblFloatGenerator, "lblFloatGenerator", cbFloatGenerator, "cbFloatGenerator");
    edFloatIncStartAt = new TFloatEdit("edFloatIncStartAt");
    edFloatIncStep = new TFloatEdit("edFloatIncStep");
    addRow(page[4], "Start at", edFloatIncStartAt);
    addRow(page[4], "Step", edFloatIncStep);
    createReferencePair(page[5], cbFloatRefTable, "cbFloatRefTable", cbFloatRefField, "cbFloatRefField");

    using W = TfrmTestDataGenerator;
    connect(edFloatFixed, &QDoubleSpinBox::valueChanged, this, &W::edFloatFixedChange);
    connect(edFloatIncStep, &QDoubleSpinBox::valueChanged, this, &W::edFloatIncStepChange);
    connect(edFloatRandomFrom, &QDoubleSpinBox::valueChanged, this, &W::edFloatRandomFromChange);
    connect(edFloatIncStartAt, &QDoubleSpinBox::valueChanged, this, &W::edFloatIncStartAtChange);
    connect(edFloatRandomTo, &QDoubleSpinBox::valueChanged, this, &W::edFloatRandomToChange);
    connect(cbFloatGenerator, &QComboBox::activated, this, &W::cbFloatGeneratorChange);
}

void TfrmTestDataGenerator::ShowIntegerFieldProperties(TIntegerFillField* Field) {
    showClassPage(tsInteger, pcInteger, Field);
    addFillWithEntries({"[nothing]", "Fixed Value", "Random Values", "Link to Sequence", "Increasing Values",
                        "Referential Link", "Values From List"},
                       entryOfCode({0, 1, 2, 5, 21, 4, 3}, Field->FillType));
    edIntegerFixed->setValue(Field->StaticValue);
    edIntegerIncStep->setValue(Field->StaticValue);
    edIntegerRandomFrom->setValue(Field->RangeFrom);
    edIntegerIncStartAt->setValue(Field->RangeFrom);
    edIntegerRandomTo->setValue(Field->RangeTo);
    chooseGenerator(cbIntegerGenerator, Field->GeneratorName);
    showReference(cbIntegerRefTable, cbIntegerRefField, Field);
    showList(lbIntegerList, Field->ListValues);
}

void TfrmTestDataGenerator::ShowFloatFieldProperties(TFloatFillField* Field) {
    showClassPage(tsFloat, pcFloat, Field);
    addFillWithEntries({"[nothing]", "Fixed Value", "Random Values", "Link to Sequence", "Increasing Values",
                        "Referential Link"},
                       entryOfCode({0, 1, 2, 5, 21, 4}, Field->FillType));
    edFloatFixed->setValue(static_cast<double>(Field->StaticValue));
    edFloatIncStep->setValue(static_cast<double>(Field->StaticValue));
    edFloatRandomFrom->setValue(static_cast<double>(Field->RangeFrom));
    edFloatIncStartAt->setValue(static_cast<double>(Field->RangeFrom));
    edFloatRandomTo->setValue(static_cast<double>(Field->RangeTo));
    chooseGenerator(cbFloatGenerator, Field->GeneratorName);
    showReference(cbFloatRefTable, cbFloatRefField, Field);
}

namespace {

TIntegerFillField* integerField(TCustomFillField* field) {
    return dynamic_cast<TIntegerFillField*>(field);
}

TFloatFillField* floatField(TCustomFillField* field) {
    return dynamic_cast<TFloatFillField*>(field);
}

} // namespace

void TfrmTestDataGenerator::edIntegerFixedChange() {
    if (auto* f = editable() ? integerField(FCurrentFillField) : nullptr)
        f->StaticValue = edIntegerFixed->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edIntegerIncStepChange() {
    if (auto* f = editable() ? integerField(FCurrentFillField) : nullptr)
        f->StaticValue = edIntegerIncStep->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edIntegerRandomFromChange() {
    if (auto* f = editable() ? integerField(FCurrentFillField) : nullptr)
        f->RangeFrom = edIntegerRandomFrom->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edIntegerIncStartAtChange() {
    if (auto* f = editable() ? integerField(FCurrentFillField) : nullptr)
        f->RangeFrom = edIntegerIncStartAt->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edIntegerRandomToChange() {
    if (auto* f = editable() ? integerField(FCurrentFillField) : nullptr)
        f->RangeTo = edIntegerRandomTo->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::cbIntegerGeneratorChange() {
    auto* f = editable() ? integerField(FCurrentFillField) : nullptr;
    if (!f) return;
    f->GeneratorName = cbIntegerGenerator->currentIndex() < 0
                           ? std::string()
                           : cbIntegerGenerator->currentText().toStdString();
    refreshCurrentField();
}

void TfrmTestDataGenerator::cbFloatGeneratorChange() {
    auto* f = editable() ? floatField(FCurrentFillField) : nullptr;
    if (!f) return;
    f->GeneratorName =
        cbFloatGenerator->currentIndex() < 0 ? std::string() : cbFloatGenerator->currentText().toStdString();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edFloatFixedChange() {
    if (auto* f = editable() ? floatField(FCurrentFillField) : nullptr)
        f->StaticValue = edFloatFixed->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edFloatIncStepChange() {
    if (auto* f = editable() ? floatField(FCurrentFillField) : nullptr)
        f->StaticValue = edFloatIncStep->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edFloatRandomFromChange() {
    if (auto* f = editable() ? floatField(FCurrentFillField) : nullptr)
        f->RangeFrom = edFloatRandomFrom->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edFloatIncStartAtChange() {
    if (auto* f = editable() ? floatField(FCurrentFillField) : nullptr)
        f->RangeFrom = edFloatIncStartAt->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edFloatRandomToChange() {
    if (auto* f = editable() ? floatField(FCurrentFillField) : nullptr) f->RangeTo = edFloatRandomTo->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::SpeedButton5Click() {
    std::optional<QString> answer =
        PageDialogs().InputQuery(this, QStringLiteral("Add Value"), QStringLiteral("Enter Integer value: "));
    if (!answer || answer->isEmpty()) return;
    int32_t value = 0;
    if (!kvl::TryStrToInt(answer->toStdString(), value)) return;
    lbIntegerList->addItem(*answer);
    listChanged(lbIntegerList);
}

void TfrmTestDataGenerator::SpeedButton6Click() {
    deleteSelected(lbIntegerList, "Delete selected integers?");
}
