// The Korvel shell with the module package loaded as at start-up: everything the tests see of
// the module comes through the package's entry points and the host's module manager.
#include "support_gui/GuiTestSupport.h"

#include "TKorvelMainWindow.h"
#include "TKorvelPackage.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "kvl3_lib/Umodulemanager.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

// The package stays loaded for the whole test program, as it does in the shell.
TKorvelPackage& package() {
    static TKorvelPackage loaded(QStringLiteral(KVL_PACKAGE_FILE));
    return loaded;
}

class Shell : public ::testing::Test {
protected:
    void SetUp() override {
        kvl::KVL_RegisterStandardDrivers();
        database = std::filesystem::temp_directory_path() / ("korvel_" + std::to_string(::getpid()) + ".db");
        std::filesystem::remove(database);
        auto setup = kvl::KVL_OpenConnection("sqlite:" + database.string());
        setup->ExecuteCommand("CUSTOM", "create table items (id integer primary key, name varchar(20))");
        shell = std::make_unique<TKorvelMainWindow>();
        package();
    }

    void TearDown() override {
        shell.reset();
        std::filesystem::remove(database);
    }

    QMenu* tools() const { return kvl::MM_GetMenu(100); }
    QAction* menuItem(const char* name) const {
        for (QAction* item : tools()->actions())
            if (item->objectName() == QLatin1String(name)) return item;
        return nullptr;
    }
    QAction* action() const { return shell->findChild<QAction*>(QStringLiteral("aTDG")); }
    QToolButton* button() const { return shell->findChild<QToolButton*>(QStringLiteral("btnTDG")); }
    QList<QMainWindow*> moduleWindows() const {
        return shell->findChildren<QMainWindow*>(QStringLiteral("frmTestDataGenerator"));
    }

    std::filesystem::path database;
    std::unique_ptr<TKorvelMainWindow> shell;
};

// The shell's own menu starts with the mark; a host's may have items before it.
TEST_F(Shell, PackageRegistersTheModuleWhoseItemGoesBetweenTheItemsAroundTheMark) {
    ASSERT_EQ(kvl::MM_RegisteredModules().size(), 1u);
    EXPECT_TRUE(kvl::MM_RegisteredModules().front()->GetModuleInfo().ConnectionSensitive);
    // a host whose menu has items A, the mark, B when the module takes its data
    auto fresh = std::make_unique<TKorvelMainWindow>();
    QMenu menu;
    auto* a = menu.addAction(QStringLiteral("A"));
    auto* mark = menu.addAction(QStringLiteral("Mark"));
    mark->setObjectName(QStringLiteral("miBeforeMisc"));
    auto* b = menu.addAction(QStringLiteral("B"));
    kvl::MM_SetMenu(100, &menu);
    kvl::MM_SetApplicationData({fresh->menuBar(), fresh.get(), fresh->findChild<QObject*>("alModules")});
    QList<QAction*> items = menu.actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items, (QList<QAction*>{a, items[1], mark, b}));
    EXPECT_EQ(items[1]->objectName(), QString("miTDG"));
    EXPECT_EQ(items[1]->text(), QString("Test Data Generator..."));
    EXPECT_EQ(items[1]->toolTip(), QString("Test Data Generator"));
    kvl::MM_SetMenu(100, nullptr);
}

TEST_F(Shell, OpeningASessionSwitchesTheCommandOnAndTwoClicksOpenTwoWindows) {
    ASSERT_NE(button(), nullptr);
    EXPECT_EQ(button()->defaultAction(), action());
    auto expectEnabled = [this](bool on) {
        EXPECT_EQ(kvl::KVL_CurrentConnection() != nullptr, on);
        EXPECT_EQ(action()->isEnabled(), on);
        EXPECT_EQ(menuItem("miTDG")->isEnabled(), on);
        EXPECT_EQ(button()->isEnabled(), on);
    };
    expectEnabled(false);
    EXPECT_EQ(tools()->actions().indexOf(menuItem("miTDG")),
              tools()->actions().indexOf(menuItem("miBeforeMisc")) - 1);
    shell->OpenSession(database.string()); // a plain name is an SQLite file, a URL stays as it is
    EXPECT_EQ(KorvelConnectionString("demo.db"), "sqlite:demo.db");
    EXPECT_EQ(KorvelConnectionString("postgresql://localhost/db"), "postgresql://localhost/db");
    EXPECT_EQ(shell->SessionName(), database.filename().string());
    expectEnabled(true);
    menuItem("miTDG")->trigger();
    button()->click();
    QList<QMainWindow*> windows = moduleWindows();
    ASSERT_EQ(windows.size(), 2);
    std::string title = "Test Data Generator: " + database.filename().string();
    for (QMainWindow* window : windows) {
        EXPECT_EQ(window->windowTitle().toStdString(), title);
        EXPECT_TRUE(window->isVisible());
    }
    // closing the session closes the windows first
    shell->CloseSession();
    EXPECT_TRUE(moduleWindows().isEmpty());
    expectEnabled(false);
}

// A session window that refuses to close, as the module's window does during a run.
class BusyWindow : public QMainWindow {
public:
    explicit BusyWindow(QWidget* owner) : QMainWindow(owner, Qt::Window) {}
    bool busy = true;

protected:
    void closeEvent(QCloseEvent* event) override { busy ? event->ignore() : event->accept(); }
};

TEST_F(Shell, ABusyWindowKeepsTheSessionAndTheShellOpen) {
    shell->OpenSession(database.string());
    shell->show();
    auto* busy = new BusyWindow(shell.get());
    busy->show();
    shell->CloseSession();
    EXPECT_NE(kvl::KVL_CurrentConnection(), nullptr);
    EXPECT_FALSE(shell->close());
    EXPECT_TRUE(shell->isVisible());

    busy->busy = false;
    EXPECT_TRUE(shell->close());
    EXPECT_TRUE(shell->findChildren<QMainWindow*>().isEmpty());
}

} // namespace
