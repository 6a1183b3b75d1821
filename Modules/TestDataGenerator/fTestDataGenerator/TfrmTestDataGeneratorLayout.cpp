// The window's controls and their arrangement. Object names are the controls' names, so that
// the settings of every control can be found by name.
#include "TFillerTreeDelegate.h"
#include "TfrmTestDataGenerator.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <climits>

namespace {

template <class T> T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The caption bar over an area of the settings panel.
QLabel* panelHeader(const char* caption, const char* name) {
    auto* label = named(new QLabel(QString::fromLatin1(caption)), name);
    label->setAutoFillBackground(true);
    label->setBackgroundRole(QPalette::Dark);
    label->setForegroundRole(QPalette::BrightText);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setContentsMargins(2, 2, 2, 2);
    return label;
}

QSpinBox* countEdit(const char* name, int value) {
    auto* edit = named(new QSpinBox, name);
    edit->setRange(0, INT_MAX);
    edit->setGroupSeparatorShown(true);
    edit->setValue(value);
    return edit;
}

QToolButton* toolButton(QToolBar* bar, const char* name, const char* hint, QStyle::StandardPixmap icon) {
    auto* button = named(new QToolButton(bar), name);
    button->setToolTip(QString::fromLatin1(hint));
    button->setIcon(bar->style()->standardIcon(icon));
    bar->addWidget(button);
    return button;
}

} // namespace

void TfrmTestDataGenerator::createLayout() {
    setObjectName(QStringLiteral("frmTestDataGenerator"));
    SetCaption("Test Data Generator");
    resize(773, 610);
    setMinimumHeight(587);
    SetHelpContext(6030);
    createToolbar();
    createStatusBar();

    pcTDG = named(new QTabWidget(this), "pcTDG");
    tsTDG = named(new QWidget, "tsTDG");
    tsMessages = createMessagesPage();
    pcTDG->addTab(tsTDG, QStringLiteral("Filling Settings"));
    pcTDG->addTab(tsMessages, QStringLiteral("Progress && Messages"));
    setCentralWidget(pcTDG);

    splTDG = named(new QSplitter(Qt::Horizontal), "splTDG");
    splTDG->setHandleWidth(7);
    splTDG->setOpaqueResize(true);
    splTDG->setChildrenCollapsible(false);
    splTDG->addWidget(createTreePanel());
    splTDG->addWidget(createSettingsPanel());
    splTDG->setStretchFactor(0, 52);
    splTDG->setStretchFactor(1, 48);
    splTDG->setSizes({52 * width() / 100, 48 * width() / 100});
    auto* page = new QVBoxLayout(tsTDG);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(splTDG);
}

