#include "TfrmTestDataGenerator.h"

#include "TFillerTreeModel.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "kvl3_db/ServerKind.h"
#include "kvl3_lib/UScreenCursor.h"
#include "kvl3_lib/Umodulemanager.h"
#include "uTFillStructureEngineVEX.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeView>
#include <algorithm>

namespace {

bool singleConnection(const kvl::TKVL_Connection& connection) {
    return connection.ModeText() == "0";
}

void addSorted(QComboBox* box, const QString& text, const QVariant& data = {}) {
    box->addItem(text, data);
    box->model()->sort(0);
}

} // namespace

TfrmTestDataGenerator::TfrmTestDataGenerator(QWidget* AOwner, kvl::TKVL_Connection* Connection,
                                             const kvl::TKVL_InterfaceList& SchemaList,
                                             std::shared_ptr<kvl::IKVL_Database> Database)
    : kvl::TfrmQSFConnectionForm(AOwner), FDatabase(std::move(Database)), FSchemaList(SchemaList) {
    createLayout();
    FormCreate();
    SetCaption(GetCaption() + ": " + kvl::MM_GetCurrentSessionName());
    SetConnection(Connection);
    if (singleConnection(*Connection) && deactivationSupported()) miFillThreaded->setEnabled(false);

    FFillProjects = std::make_unique<TFillProjects>();
    FFillProjects->SetdefaultIndex(deactivationSupported());
    FFillProjects->SetdefaultTrigger(deactivationSupported());
    FStructureEngine = std::make_unique<TFillStructureEngineVEX>(*Connection, FDatabase, nullptr);
    FFillProjects->SetStructureEngine(FStructureEngine.get());
    connectHandlers();
    connectRunControl();
    if (singleConnection(*Connection)) FStructureEngine->UseConnection(Connection);

    auto schema = GetSchema();
    if (schema && schema->Capability(kvl::capSequences).Present) {
        QString name = QString::fromStdString(schema->KindDisplayName(kvl::okGenerator, false));
        lblIntGenerator->setText(name);
        lblFloatGenerator->setText(name);
    }
    fillGeneratorLists();
    fillReferenceTableLists();

    FTreeModel = new TFillerTreeModel(*FFillProjects, this);
    FTreeModel->OnInitFailed = [this](const std::exception& e) { tvFillerInitFailed(e); };
    tvFiller->setModel(FTreeModel);
    // The names take what the other columns leave, so that "P. Key" is never cut at the right
    // edge, and no column is narrower than its caption.
    static const int widths[] = {231, 93, 58, 48};
    QHeaderView* header = tvFiller->header();
    for (int i = 0; i < TFillerTreeModel::colCount; ++i)
        header->resizeSection(i, std::max(widths[i], header->sectionSizeHint(i)));
    header->setSectionResizeMode(TFillerTreeModel::colName, QHeaderView::Stretch);
    connect(FTreeModel, &TFillerTreeModel::checked, this, &TfrmTestDataGenerator::tvFillerChecked);
    connect(FTreeModel, &TFillerTreeModel::expanding, this, &TfrmTestDataGenerator::tvFillerExpanding);
    connect(tvFiller, &QTreeView::expanded, this, &TfrmTestDataGenerator::tvFillerExpanded);
    connect(tvFiller->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { tvFillerChange(current); });
    FillTreeview();
}

TfrmTestDataGenerator::~TfrmTestDataGenerator() {
    FormDestroy();
}

void TfrmTestDataGenerator::FormCreate() {
    kvl::TfrmQSFConnectionForm::FormCreate();
    // the page sets of the column settings have no tabs; the program switches them
    pcTDG->setCurrentWidget(tsTDG);
    pcField->setCurrentIndex(0);
    pcFloat->setCurrentIndex(0);
    FAllMessages = std::make_unique<kvl::TStringList>();
    for (QComboBox* box : {cbFloatGenerator, cbFloatRefTable, cbFloatRefField, cbIntegerGenerator,
                           cbIntegerRefTable, cbIntegerRefField, cbTextRefTable, cbTextRefField})
        box->view()->setMinimumWidth(300);
}

