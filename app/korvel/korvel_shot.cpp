// korvel_shot RUNNING.png FINISHED.png: starts the shell as a user would (package loaded, demo
// session open), opens the module's window from the toolbar, marks three related tables, runs
// them and saves the screen while the run goes and after it, for the documentation.
#include "Demo.h"
#include "TKorvelMainWindow.h"
#include "TKorvelPackage.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "uTFillStructureEngineVEX.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <iostream>

namespace {

void waitUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The shell above, the module's window below, as they stand on a screen.
bool saveScreen(QWidget& shell, QWidget& window, const char* file) {
    QPixmap top = shell.grab();
    QPixmap bottom = window.grab();
    QImage screen(std::max(top.width(), bottom.width() + 40), top.height() + bottom.height() + 30,
                  QImage::Format_RGB32);
    screen.fill(QColor(58, 110, 165));
    QPainter painter(&screen);
    painter.drawPixmap(0, 0, top);
    painter.drawPixmap(40, top.height() + 30, bottom);
    return screen.save(QString::fromLocal8Bit(file));
}

// The settings a user would click through for three related tables, as a project file.
void writeSettings(const std::string& db, const std::string& file) {
    auto connection = kvl::KVL_OpenConnection("sqlite:" + db);
    TFillStructureEngineVEX engine(*connection, connection->Database(), nullptr);
    TFillProjects projects;
    projects.SetStructureEngine(&engine);
    projects.CreateStructure();
    ApplyDemoSettings(projects, 60000); // the orders' status takes only the values its CHECK allows
    for (TFillProject* p : projects.Projects) {
        p->doFill = p->TableName == "customers" || p->TableName == "addresses" || p->TableName == "orders";
        p->Rows = p->TableName == "orders" ? 60000 : 20000;
    }
    projects.SaveToFile(file);
    projects.SetStructureEngine(nullptr);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::cerr << "usage: korvel_shot RUNNING.png FINISHED.png\n";
        return 2;
    }
    kvl::KVL_RegisterStandardDrivers();
    auto folder = std::filesystem::temp_directory_path();
    auto db = (folder / "korvel_shot_demo.db").string();
    auto settings = (folder / "korvel_shot_demo.tdg").string();
    CreateDemoSchema("sqlite:" + db);
    writeSettings(db, settings);

    TKorvelMainWindow shell;
    TKorvelPackage package(QCoreApplication::applicationDirPath() + QStringLiteral("/Kvl3m_tdg.so"));
    shell.OpenSession(db);
    shell.show();
    shell.findChild<QToolButton*>(QStringLiteral("btnTDG"))->click();
    auto* window = shell.findChild<QMainWindow*>(QStringLiteral("frmTestDataGenerator"));
    if (!window) {
        std::cerr << "korvel_shot: the module's window did not open\n";
        return 1;
    }
    auto* run = window->findChild<QToolButton*>(QStringLiteral("btnRun"));
    auto* table = window->findChild<QLabel*>(QStringLiteral("sbFillerPanel0"));
    auto* rate = window->findChild<QLabel*>(QStringLiteral("sbFillerPanel2"));

    // the dialogs are answered as the user would
    bool shotRunning = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            dialog->selectFile(QString::fromStdString(settings));
            QMetaObject::invokeMethod(dialog, "accept");
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            yes ? yes->click() : box->accept();
        }
        if (!shotRunning && table->text().endsWith(QStringLiteral("orders")) && !rate->text().isEmpty())
            shotRunning = saveScreen(shell, *window, argv[1]);
    });
    user.start(20);
    window->findChild<QToolButton*>(QStringLiteral("btnLoad"))->click();
    window->findChild<QAction*>(QStringLiteral("aShuffleOnlyToFill"))->trigger();
    run->click();
    waitUntil([&] { return !run->isEnabled(); });
    waitUntil([&] { return run->isEnabled(); });
    user.stop();
    bool finished = saveScreen(shell, *window, argv[2]);
    if (!shotRunning || !finished)
        std::cerr << "korvel_shot: running " << shotRunning << ", finished " << finished << "\n";
    window->close();
    return shotRunning && finished ? 0 : 1;
}
