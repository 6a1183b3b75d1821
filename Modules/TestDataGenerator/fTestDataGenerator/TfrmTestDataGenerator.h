#pragma once
#include "UTFillProjects/Events.h"
#include "base/StringList.h"
#include "kvl3_db/Ukvl_catalogue.h"
#include "kvl3_lib/fQSFConnectionForm.h"

#include <QMetaType>
#include <QModelIndex>
#include <memory>
#include <string>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QPainter;
class QPlainTextEdit;
class QRect;
class QSpinBox;
class QSplitter;
class QStackedWidget;
class QStatusBar;
class QTabBar;
class QTabWidget;
class QToolButton;
class QTreeView;
class QWidget;
class TCustomFillField;
class TFillProject;
class TFillProjects;
class TFillStructureEngineVEX;
class TFillerTreeModel;

// The source lists carry the catalogue object of each table.
Q_DECLARE_METATYPE(kvl::IKVL_Ref)

// The module's window: the tables of the session's schema as a tree of tables and columns, the
// settings of the selected table and column, the run control and its messages. Every control
// writes straight into the fill projects; there is no apply step.
class TfrmTestDataGenerator : public kvl::TfrmQSFConnectionForm {
    Q_OBJECT
public:
    TfrmTestDataGenerator(QWidget* AOwner, kvl::TKVL_Connection* Connection,
                          const kvl::TKVL_InterfaceList& SchemaList,
                          std::shared_ptr<kvl::IKVL_Database> Database);
    ~TfrmTestDataGenerator() override;

    void FillTreeview();
    std::shared_ptr<kvl::IKVL_Database> GetDatabase() const { return FDatabase; }
    std::shared_ptr<kvl::IKVL_Schema> GetSchema() const;
    void ShowFillProjectProperties(TFillProject* Project);
    void EnableTableSettings(bool Enable);
    void ShowFillFieldProperties(TCustomFillField* Field);
    void PrintForm() override {}

    TFillProjects& FillProjects() const { return *FFillProjects; }
    TFillProject* SelectedProject() const { return FSelectedProject; }
    TCustomFillField* CurrentFillField() const { return FCurrentFillField; }
    TFillerTreeModel& TreeModel() const { return *FTreeModel; }

    // run control and the toolbar commands on the whole set of tables
    void btnRunClick(QObject* Sender);
    void btnCancelClick();
    void AddMessage(const std::string& Msg);
    void EnableControls(bool Enable);
    void btnLoadClick();
    void btnSaveClick();
    // the second halves of load and save, once a file name has been chosen
    void LoadSettingsFile(const std::string& FileName);
    void SaveSettingsFile(const std::string& FileName);
    void aMoveTableUpExecute();
    void aMoveTableDownExecute();
    void aShuffleOnlyToFillExecute();
    void aShuffleAllExecute();
    void aShuffleAllWithOptionsExecute();
    bool Filling() const { return FFilling; }
    const kvl::TStringList& AllMessages() const { return *FAllMessages; }

protected:
    void FormCreate() override;
    void FormDestroy();

    // the project tree
    void tvFillerChecked(const QModelIndex& node);
    void tvFillerChange(const QModelIndex& node);
    void tvFillerExpanding(const QModelIndex& node);
    void tvFillerExpanded(const QModelIndex& node);
    void tvFillerInitFailed(const std::exception& error);

    // the table settings
    void edRowsToGenerateChange(int value);
    void edRowsPerTransactionChange(int value);
    void cbEmptyTableClick(bool checked);
    void cbDisableIndicesClick(bool checked);
    void cbDisableTriggersClick(bool checked);

