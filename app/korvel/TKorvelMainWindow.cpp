#include "TKorvelMainWindow.h"

#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "kvl3_lib/Umodulemanager.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>

namespace {

constexpr int kToolsMenu = 100;

} // namespace

std::string KorvelConnectionString(const std::string& text) {
    if (text.find(':') != std::string::npos && text.rfind("/", 0) != 0) return text;
    return "sqlite:" + text;
}

TKorvelMainWindow::TKorvelMainWindow() {
    setObjectName(QStringLiteral("frmKorvelMain"));
    setWindowTitle(QStringLiteral("Korvel"));
    resize(640, 200);
    createMenus();
    createToolbar();
    status_ = new QLabel(QStringLiteral("Not connected"));
    statusBar()->addWidget(status_);

    // the component that owns the modules' actions; its owner, this window, holds the toolbar
    auto* actionOwner = new QObject(this);
    actionOwner->setObjectName(QStringLiteral("alModules"));
    kvl::MM_SetApplicationData({menuBar(), this, actionOwner});
    kvl::MM_GetCurrentSessionForm = [this] { return static_cast<QWidget*>(this); };
    kvl::MM_GetCurrentSessionName = [this] { return sessionName_; };
    kvl::MM_GetCurrentSessionSchemas = [] { return kvl::TKVL_InterfaceList(); };
}

TKorvelMainWindow::~TKorvelMainWindow() {
    // the module windows belong to this window and use its connection: they go first
    for (auto* child : findChildren<QMainWindow*>(Qt::FindDirectChildrenOnly))
        delete child;
    kvl::MM_EnableConnectionSensitiveModules(false);
    kvl::KVL_SetCurrentConnection(nullptr);
    connection_.reset();
    kvl::MM_GetCurrentSessionForm = [] { return static_cast<QWidget*>(nullptr); };
    kvl::MM_GetCurrentSessionName = [] { return std::string(); };
}

void TKorvelMainWindow::createMenus() {
    QMenu* session = menuBar()->addMenu(QStringLiteral("&Session"));
    auto* connectAction = session->addAction(QStringLiteral("&Connect..."));
    connect(connectAction, &QAction::triggered, this, &TKorvelMainWindow::connectInteractively);
    auto* disconnectAction = session->addAction(QStringLiteral("&Disconnect"));
    connect(disconnectAction, &QAction::triggered, this, &TKorvelMainWindow::CloseSession);
    session->addSeparator();
    connect(session->addAction(QStringLiteral("E&xit")), &QAction::triggered, this, &QWidget::close);

    toolsMenu_ = menuBar()->addMenu(QStringLiteral("&Tools"));
    toolsMenu_->setObjectName(QStringLiteral("mnuTools"));
    // modules put their entries in front of this mark
    auto* mark = toolsMenu_->addSeparator();
    mark->setObjectName(QStringLiteral("miBeforeMisc"));
    auto* about = toolsMenu_->addAction(QStringLiteral("&About Korvel"));
    connect(about, &QAction::triggered, this, [this] {
        QMessageBox::about(this, QStringLiteral("Korvel"), QStringLiteral("Korvel database workbench"));
    });
    kvl::MM_SetMenu(kToolsMenu, toolsMenu_);
}

void TKorvelMainWindow::createToolbar() {
    auto* bar = addToolBar(QStringLiteral("Modules"));
    bar->setObjectName(QStringLiteral("tbModules"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto* button = new QToolButton(bar);
    button->setObjectName(QStringLiteral("btnTDG"));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->addWidget(button);
}

void TKorvelMainWindow::OpenSession(const std::string& connectionString) {
    CloseSession();
    std::string full = KorvelConnectionString(connectionString);
    connection_ = kvl::KVL_OpenConnection(full);
    sessionName_ = full.rfind("sqlite:", 0) == 0 ? std::filesystem::path(full.substr(7)).filename().string()
                                                 : full.substr(0, full.find('?'));
    kvl::KVL_SetCurrentConnection(connection_.get());
    status_->setText(QStringLiteral("Connected: ") + QString::fromStdString(sessionName_));
    kvl::MM_EnableConnectionSensitiveModules(true);
}

bool TKorvelMainWindow::closeModuleWindows() {
    for (auto* child : findChildren<QMainWindow*>(Qt::FindDirectChildrenOnly)) {
        if (!child->close()) return false;
        // the window would go with the next event loop turn; the connection goes now
        delete child;
    }
    return true;
}

void TKorvelMainWindow::closeEvent(QCloseEvent* event) {
    if (closeModuleWindows())
        event->accept();
    else
        event->ignore();
}

void TKorvelMainWindow::CloseSession() {
    if (!connection_) return;
    // a module window that refuses to close keeps the session open
    if (!closeModuleWindows()) return;
    kvl::MM_EnableConnectionSensitiveModules(false);
    kvl::KVL_SetCurrentConnection(nullptr);
    connection_.reset();
    sessionName_.clear();
    if (status_) status_->setText(QStringLiteral("Not connected"));
}

void TKorvelMainWindow::connectInteractively() {
    bool ok = false;
    QString text = QInputDialog::getText(this, QStringLiteral("Connect"),
                                         QStringLiteral("SQLite file or connection string:"),
                                         QLineEdit::Normal, QString(), &ok);
    if (!ok || text.trimmed().isEmpty()) return;
    try {
        OpenSession(text.trimmed().toStdString());
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QStringLiteral("Connect"), QString::fromStdString(e.what()));
    }
}
