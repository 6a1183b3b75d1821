// The settings of the selected table: shown from its project, written straight back.
#include "TFillerTreeModel.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillProjects/TFillProject.h"

#include <QCheckBox>
#include <QSignalBlocker>
#include <QSpinBox>

void TfrmTestDataGenerator::ShowFillProjectProperties(TFillProject* Project) {
    FSelectedProject = Project;
    EnableTableSettings(true);
    // showing a project is no edit of it
    const QSignalBlocker b1(edRowsToGenerate), b2(edRowsPerTransaction), b3(cbEmptyTable),
        b4(cbDisableIndices), b5(cbDisableTriggers);
    bool deactivation = deactivationSupported();
    cbEmptyTable->setChecked(Project->EmptyFirst);
    cbDisableIndices->setEnabled(deactivation);
    cbDisableTriggers->setEnabled(deactivation);
    cbDisableIndices->setChecked(deactivation && Project->DisableIndices);
    cbDisableTriggers->setChecked(deactivation && Project->DisableTriggers);
    edRowsToGenerate->setValue(Project->Rows);
    edRowsPerTransaction->setValue(Project->RowsPerTransaction);
}

void TfrmTestDataGenerator::EnableTableSettings(bool Enable) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             edRowsToGenerate, edRowsPerTransaction, cbEmptyTable, cbDisableIndices, cbDisableTriggers})
        control->setEnabled(Enable);
}

void TfrmTestDataGenerator::refreshSelectedNode() {
    if (FSelectedNode.isValid()) FTreeModel->Refresh(FSelectedNode);
}

void TfrmTestDataGenerator::edRowsToGenerateChange(int value) {
    if (!FSelectedProject || FUpdating) return;
    FSelectedProject->Rows = value;
    refreshSelectedNode();
}

void TfrmTestDataGenerator::edRowsPerTransactionChange(int value) {
    if (!FSelectedProject || FUpdating) return;
    FSelectedProject->RowsPerTransaction = value;
}

void TfrmTestDataGenerator::cbEmptyTableClick(bool checked) {
    if (!FSelectedProject || FUpdating) return;
    FSelectedProject->EmptyFirst = checked;
}

void TfrmTestDataGenerator::cbDisableIndicesClick(bool checked) {
    if (!FSelectedProject || FUpdating) return;
    FSelectedProject->DisableIndices = checked;
}

void TfrmTestDataGenerator::cbDisableTriggersClick(bool checked) {
    if (!FSelectedProject || FUpdating) return;
    FSelectedProject->DisableTriggers = checked;
}
