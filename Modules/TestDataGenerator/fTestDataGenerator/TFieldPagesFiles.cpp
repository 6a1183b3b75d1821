// The pages of BLOB columns: one file, the files of a folder, or a list of files.
#include "TFieldPages.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillObject/TBlobFillField.h"
#include "base/SysUtils.h"
#include "base/Usettings.h"
#include "kvl3_lib/UHostSettings.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

using namespace tdg_pages;

namespace {

TBlobFillField* blobField(TCustomFillField* field) {
    return dynamic_cast<TBlobFillField*>(field);
}

const QString allFiles = QStringLiteral("All Files (*.*)");

} // namespace

void TfrmTestDataGenerator::createBLOBPages(const std::vector<QWidget*>& page) {
    edBLOBFixed = named(new QLineEdit, "edBLOBFixed");
    auto browseFile = [this] {
        QString chosen = PageDialogs().OpenFile(this, edBLOBFixed->text(), allFiles, QString());
        if (!chosen.isEmpty()) edBLOBFixed->setText(chosen);
    };
    (new QFormLayout(page[1]))
        ->addRow(QStringLiteral("Use file"), nameChooser(edBLOBFixed, "btnBLOBFixed", browseFile));

    edBLOBDirectory = named(new QLineEdit, "edBLOBDirectory");
    auto browseFolder = [this] {
        QString chosen = PageDialogs().ChooseFolder(this, edBLOBDirectory->text());
        if (!chosen.isEmpty()) edBLOBDirectory->setText(chosen);
    };
    edBLOBFilter = named(new QLineEdit, "edBLOBFilter");
    edBLOBMaxFiles = wholeNumberEdit("edBLOBMaxFiles", 0);
    auto* maxFiles = new QHBoxLayout;
    maxFiles->addWidget(new QLabel(QStringLiteral("Use a maximum of ")));
    maxFiles->addWidget(edBLOBMaxFiles);
    maxFiles->addWidget(new QLabel(QStringLiteral("files (0 = all files in directory)")));
    maxFiles->addStretch(1);
    auto* directory = new QFormLayout(page[2]);
    directory->addRow(QStringLiteral("Directory"),
                      nameChooser(edBLOBDirectory, "btnBLOBDirectory", browseFolder));
    directory->addRow(QStringLiteral("File filter"), edBLOBFilter);
    directory->addRow(maxFiles);

    lbBLOBList = valueList("lbBLOBList");
    auto* remove = listButton("SpeedButton1", "-", "Delete Selected File");
    auto* add = listButton("SpeedButton2", "+", "Add File");
    (new QVBoxLayout(page[3]))->addWidget(listWithButtons("List of files", lbBLOBList, add, remove));

    using W = TfrmTestDataGenerator;
    connect(edBLOBFixed, &QLineEdit::textChanged, this, &W::edBLOBFixedChange);
    connect(edBLOBDirectory, &QLineEdit::textChanged, this, &W::edBLOBDirectoryChange);
    connect(edBLOBFilter, &QLineEdit::textChanged, this, &W::edBLOBFilterChange);
    connect(edBLOBMaxFiles, &QSpinBox::valueChanged, this, &W::edBLOBMaxFilesChange);
    connect(remove, &QToolButton::clicked, this, &W::SpeedButton1Click);
    connect(add, &QToolButton::clicked, this, &W::SpeedButton2Click);
}

void TfrmTestDataGenerator::ShowBLOBFieldProperties(TBlobFillField* Field) {
    showClassPage(tsBLOB, pcBLOB, Field);
    addFillWithEntries({"[nothing]", "Single File", "Files from Directory", "Files from List"},
                       entryOfCode({0, 1, 2, 3}, Field->FillType));
    edBLOBFixed->setText(qs(Field->FileName));
    edBLOBDirectory->setText(qs(Field->Directory));
    edBLOBFilter->setText(qs(Field->FileFilter));
    edBLOBMaxFiles->setValue(Field->MaxFiles);
    showList(lbBLOBList, Field->ListValues);
}

void TfrmTestDataGenerator::edBLOBFixedChange() {
    if (auto* f = editable() ? blobField(FCurrentFillField) : nullptr)
        f->FileName = edBLOBFixed->text().toStdString();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edBLOBDirectoryChange() {
    auto* f = editable() ? blobField(FCurrentFillField) : nullptr;
    if (!f) return;
    // the folder is stored ready to have file names appended
    std::string folder = kvl::Trim(edBLOBDirectory->text().toStdString());
    f->Directory = folder.empty() ? folder : kvl::IncludeTrailingPathDelimiter(folder);
    refreshCurrentField();
}

void TfrmTestDataGenerator::edBLOBFilterChange() {
    if (auto* f = editable() ? blobField(FCurrentFillField) : nullptr)
        f->FileFilter = edBLOBFilter->text().toStdString();
    refreshCurrentField();
}

void TfrmTestDataGenerator::edBLOBMaxFilesChange() {
    if (auto* f = editable() ? blobField(FCurrentFillField) : nullptr) f->MaxFiles = edBLOBMaxFiles->value();
    refreshCurrentField();
}

void TfrmTestDataGenerator::SpeedButton1Click() {
    deleteSelected(lbBLOBList, "Delete selected files?");
}

void TfrmTestDataGenerator::SpeedButton2Click() {
    QStringList files = PageDialogs().OpenFiles(this, qs(kvl::KVL_HostSettings().LAST_USED_FOLDER), allFiles);
    if (files.isEmpty() || !FCurrentFillField) return;
    lbBLOBList->addItems(files);
    listChanged(lbBLOBList);
}