void TfrmTestDataGenerator::createToolbar() {
    auto* bar = named(addToolBar(QStringLiteral("Filling")), "tbFiller");
    bar->setMovable(false);
    btnLoad = toolButton(bar, "btnLoad", "Load Settings from File", QStyle::SP_DialogOpenButton);
    btnSave = toolButton(bar, "btnSave", "Save Settings to File", QStyle::SP_DialogSaveButton);
    bar->addSeparator();

    btnRun = toolButton(bar, "btnRun", "Start Generating", QStyle::SP_MediaPlay);
    auto* runMenu = named(new QMenu(btnRun), "pmRun");
    miFillThreaded = named(runMenu->addAction(QStringLiteral("Start Filling")), "miFillThreaded");
    miFillNonThreaded =
        named(runMenu->addAction(QStringLiteral("Start Filling (non threaded)")), "miFillNonThreaded");
    runMenu->setDefaultAction(miFillThreaded);
    btnRun->setMenu(runMenu);
    btnRun->setPopupMode(QToolButton::MenuButtonPopup);
    btnCancel = toolButton(bar, "btnCancel", "Stop Generating", QStyle::SP_MediaStop);
    btnCancel->setEnabled(false);
    bar->addSeparator();

    aMoveTableUp =
        named(bar->addAction(style()->standardIcon(QStyle::SP_ArrowUp), QString()), "aMoveTableUp");
    aMoveTableUp->setToolTip(QStringLiteral("Move Table Up"));
    aMoveTableDown =
        named(bar->addAction(style()->standardIcon(QStyle::SP_ArrowDown), QString()), "aMoveTableDown");
    aMoveTableDown->setToolTip(QStringLiteral("Move Table Down"));
    bar->addSeparator();

    auto* shuffle = toolButton(bar, "btnShuffle", "Determine Table Order", QStyle::SP_BrowserReload);
    auto* shuffleMenu = named(new QMenu(shuffle), "pmShuffle");
    aShuffleOnlyToFill =
        named(shuffleMenu->addAction(QStringLiteral("Tables to Generate Data for")), "aShuffleOnlyToFill");
    aShuffleOnlyToFill->setToolTip(QStringLiteral("Determine Table Order"));
    aShuffleOnlyToFill->setIcon(shuffle->icon());
    aShuffleAll = named(shuffleMenu->addAction(QStringLiteral("All Tables")), "aShuffleAll");
    aShuffleAll->setToolTip(QStringLiteral("Determine Order For Tables to Fill"));
    aShuffleAllWithOptions =
        named(shuffleMenu->addAction(QStringLiteral("Tables With Data Generate Options")),
              "aShuffleAllWithOptions");
    aShuffleAllWithOptions->setToolTip(QStringLiteral("Determine Order for Tables With Filling Options"));
    aFillPlan = named(shuffleMenu->addAction(QStringLiteral("Fill Plan for All Tables")), "aFillPlan");
    aFillPlan->setToolTip(
        QStringLiteral("Order All Tables So That Self-References, Cycles and Unique Keys Fill in One Run"));
    shuffleMenu->setToolTipsVisible(true);
    shuffleMenu->setDefaultAction(aShuffleOnlyToFill);
    shuffle->setMenu(shuffleMenu);
    shuffle->setPopupMode(QToolButton::MenuButtonPopup);
    shuffle->setDefaultAction(aShuffleOnlyToFill);
    shuffle->setToolButtonStyle(Qt::ToolButtonIconOnly);

    auto* guess = toolButton(bar, "btnGuess", "Guess Settings", QStyle::SP_FileDialogDetailedView);
    auto* guessMenu = named(new QMenu(guess), "pmGuess");
    aGuessSettings =
        named(guessMenu->addAction(QStringLiteral("Guess Settings of Marked Tables")), "aGuessSettings");
    aGuessSettings->setToolTip(
        QStringLiteral("Guess Settings of Marked Tables (columns with settings keep them)"));
    aGuessSettings->setIcon(guess->icon());
    aGuessAllSettings =
        named(guessMenu->addAction(QStringLiteral("Guess All Settings of Marked Tables Again")),
              "aGuessAllSettings");
    guessMenu->setDefaultAction(aGuessSettings);
    guess->setMenu(guessMenu);
    guess->setPopupMode(QToolButton::MenuButtonPopup);
    guess->setDefaultAction(aGuessSettings);
    guess->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void TfrmTestDataGenerator::createStatusBar() {
    sbFiller = named(new QStatusBar(this), "sbFiller");
    setStatusBar(sbFiller);
    // Wide enough for the longest usual text ("Est. time left: 00:00:00", a six-digit rate), so
    // that the panels keep still while a run counts; a longer text widens its panel, and the
    // last panel, the current step, takes the rest of the bar.
    static const int widths[6] = {140, 150, 80, 165, 90, 120};
    for (int i = 0; i < 6; ++i) {
        auto* panel = new QLabel(sbFiller);
        panel->setObjectName(QStringLiteral("sbFillerPanel%1").arg(i));
        panel->setMinimumWidth(widths[i]);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        sbFiller->addWidget(panel, i == 5 ? 1 : 0);
        sbFillerPanels[i] = panel;
    }
}

QWidget* TfrmTestDataGenerator::createTreePanel() {
    pnlLeft = named(new QWidget, "pnlLeft");
    tvFiller = named(new QTreeView(pnlLeft), "tvFiller");
    tvFiller->setItemDelegate(new TFillerTreeDelegate(tvFiller));
    tvFiller->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvFiller->setSelectionMode(QAbstractItemView::SingleSelection);
    tvFiller->setAllColumnsShowFocus(true);
    tvFiller->setRootIsDecorated(true);
    tvFiller->setExpandsOnDoubleClick(true);
    tvFiller->setUniformRowHeights(true);
    tvFiller->header()->setSectionsMovable(true);
    tvFiller->header()->setSectionResizeMode(QHeaderView::Interactive);
    tvFiller->header()->setStretchLastSection(false);
    auto* layout = new QVBoxLayout(pnlLeft);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tvFiller);
    return pnlLeft;
}

