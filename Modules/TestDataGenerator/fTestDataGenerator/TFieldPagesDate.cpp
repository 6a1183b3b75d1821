// The pages of date, time and date-time columns. The "Between" and "Start at" edits show the
// same two settings, so the start of increasing values moves with the lower random bound.
#include "TFieldPages.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillObject/TDateFillField.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QSpinBox>
#include <QTimeEdit>

using namespace tdg_pages;

namespace {

TDateFillField* dateField(TCustomFillField* field) {
    return dynamic_cast<TDateFillField*>(field);
}

QWidget* dateAndTime(QDateEdit* date, QTimeEdit* time) {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(date);
    row->addWidget(time);
    row->addStretch(1);
    return box;
}

int clampedCount(int64_t value) {
    return static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

} // namespace

void TfrmTestDataGenerator::createTimestampPages(const std::vector<QWidget*>& page) {
    edTimestampFixed = dateEdit("edTimestampFixed");
    edTimestampFixedTime = timeEdit("edTimestampFixedTime");
    (new QFormLayout(page[1]))
        ->addRow(QStringLiteral("Fixed value"), dateAndTime(edTimestampFixed, edTimestampFixedTime));

    edTimestampRandomFrom = dateEdit("edTimestampRandomFrom");
    edTimestampRandomFromTime = timeEdit("edTimestampRandomFromTime");
    edTimestampRandomTo = dateEdit("edTimestampRandomTo");
    edTimestampRandomToTime = timeEdit("edTimestampRandomToTime");
    auto* random = new QFormLayout(page[2]);
    random->addRow(QStringLiteral("Between"), dateAndTime(edTimestampRandomFrom, edTimestampRandomFromTime));
    random->addRow(QStringLiteral("and"), dateAndTime(edTimestampRandomTo, edTimestampRandomToTime));

    edTimestampStartAtDate = dateEdit("edTimestampStartAtDate");
    edTimestampStartAtTime = timeEdit("edTimestampStartAtTime");
    edTimestampIncSeconds = wholeNumberEdit("edTimestampIncSeconds");
    edTimestampIncMinutes = wholeNumberEdit("edTimestampIncMinutes");
    edTimestampIncHours = wholeNumberEdit("edTimestampIncHours");
    edTimestampIncDays = wholeNumberEdit("edTimestampIncDays");
    auto* increasing = new QFormLayout(page[3]);
    increasing->addRow(QStringLiteral("Start at"),
                       dateAndTime(edTimestampStartAtDate, edTimestampStartAtTime));
    increasing->addRow(QStringLiteral("Inc. Seconds"), edTimestampIncSeconds);
    increasing->addRow(QStringLiteral("Inc. Minutes"), edTimestampIncMinutes);
    increasing->addRow(QStringLiteral("Inc. Hours"), edTimestampIncHours);
    increasing->addRow(QStringLiteral("Inc. Days"), edTimestampIncDays);

    using W = TfrmTestDataGenerator;
    connect(edTimestampFixed, &QDateEdit::dateChanged, this, &W::edTimestampFixedChange);
    connect(edTimestampFixedTime, &QTimeEdit::timeChanged, this, &W::edTimestampFixedTimeChange);
    connect(edTimestampRandomFrom, &QDateEdit::dateChanged, this, &W::edTimestampRandomFromChange);
    connect(edTimestampStartAtDate, &QDateEdit::dateChanged, this, &W::edTimestampStartAtDateChange);
    connect(edTimestampRandomFromTime, &QTimeEdit::timeChanged, this, &W::edTimestampRandomFromTimeChange);
    connect(edTimestampStartAtTime, &QTimeEdit::timeChanged, this, &W::edTimestampStartAtTimeChange);
    connect(edTimestampRandomTo, &QDateEdit::dateChanged, this, &W::edTimestampRandomToChange);
    connect(edTimestampRandomToTime, &QTimeEdit::timeChanged, this, &W::edTimestampRandomToTimeChange);
    connect(edTimestampIncSeconds, &QSpinBox::valueChanged, this, &W::edTimestampIncSecondsChange);
    connect(edTimestampIncMinutes, &QSpinBox::valueChanged, this, &W::edTimestampIncMinutesChange);
    connect(edTimestampIncHours, &QSpinBox::valueChanged, this, &W::edTimestampIncHoursChange);
    connect(edTimestampIncDays, &QSpinBox::valueChanged, this, &W::edTimestampIncDaysChange);
}

void TfrmTestDataGenerator::ShowDateFieldProperties(TDateFillField* Field) {
    showClassPage(tsTimestamp, pcTimestamp, Field);
    addFillWithEntries({"[nothing]", "Fixed Value", "Random Values", "Increasing Values"},
                       entryOfCode({0, 1, 2, 21}, Field->FillType));
    edTimestampFixed->setDate(toQDate(Field->StaticDate));
    edTimestampFixedTime->setTime(toQTime(Field->StaticTime));
    edTimestampRandomFrom->setDate(toQDate(Field->DateFrom));
    edTimestampRandomFromTime->setTime(toQTime(Field->TimeFrom));
    edTimestampRandomTo->setDate(toQDate(Field->DateTo));
    edTimestampRandomToTime->setTime(toQTime(Field->TimeTo));
    edTimestampStartAtDate->setDate(toQDate(Field->DateFrom));
    edTimestampStartAtTime->setTime(toQTime(Field->TimeFrom));
    edTimestampIncSeconds->setValue(clampedCount(Field->IncSeconds));
    edTimestampIncMinutes->setValue(clampedCount(Field->IncMinutes));
    edTimestampIncHours->setValue(clampedCount(Field->IncHours));
    edTimestampIncDays->setValue(clampedCount(Field->IncDays));
}

void TfrmTestDataGenerator::edTimestampFixedChange() {
    if (auto* f = editable() ? dateField(FCurrentFillField) : nullptr)
        f->StaticDate = fromQDate(edTimestampFixed->date());
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTimestampFixedTimeChange() {
    if (auto* f = editable() ? dateField(FCurrentFillField) : nullptr)
        f->StaticTime = fromQTime(edTimestampFixedTime->time());
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTimestampRandomFromChange() {
    if (auto* f = editable() ? dateField(FCurrentFillField) : nullptr)
        f->DateFrom = fromQDate(edTimestampRandomFrom->date());
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTimestampStartAtDateChange() {
    if (auto* f = editable() ? dateField(FCurrentFillField) : nullptr)
        f->DateFrom = fromQDate(edTimestampStartAtDate->date());
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTimestampRandomFromTimeChange() {
    if (auto* f = editable() ? dateField(FCurrentFillField) : nullptr)
        f->TimeFrom = fromQTime(edTimestampRandomFromTime->time());
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTimestampStartAtTimeChange() {
    if (auto* f = editable() ? dateField(FCurrentFillField) : nullptr)
        f->TimeFrom = fromQTime(edTimestampStartAtTime->time());
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTimestampRandomToChange() {
    if (auto* f = editable() ? dateField(FCurrentFillField) : nullptr)
        f->DateTo = fromQDate(edTimestampRandomTo->date());
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTimestampRandomToTimeChange() {
    if (auto* f = editable() ? dateField(FCurrentFillField) : nullptr)
        f->TimeTo = fromQTime(edTimestampRandomToTime->time());
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTimestampIncSecondsChange() {
    if (auto* f = editable() ? dateField(FCurrentFillField) : nullptr)
        f->IncSeconds = edTimestampIncSeconds->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTimestampIncMinutesChange() {
    if (auto* f = editable() ? dateField(FCurrentFillField) : nullptr)
        f->IncMinutes = edTimestampIncMinutes->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTimestampIncHoursChange() {
    if (auto* f = editable() ? dateField(FCurrentFillField) : nullptr)
        f->IncHours = edTimestampIncHours->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTimestampIncDaysChange() {
    if (auto* f = editable() ? dateField(FCurrentFillField) : nullptr)
        f->IncDays = edTimestampIncDays->value();
    refreshCurrentField();
}