    // the run's events
    void FillProjectsInitTableFill(TFillProject* Sender, const std::string& currTable,
                                   const std::string& currTask, int tableIndex, int rowsToInsert);
    void FillProjectsFillProgress(TFillProject* Sender, int currRow, int rowErrors, int rowsPerSec,
                                  kvl::TDateTime timeElapsed, kvl::TDateTime timeNeeded);
    void FillProjectsTaskUpdate(TFillProject* Sender, const std::string& task);
    void FillProjectsFillFinished(TFillProject* Sender);
    void FillProjectsExternalDataInit(TExternalDataKind DataKind, kvl::TStringList& TargetList);
    void ThreadError(const std::string& ExceptionMessage);
    void ThreadTerminate(QObject* Sender);
    void tsMessageTabsChange(int NewTab);
    void sbFillerDrawPanel(QPainter& Canvas, const QRect& Rect);
    void FormClose(kvl::TCloseAction& Action) override;

private:
    // construction of the controls, one area each
    void createLayout();
    void createToolbar();
    void createStatusBar();
    QWidget* createTreePanel();
    QWidget* createSettingsPanel();
    QWidget* createTableSettings();
    QWidget* createFieldSettings();
    QWidget* createMessagesPage();
    void connectHandlers();
    void fillGeneratorLists();
    void fillReferenceTableLists();
    bool deactivationSupported() const;
    void refreshSelectedNode();
    void connectRunControl();
    void runOnWindowThread();
    void runThreaded();
    void clearMessages();
    void setPanelText(int Panel, const std::string& Text);
    void rebuildTree();
    void shuffle(TTableShuffleMethod Method);

    std::shared_ptr<kvl::IKVL_Database> FDatabase;
    kvl::TKVL_InterfaceList FSchemaList;
    std::unique_ptr<TFillProjects> FFillProjects;
    std::unique_ptr<TFillStructureEngineVEX> FStructureEngine;
    std::unique_ptr<kvl::TStringList> FAllMessages;
    bool FFilling = false;
    int FRowsToInsert = 0;
    int FCurrentRow = 0;
    bool FUpdating = false;
    TFillProject* FSelectedProject = nullptr;
    QModelIndex FSelectedNode;
    TCustomFillField* FCurrentFillField = nullptr;
    QStackedWidget* FCurrentTypePages = nullptr;
    TFillerTreeModel* FTreeModel = nullptr;

    // toolbar and status bar
    QToolButton* btnLoad = nullptr;
    QToolButton* btnSave = nullptr;
    QToolButton* btnRun = nullptr;
    QAction* miFillThreaded = nullptr;
    QAction* miFillNonThreaded = nullptr;
    QToolButton* btnCancel = nullptr;
    QAction* aMoveTableUp = nullptr;
    QAction* aMoveTableDown = nullptr;
    QAction* aShuffleOnlyToFill = nullptr;
    QAction* aShuffleAll = nullptr;
    QAction* aShuffleAllWithOptions = nullptr;
    QStatusBar* sbFiller = nullptr;
    QLabel* sbFillerPanels[6] = {};

    // pages
    QTabWidget* pcTDG = nullptr;
    QWidget* tsTDG = nullptr;
    QWidget* tsMessages = nullptr;
    QSplitter* splTDG = nullptr;
    QWidget* pnlLeft = nullptr;
    QWidget* pnlRight = nullptr;
    QTreeView* tvFiller = nullptr;
    QPlainTextEdit* memMessages = nullptr;
    QTabBar* tsMessageTabs = nullptr;

    // table settings
    QSpinBox* edRowsToGenerate = nullptr;
    QSpinBox* edRowsPerTransaction = nullptr;
    QCheckBox* cbEmptyTable = nullptr;
    QCheckBox* cbDisableIndices = nullptr;
    QCheckBox* cbDisableTriggers = nullptr;

    // column settings
    QComboBox* cbFillWith = nullptr;
    QStackedWidget* pcField = nullptr;
    QStackedWidget* pcFloat = nullptr;
    QLabel* lblIntGenerator = nullptr;
    QLabel* lblFloatGenerator = nullptr;
    QComboBox* cbFloatGenerator = nullptr;
    QComboBox* cbIntegerGenerator = nullptr;
    QComboBox* cbFloatRefTable = nullptr;
    QComboBox* cbFloatRefField = nullptr;
    QComboBox* cbIntegerRefTable = nullptr;
    QComboBox* cbIntegerRefField = nullptr;
    QComboBox* cbTextRefTable = nullptr;
    QComboBox* cbTextRefField = nullptr;
    QComboBox* cbGUIDRefTable = nullptr;
    QComboBox* cbGUIDRefField = nullptr;
};