QWidget* TfrmTestDataGenerator::createSettingsPanel() {
    pnlRight = named(new QWidget, "pnlRight");
    auto* layout = new QVBoxLayout(pnlRight);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panelHeader(" Table Settings", "pnlTableSettingsHeader"));
    layout->addWidget(createTableSettings());
    layout->addWidget(panelHeader(" Field Settings", "pnlFieldSettingsHeader"));
    layout->addWidget(createFieldSettings(), 1);
    return pnlRight;
}

QWidget* TfrmTestDataGenerator::createTableSettings() {
    auto* panel = named(new QWidget, "pnlTableSettings");
    auto* form = new QFormLayout(panel);
    edRowsToGenerate = countEdit("edRowsToGenerate", 100000);
    edRowsPerTransaction = countEdit("edRowsPerTransaction", 10000);
    form->addRow(QStringLiteral("Rows to generate"), edRowsToGenerate);
    form->addRow(QStringLiteral("Rows per transaction"), edRowsPerTransaction);
    cbEmptyTable = named(new QCheckBox(QStringLiteral("Empty Table before generating")), "cbEmptyTable");
    cbDisableIndices = named(new QCheckBox(QStringLiteral("Disable Indices")), "cbDisableIndices");
    cbDisableTriggers = named(new QCheckBox(QStringLiteral("Disable Triggers")), "cbDisableTriggers");
    for (QCheckBox* box : {cbEmptyTable, cbDisableIndices, cbDisableTriggers})
        form->addRow(box);
    cbEmptyTable->setChecked(false);
    cbDisableIndices->setChecked(true);
    cbDisableTriggers->setChecked(true);
    cbEmptyTable->setEnabled(false);
    cbDisableIndices->setEnabled(false);
    cbDisableTriggers->setEnabled(false);
    connect(edRowsToGenerate, &QSpinBox::valueChanged, this, &TfrmTestDataGenerator::edRowsToGenerateChange);
    connect(edRowsPerTransaction, &QSpinBox::valueChanged, this,
            &TfrmTestDataGenerator::edRowsPerTransactionChange);
    connect(cbEmptyTable, &QCheckBox::clicked, this, &TfrmTestDataGenerator::cbEmptyTableClick);
    connect(cbDisableIndices, &QCheckBox::clicked, this, &TfrmTestDataGenerator::cbDisableIndicesClick);
    connect(cbDisableTriggers, &QCheckBox::clicked, this, &TfrmTestDataGenerator::cbDisableTriggersClick);
    return panel;
}

QWidget* TfrmTestDataGenerator::createMessagesPage() {
    auto* page = named(new QWidget, "tsMessages");
    memMessages = named(new QPlainTextEdit(page), "memMessages");
    memMessages->setReadOnly(true);
    memMessages->setFrameShape(QFrame::NoFrame);
    memMessages->setTabStopDistance(4 * memMessages->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    tsMessageTabs = named(new QTabBar(page), "tsMessageTabs");
    tsMessageTabs->addTab(QStringLiteral("Messages"));
    tsMessageTabs->setShape(QTabBar::RoundedSouth);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(memMessages, 1);
    layout->addWidget(tsMessageTabs);
    return page;
}
