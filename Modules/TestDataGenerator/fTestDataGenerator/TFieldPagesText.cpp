// The pages of text columns.
#include "TFieldPages.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillObject/TTextFillField.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace tdg_pages;

namespace {

constexpr int defaultMaxLength = 32767;

TTextFillField* textField(TCustomFillField* field) {
    return dynamic_cast<TTextFillField*>(field);
}

int textEntryOf(int code) {
    if ((code >= 5 && code <= 12) || code == 18 || code == 19 || code == 20 || code == 22) return 2;
    return entryOfCode({0, 1, -1, 2, 4, 3, 21}, code);
}

} // namespace

void TfrmTestDataGenerator::createTextPages(const std::vector<QWidget*>& page) {
    using W = TfrmTestDataGenerator;
    edTextFixed = named(new QLineEdit, "edTextFixed");
    (new QFormLayout(page[1]))->addRow(QStringLiteral("Fixed value"), edTextFixed);

    // twelve options share the page with the NULL strip: the rows are kept tight
    auto* options = new QGridLayout(page[2]);
    options->setContentsMargins(4, 0, 4, 0);
    options->setVerticalSpacing(1);
    int row = 0;
    auto option = [&](QRadioButton*& button, const char* name, const char* caption, int code) {
        button = named(new QRadioButton(QString::fromLatin1(caption)), name);
        options->addWidget(button, row++, 0);
        if (code) connect(button, &QRadioButton::clicked, this, [this, code] { rbTextOptionClick(code); });
    };
    option(rbTextRandom, "rbTextRandom", "Random values", 0);
    edTextRandom = wholeNumberEdit("edTextRandom", 0, 0);
    edTextRandomTo = wholeNumberEdit("edTextRandomTo", 0, 0);
    auto* lengths = new QHBoxLayout;
    lengths->addWidget(new QLabel(QStringLiteral("length")));
    lengths->addWidget(edTextRandom);
    lengths->addWidget(new QLabel(QStringLiteral("to")));
    lengths->addWidget(edTextRandomTo);
    lengths->addStretch(1);
    options->addLayout(lengths, 0, 1);
    option(rbTextURL, "rbTextURL", "Random URLs", 12);
    option(rbTextEmail, "rbTextEmail", "Random E-mail addresses", 11);
    option(rbTextRandomPhone, "rbTextRandomPhone", "Random phone numbers (1-XXX-XXX-XXXX)", 10);
    option(rbTextRandomAddresses, "rbTextRandomAddresses", "Random addresses (street + number)", 7);
    option(rbTextRandomFirstnames, "rbTextRandomFirstnames", "Random first names", 5);
    option(rbTextRandomLastnames, "rbTextRandomLastnames", "Random last names", 6);
    option(rbTextRandomFullNames, "rbTextRandomFullNames", "Random full names (first && last name)", 19);
    option(rbTextRandomCities, "rbTextRandomCities", "Random cities", 8);
    option(rbTextRandomCountries, "rbTextRandomCountries", "Random countries", 9);
    option(rbTextRandomGUID, "rbTextRandomGUID", "Random GUID", 22);
    option(rbTextMasked, "rbTextMasked", "Masked values:", 0);
    edTextMask = named(new QLineEdit, "edTextMask");
    options->addWidget(edTextMask, row - 1, 1);
    options->setRowStretch(row, 1);
    options->setColumnStretch(1, 1);

    edTextFromFile = named(new QLineEdit, "edTextFromFile");
    auto browse = [this] {
        QString chosen = PageDialogs().OpenFile(this, edTextFromFile->text(),
                                                QStringLiteral("Text Files (*.txt);;All Files (*.*)"),
                                                QStringLiteral("txt"));
        if (!chosen.isEmpty()) edTextFromFile->setText(chosen);
    };
    (new QFormLayout(page[3]))
        ->addRow(QStringLiteral("From file"), nameChooser(edTextFromFile, "btnTextFromFile", browse));

    createReferencePair(page[4], cbTextRefTable, "cbTextRefTable", cbTextRefField, "cbTextRefField");

    lbStringList = valueList("lbStringList");
    auto* add = listButton("SpeedButton3", "+", "Add String");
    auto* remove = listButton("SpeedButton4", "-", "Delete Selected String(s)");
    (new QVBoxLayout(page[5]))->addWidget(listWithButtons("List of strings", lbStringList, add, remove));

    edTextIncStartAt = wholeNumberEdit("edTextIncStartAt");
    edTextIncStep = wholeNumberEdit("edTextIncStep");
    cbTextIncIncludeLeadingZeroes =
        named(new QCheckBox(QStringLiteral("Include leading zeros")), "cbTextIncIncludeLeadingZeroes");
    edTextIncDigits = wholeNumberEdit("edTextIncDigits", 0);
    edTextIncDigits->setEnabled(false);
    auto* increasing = new QFormLayout(page[6]);
    increasing->addRow(QStringLiteral("Start at"), edTextIncStartAt);
    increasing->addRow(QStringLiteral("Step"), edTextIncStep);
    increasing->addRow(cbTextIncIncludeLeadingZeroes);
    increasing->addRow(QStringLiteral("Digits"), edTextIncDigits);

    connect(edTextFixed, &QLineEdit::textChanged, this, &W::edTextFixedChange);
    connect(rbTextRandom, &QRadioButton::clicked, this, &W::rbTextRandomClick);
    connect(edTextRandom, &QSpinBox::valueChanged, this, &W::edTextRandomChange);
    connect(edTextRandomTo, &QSpinBox::valueChanged, this, &W::edTextRandomChange);
    connect(rbTextMasked, &QRadioButton::clicked, this, &W::rbTextMaskedClick);
    connect(edTextMask, &QLineEdit::textChanged, this, &W::edTextMaskChange);
    connect(edTextFromFile, &QLineEdit::textChanged, this, &W::edTextFromFileFilenameChange);
    connect(add, &QToolButton::clicked, this, &W::SpeedButton3Click);
    connect(remove, &QToolButton::clicked, this, &W::SpeedButton4Click);
    connect(edTextIncStartAt, &QSpinBox::valueChanged, this, &W::edTextIncStartAtChange);
    connect(edTextIncStep, &QSpinBox::valueChanged, this, &W::edTextIncStepChange);
    connect(edTextIncDigits, &QSpinBox::valueChanged, this, &W::edTextIncDigitsChange);
    connect(cbTextIncIncludeLeadingZeroes, &QCheckBox::toggled, this, &W::cbTextIncIncludeLeadingZeroesClick);
}

