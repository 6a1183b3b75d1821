// The toolbar commands that act on the whole set of tables: the settings file and the order
// of the tables.
#include "TFillerTreeModel.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillObject/TCustomFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "kvl3_lib/UHostSettings.h"
#include "kvl3_lib/UScreenCursor.h"
#include "uSettingsGuess.h"

#include <QFileDialog>
#include <QTreeView>
#include <functional>
#include <vector>

namespace {

const char* const kSettingsFilter = "Test Data Generator Files (*.tdg);;All Files (*.*)";

// The dialogs start in the folder the user last chose a file in.
std::string chooseFile(QWidget* parent, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, QString(), QString::fromStdString(kvl::KVL_HostSettings().LAST_USED_FOLDER),
                       QString::fromLatin1(kSettingsFilter));
    dialog.setObjectName(mode == QFileDialog::AcceptOpen ? QStringLiteral("odOpen")
                                                         : QStringLiteral("sdSave"));
    dialog.setAcceptMode(mode);
    dialog.setDefaultSuffix(QStringLiteral("tdg"));
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first().toStdString();
}

// Clears a flag also when the scope is left by an exception.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlagScope() { flag_ = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
};

} // namespace

void TfrmTestDataGenerator::btnLoadClick() {
    std::string name = chooseFile(this, QFileDialog::AcceptOpen);
    if (!name.empty()) LoadSettingsFile(name);
}

void TfrmTestDataGenerator::LoadSettingsFile(const std::string& FileName) {
    kvl::TWaitCursorScope cursor;
    kvl::KVL_HostSettings().Settings_SaveLastUsedFolder(FileName);
    TFlagScope updating(FUpdating);
    // the check marks come from doFill as the nodes are built again
    rebuildTree([&] { FFillProjects->LoadFromFile(FileName); });
    // the open column page shows the loaded settings, not those from before
    if (TCustomFillField* field = FCurrentFillField) {
        QModelIndex table = FTreeModel->TableNode(field->getProject());
        for (int row = 0; row < FTreeModel->rowCount(table); ++row)
            if (FTreeModel->FillFieldOf(FTreeModel->index(row, 0, table)) == field)
                tvFiller->setCurrentIndex(FTreeModel->index(row, 0, table));
        ShowFillFieldProperties(field);
    }
}

void TfrmTestDataGenerator::btnSaveClick() {
    std::string name = chooseFile(this, QFileDialog::AcceptSave);
    if (!name.empty()) SaveSettingsFile(name);
}

void TfrmTestDataGenerator::SaveSettingsFile(const std::string& FileName) {
    kvl::TWaitCursorScope cursor;
    FFillProjects->SaveToFile(FileName);
    kvl::KVL_HostSettings().Settings_SaveLastUsedFolder(FileName);
}

void TfrmTestDataGenerator::rebuildTree(const std::function<void()>& change) {
    // the tables the user had opened stay open wherever the change moves them
    std::vector<TFillProject*> open;
    for (TFillProject* p : FFillProjects->Projects)
        if (tvFiller->isExpanded(FTreeModel->TableNode(p))) open.push_back(p);
    change();
    FTreeModel->Reset();
    for (TFillProject* p : open)
        tvFiller->expand(FTreeModel->TableNode(p));
    FSelectedNode = FSelectedProject ? FTreeModel->TableNode(FSelectedProject) : QModelIndex();
    // the selected table stays selected, so that it can be moved step by step
    if (FSelectedNode.isValid()) tvFiller->setCurrentIndex(FSelectedNode);
    tvFiller->viewport()->update();
}

void TfrmTestDataGenerator::aMoveTableUpExecute() {
    if (!FSelectedProject || FFillProjects->IndexOfProject(FSelectedProject) <= 0) return;
    rebuildTree([this] { FFillProjects->MoveProjectUp(FSelectedProject); });
}

void TfrmTestDataGenerator::aMoveTableDownExecute() {
    if (!FSelectedProject) return;
    int index = FFillProjects->IndexOfProject(FSelectedProject);
    if (index < 0 || index >= FFillProjects->GetProjectCount() - 1) return;
    rebuildTree([this] { FFillProjects->MoveProjectDown(FSelectedProject); });
}

void TfrmTestDataGenerator::shuffle(TTableShuffleMethod Method) {
    kvl::TWaitCursorScope cursor;
    rebuildTree([&] { FFillProjects->ShuffleTables(Method); });
}

void TfrmTestDataGenerator::aShuffleOnlyToFillExecute() {
    shuffle(tsmToFillOnly);
}

void TfrmTestDataGenerator::aShuffleAllExecute() {
    shuffle(tsmAll);
}

void TfrmTestDataGenerator::aShuffleAllWithOptionsExecute() {
    shuffle(tsmToFillAndWithOptions);
}

void TfrmTestDataGenerator::guessSettings(bool keepSettings) {
    kvl::TWaitCursorScope cursor;
    TGuessOptions options;
    options.KeepSettings = keepSettings;
    options.Only = [](const TFillProject& p) { return p.doFill; };
    rebuildTree([&] { GuessSettings(*FFillProjects, options); });
}

void TfrmTestDataGenerator::aGuessSettingsExecute() {
    guessSettings(true);
}

void TfrmTestDataGenerator::aGuessAllSettingsExecute() {
    guessSettings(false);
}

void TfrmTestDataGenerator::aFillPlanExecute() {
    shuffle(tsmFillPlan);
}
