#pragma once
#include "TFillThread.h"
#include "UTFillProjects/Events.h"
#include "base/StringList.h"
#include "kvl3_db/Ukvl_catalogue.h"
#include "kvl3_lib/fQSFConnectionForm.h"

#include <QElapsedTimer>
#include <QMetaType>
#include <QModelIndex>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPainter;
class QRadioButton;
class QStyleOptionViewItem;
class QTimeEdit;
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
class TBlobFillField;
class TBoolBitFillField;
class TCustomFillField;
class TDateFillField;
class TFloatFillField;
class TGUIDFillField;
class TIntegerFillField;
class TTextFillField;
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
    // Guessed settings for the marked tables: for columns without settings, or for all again.
    void aGuessSettingsExecute();
    void aGuessAllSettingsExecute();
    void aFillPlanExecute();
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

    // the column settings pages
    void ShowTextFieldProperties(TTextFillField* Field);
    void ShowIntegerFieldProperties(TIntegerFillField* Field);
    void ShowFloatFieldProperties(TFloatFillField* Field);
    void ShowDateFieldProperties(TDateFillField* Field);
    void ShowBLOBFieldProperties(TBlobFillField* Field);
    void ShowGUIDFieldProperties(TGUIDFillField* Field);
    void ShowBooleanFieldProperties(TBoolBitFillField* Field);
    void cbFillWithChange();
    void SetFieldFillType();
    void edIntegerIncludeNULLsPercentageChange(int value);
    void cbIntegerIncludeNULLsClick(bool checked);
    void edIntegerFixedChange();
    void edIntegerIncStepChange();
    void edIntegerRandomFromChange();
    void edIntegerIncStartAtChange();
    void edIntegerRandomToChange();
    void cbIntegerGeneratorChange();
    void cbFloatGeneratorChange();
    void cbIntegerGeneratorDropDown(QComboBox* Sender);
    void edFloatFixedChange();
    void edFloatIncStepChange();
    void edFloatRandomFromChange();
    void edFloatIncStartAtChange();
    void edFloatRandomToChange();
    void cbFloatRefTableChange(QComboBox* Sender);
    void cbFloatRefFieldChange(QComboBox* Sender);
    void cbTextRefTableDrawItem(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const;
    void cbTextRefFieldDrawItem(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const;
    void edTextFixedChange();
    void rbTextRandomClick();
    void edTextRandomChange();
    void rbTextMaskedClick();
    void edTextMaskChange();
    void rbTextOptionClick(int code);
    void edTextFromFileFilenameChange();
    void edTextIncStartAtChange();
    void edTextIncStepChange();
    void edTextIncDigitsChange();
    void cbTextIncIncludeLeadingZeroesClick(bool checked);
    void edTimestampFixedChange();
    void edTimestampFixedTimeChange();
    void edTimestampRandomFromChange();
    void edTimestampStartAtDateChange();
    void edTimestampRandomFromTimeChange();
    void edTimestampStartAtTimeChange();
    void edTimestampRandomToChange();
    void edTimestampRandomToTimeChange();
    void edTimestampIncSecondsChange();
    void edTimestampIncMinutesChange();
    void edTimestampIncHoursChange();
    void edTimestampIncDaysChange();
    void edBLOBFixedChange();
    void edBLOBDirectoryChange();
    void edBLOBFilterChange();
    void edBLOBMaxFilesChange();
    void cbBooleanFixedClick(bool checked);
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();

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
    // the column settings pages, one page set per fill-field class
    void createTextPages(const std::vector<QWidget*>& page);
    void createIntegerPages(const std::vector<QWidget*>& page);
    void createFloatPages(const std::vector<QWidget*>& page);
    void createTimestampPages(const std::vector<QWidget*>& page);
    void createBLOBPages(const std::vector<QWidget*>& page);
    void createBooleanPages(const std::vector<QWidget*>& page);
    void createReferencePair(QWidget* page, QComboBox*& table, const char* tableName, QComboBox*& field,
                             const char* fieldName);
    void createGeneratorRow(QWidget* page, QLabel*& label, const char* labelName, QComboBox*& list,
                            const char* listName);
    void showClassPage(QWidget* classPage, QStackedWidget* pages, TCustomFillField* Field);
    void addFillWithEntries(std::initializer_list<const char*> entries, int chosen);
    void showReference(QComboBox* table, QComboBox* field, TCustomFillField* Field);
    void linkToForeignKey();
    void refreshCurrentField();
    bool editable() const;
    void reportError(const std::exception& error);
    void listChanged(QListWidget* list);
    void deleteSelected(QListWidget* list, const char* question);
    void connectRunControl();
    void runOnWindowThread();
    void runThreaded();
    void clearMessages();
    // shows the message lines added since the last time
    void flushMessages();
    // the same for a threaded run's batches, at most kMessageIntervalMs apart
    void flushMessagesNowAndThen();
    void setPanelText(int Panel, const std::string& Text);
    // Builds the nodes again after change reorders or reloads the tables.
    void rebuildTree(const std::function<void()>& change);
    void shuffle(TTableShuffleMethod Method);
    void guessSettings(bool keepSettings);

    std::shared_ptr<kvl::IKVL_Database> FDatabase;
    kvl::TKVL_InterfaceList FSchemaList;
    std::unique_ptr<TFillProjects> FFillProjects;
    std::unique_ptr<TFillStructureEngineVEX> FStructureEngine;
    std::unique_ptr<kvl::TStringList> FAllMessages;
    // lines of the "Messages" tab not yet in the text view
    QStringList FShownBatch;
    // since the last lines went into the text view
    QElapsedTimer FMessagesShown;
    // the worker of a threaded run, while it runs
    QPointer<TFillThread> FRunThread;
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
    QAction* aGuessSettings = nullptr;
    QAction* aGuessAllSettings = nullptr;
    QAction* aFillPlan = nullptr;
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

    // the pages of the classes
    QCheckBox* cbNULLs[7] = {};
    QSpinBox* edNULLsPercentage[7] = {};
    QStackedWidget* pcText = nullptr;
    QStackedWidget* pcInteger = nullptr;
    QStackedWidget* pcTimestamp = nullptr;
    QStackedWidget* pcBLOB = nullptr;
    QStackedWidget* pcGUID = nullptr;
    QStackedWidget* pcBoolean = nullptr;
    QWidget* tsText = nullptr;
    QWidget* tsInteger = nullptr;
    QWidget* tsFloat = nullptr;
    QWidget* tsTimestamp = nullptr;
    QWidget* tsBLOB = nullptr;
    QWidget* tsGUID = nullptr;
    QWidget* tsBoolean = nullptr;
    QSpinBox* edIntegerFixed = nullptr;
    QSpinBox* edIntegerRandomFrom = nullptr;
    QSpinBox* edIntegerRandomTo = nullptr;
    QSpinBox* edIntegerIncStartAt = nullptr;
    QSpinBox* edIntegerIncStep = nullptr;
    QListWidget* lbIntegerList = nullptr;
    QDoubleSpinBox* edFloatFixed = nullptr;
    QDoubleSpinBox* edFloatRandomFrom = nullptr;
    QDoubleSpinBox* edFloatRandomTo = nullptr;
    QDoubleSpinBox* edFloatIncStartAt = nullptr;
    QDoubleSpinBox* edFloatIncStep = nullptr;
    QLineEdit* edTextFixed = nullptr;
    QRadioButton* rbTextRandom = nullptr;
    QRadioButton* rbTextURL = nullptr;
    QRadioButton* rbTextEmail = nullptr;
    QRadioButton* rbTextRandomPhone = nullptr;
    QRadioButton* rbTextRandomAddresses = nullptr;
    QRadioButton* rbTextRandomFirstnames = nullptr;
    QRadioButton* rbTextRandomLastnames = nullptr;
    QRadioButton* rbTextRandomFullNames = nullptr;
    QRadioButton* rbTextRandomCities = nullptr;
    QRadioButton* rbTextRandomCountries = nullptr;
    QRadioButton* rbTextRandomGUID = nullptr;
    QRadioButton* rbTextMasked = nullptr;
    QSpinBox* edTextRandom = nullptr;
    QSpinBox* edTextRandomTo = nullptr;
    QLineEdit* edTextMask = nullptr;
    QLineEdit* edTextFromFile = nullptr;
    QListWidget* lbStringList = nullptr;
    QSpinBox* edTextIncStartAt = nullptr;
    QSpinBox* edTextIncStep = nullptr;
    QCheckBox* cbTextIncIncludeLeadingZeroes = nullptr;
    QSpinBox* edTextIncDigits = nullptr;
    QDateEdit* edTimestampFixed = nullptr;
    QTimeEdit* edTimestampFixedTime = nullptr;
    QDateEdit* edTimestampRandomFrom = nullptr;
    QTimeEdit* edTimestampRandomFromTime = nullptr;
    QDateEdit* edTimestampRandomTo = nullptr;
    QTimeEdit* edTimestampRandomToTime = nullptr;
    QDateEdit* edTimestampStartAtDate = nullptr;
    QTimeEdit* edTimestampStartAtTime = nullptr;
    QSpinBox* edTimestampIncSeconds = nullptr;
    QSpinBox* edTimestampIncMinutes = nullptr;
    QSpinBox* edTimestampIncHours = nullptr;
    QSpinBox* edTimestampIncDays = nullptr;
    QLineEdit* edBLOBFixed = nullptr;
    QLineEdit* edBLOBDirectory = nullptr;
    QLineEdit* edBLOBFilter = nullptr;
    QSpinBox* edBLOBMaxFiles = nullptr;
    QListWidget* lbBLOBList = nullptr;
    QCheckBox* cbBooleanFixed = nullptr;
};