void TfrmTestDataGenerator::FormDestroy() {
    // the model reads the projects while it goes; it must go first
    if (FTreeModel) tvFiller->setModel(nullptr);
    FAllMessages.reset();
    if (FFillProjects) FFillProjects->SetStructureEngine(nullptr);
    FStructureEngine.reset();
}

std::shared_ptr<kvl::IKVL_Schema> TfrmTestDataGenerator::GetSchema() const {
    return FDatabase ? FDatabase->DefaultSchema() : nullptr;
}

bool TfrmTestDataGenerator::deactivationSupported() const {
    int kind = GetConnection()->ServerKind();
    return kind == kvl::skFirebirdEmbedded || kind == kvl::skFirebird;
}

void TfrmTestDataGenerator::connectHandlers() {
    using namespace std::placeholders;
    TFillProjects& p = *FFillProjects;
    p.OnFillFinished = std::bind(&TfrmTestDataGenerator::FillProjectsFillFinished, this, _1);
    p.OnFillProgress =
        std::bind(&TfrmTestDataGenerator::FillProjectsFillProgress, this, _1, _2, _3, _4, _5, _6);
    p.OnInitTableFill =
        std::bind(&TfrmTestDataGenerator::FillProjectsInitTableFill, this, _1, _2, _3, _4, _5);
    p.OnTaskUpdate = std::bind(&TfrmTestDataGenerator::FillProjectsTaskUpdate, this, _1, _2);
    p.OnExternalDataInit = std::bind(&TfrmTestDataGenerator::FillProjectsExternalDataInit, this, _1, _2);
}

void TfrmTestDataGenerator::fillGeneratorLists() {
    cbFloatGenerator->clear();
    cbIntegerGenerator->clear();
    if (!FDatabase) return;
    for (const auto& object : FDatabase->ObjectsOfKind(kvl::okGenerator)) {
        if (!object) continue;
        QString name = QString::fromStdString(object->DisplayName());
        addSorted(cbFloatGenerator, name);
        addSorted(cbIntegerGenerator, name);
    }
}

void TfrmTestDataGenerator::fillReferenceTableLists() {
    if (!FDatabase) return;
    for (const auto& object : FDatabase->ObjectsOfKind(kvl::okRelation)) {
        if (!object) continue;
        QString name = QString::fromStdString(object->DisplayName());
        QVariant ref = QVariant::fromValue(object);
        for (QComboBox* box : {cbFloatRefTable, cbIntegerRefTable, cbTextRefTable, cbGUIDRefTable})
            addSorted(box, name, ref);
    }
}

void TfrmTestDataGenerator::FillTreeview() {
    FSelectedProject = nullptr;
    FSelectedNode = QModelIndex();
    FCurrentFillField = nullptr;
    FFillProjects->CreateStructure();
    FTreeModel->Reset();
}

void TfrmTestDataGenerator::tvFillerChecked(const QModelIndex& node) {
    tvFiller->setCurrentIndex(node);
}

void TfrmTestDataGenerator::tvFillerChange(const QModelIndex& node) {
    if (!node.isValid()) return;
    QModelIndex row = node.siblingAtColumn(TFillerTreeModel::colName);
    if (FTreeModel->IsTableNode(row)) {
        ShowFillProjectProperties(FTreeModel->ProjectOf(row));
        FSelectedNode = row;
        return;
    }
    QModelIndex table = FTreeModel->parent(row);
    ShowFillProjectProperties(FTreeModel->ProjectOf(table));
    FSelectedNode = table;
    try {
        ShowFillFieldProperties(FTreeModel->FillFieldOf(row));
    } catch (const std::exception& e) {
        reportError(e);
    }
}

void TfrmTestDataGenerator::tvFillerExpanding(const QModelIndex&) {
    kvl::ScreenWaitCursor();
}

void TfrmTestDataGenerator::tvFillerExpanded(const QModelIndex& node) {
    // a hidden or not yet laid out view leaves the reading to us
    if (FTreeModel->canFetchMore(node)) FTreeModel->fetchMore(node);
    kvl::ScreenNormalCursor();
}

void TfrmTestDataGenerator::tvFillerInitFailed(const std::exception& error) {
    kvl::ScreenNormalCursor();
    QMessageBox::critical(this, windowTitle(), QString::fromStdString(error.what()));
}
