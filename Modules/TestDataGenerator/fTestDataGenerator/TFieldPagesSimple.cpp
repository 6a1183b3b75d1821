// The pages of GUID and Boolean columns; the GUID reference pair is made with the frame.
#include "TFieldPages.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillObject/TBoolBitFillField.h"
#include "UTFillObject/TGUIDFillField.h"

#include <QCheckBox>
#include <QVBoxLayout>

using namespace tdg_pages;

void TfrmTestDataGenerator::createBooleanPages(const std::vector<QWidget*>& page) {
    cbBooleanFixed = named(new QCheckBox(QStringLiteral("Fixed Value")), "cbBooleanFixed");
    auto* layout = new QVBoxLayout(page[1]);
    layout->addWidget(cbBooleanFixed);
    layout->addStretch(1);
    connect(cbBooleanFixed, &QCheckBox::toggled, this, &TfrmTestDataGenerator::cbBooleanFixedClick);
}

void TfrmTestDataGenerator::ShowGUIDFieldProperties(TGUIDFillField* Field) {
    showClassPage(tsGUID, pcGUID, Field);
    addFillWithEntries({"[nothing]", "Random GUID", "Referential Link"},
                       entryOfCode({0, 22, 4}, Field->FillType));
    showReference(cbGUIDRefTable, cbGUIDRefField, Field);
}

void TfrmTestDataGenerator::ShowBooleanFieldProperties(TBoolBitFillField* Field) {
    showClassPage(tsBoolean, pcBoolean, Field);
    addFillWithEntries({"[nothing]", "Fixed Value", "Random Values"},
                       entryOfCode({0, 1, 2}, Field->FillType));
    cbBooleanFixed->setChecked(Field->StaticValue);
}

void TfrmTestDataGenerator::cbBooleanFixedClick(bool checked) {
    auto* f = editable() ? dynamic_cast<TBoolBitFillField*>(FCurrentFillField) : nullptr;
    if (!f) return;
    f->StaticValue = checked;
    refreshCurrentField();
}