void TfrmTestDataGenerator::ShowTextFieldProperties(TTextFillField* Field) {
    showClassPage(tsText, pcText, Field);
    addFillWithEntries({"[nothing]", "Fixed Value", "Random Values", "Custom Values", "Referential Link",
                        "Values From List", "Increasing Values"},
                       textEntryOf(Field->FillType));
    bool varchar = Field->DataTypeName == "Varchar";
    for (QSpinBox* length : {edTextRandom, edTextRandomTo}) {
        length->setMaximum(Field->LengthLimit());
        length->setEnabled(varchar);
    }
    edTextRandom->setValue(Field->LengthFrom);
    edTextRandomTo->setValue(Field->LengthTo);
    edTextFixed->setMaxLength(Field->Size > 0 ? Field->Size : defaultMaxLength);
    edTextFixed->setText(qs(Field->StaticValue));
    edTextMask->setText(qs(Field->Mask));
    const std::pair<QRadioButton*, int> options[] = {{rbTextRandom, 18},         {rbTextURL, 12},
                                                     {rbTextEmail, 11},          {rbTextRandomPhone, 10},
                                                     {rbTextRandomAddresses, 7}, {rbTextRandomFirstnames, 5},
                                                     {rbTextRandomLastnames, 6}, {rbTextRandomFullNames, 19},
                                                     {rbTextRandomCities, 8},    {rbTextRandomCountries, 9},
                                                     {rbTextRandomGUID, 22},     {rbTextMasked, 20}};
    for (const auto& [button, code] : options)
        setOption(button, Field->FillType == code);
    edTextFromFile->setText(qs(Field->FileName));
    edTextIncStartAt->setValue(Field->IncStart);
    edTextIncStep->setValue(Field->IncStep);
    cbTextIncIncludeLeadingZeroes->setChecked(Field->IncFixedDigits);
    edTextIncDigits->setValue(Field->IncDigits);
    edTextIncDigits->setEnabled(Field->IncFixedDigits);
    showReference(cbTextRefTable, cbTextRefField, Field);
    showList(lbStringList, Field->ListValues);
}

void TfrmTestDataGenerator::edTextFixedChange() {
    if (auto* f = editable() ? textField(FCurrentFillField) : nullptr)
        f->StaticValue = edTextFixed->text().toStdString();
    refreshCurrentField();
}

void TfrmTestDataGenerator::rbTextRandomClick() {
    auto* f = editable() ? textField(FCurrentFillField) : nullptr;
    if (!f) return;
    f->FillType = 18;
    f->LengthFrom = edTextRandom->value();
    f->LengthTo = edTextRandomTo->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTextRandomChange() {
    auto* f = editable() ? textField(FCurrentFillField) : nullptr;
    if (!f || f->FillType != 18) return;
    f->LengthFrom = edTextRandom->value();
    f->LengthTo = edTextRandomTo->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::rbTextMaskedClick() {
    auto* f = editable() ? textField(FCurrentFillField) : nullptr;
    if (!f) return;
    f->FillType = 20;
    f->Mask = edTextMask->text().toStdString();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTextMaskChange() {
    auto* f = editable() ? textField(FCurrentFillField) : nullptr;
    if (!f || f->FillType != 20) return;
    f->Mask = edTextMask->text().toStdString();
    refreshCurrentField();
}

void TfrmTestDataGenerator::rbTextOptionClick(int code) {
    auto* f = editable() ? textField(FCurrentFillField) : nullptr;
    if (!f) return;
    f->FillType = code;
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTextFromFileFilenameChange() {
    if (auto* f = editable() ? textField(FCurrentFillField) : nullptr)
        f->FileName = edTextFromFile->text().toStdString();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTextIncStartAtChange() {
    if (auto* f = editable() ? textField(FCurrentFillField) : nullptr)
        f->IncStart = edTextIncStartAt->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTextIncStepChange() {
    if (auto* f = editable() ? textField(FCurrentFillField) : nullptr) f->IncStep = edTextIncStep->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edTextIncDigitsChange() {
    if (auto* f = editable() ? textField(FCurrentFillField) : nullptr)
        f->IncDigits = edTextIncDigits->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::cbTextIncIncludeLeadingZeroesClick(bool checked) {
    auto* f = editable() ? textField(FCurrentFillField) : nullptr;
    if (!f) return;
    f->IncFixedDigits = checked;
    edTextIncDigits->setEnabled(checked);
    refreshCurrentField();
}

void TfrmTestDataGenerator::SpeedButton3Click() {
    std::optional<QString> answer =
        PageDialogs().InputQuery(this, QStringLiteral("Add String"), QStringLiteral("Enter text: "));
    if (answer && !answer->isEmpty()) lbStringList->addItem(*answer);
    listChanged(lbStringList);
}

void TfrmTestDataGenerator::SpeedButton4Click() {
    deleteSelected(lbStringList, "Delete selected strings?");
}
