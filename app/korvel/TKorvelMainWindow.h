#pragma once
#include "kvl3_db/Ukvl_connection.h"

#include <QMainWindow>
#include <memory>
#include <string>

class QLabel;
class QMenu;

// The Korvel shell's main window: the host menus and toolbar the modules plug into, and one
// database session at a time. The window is the session window that modules' windows belong to.
class TKorvelMainWindow : public QMainWindow {
    Q_OBJECT
public:
    TKorvelMainWindow();
    ~TKorvelMainWindow() override;

    // Opens a session on a connection string ("sqlite:FILE", "postgresql://...",
    // "firebird:FILE?user=..."); a plain file name is an SQLite file. Raises on failure.
    void OpenSession(const std::string& connectionString);
    void CloseSession();
    kvl::TKVL_Connection* Connection() const { return connection_.get(); }
    std::string SessionName() const { return sessionName_; }

protected:
    // The module windows close first; one that refuses (a run in progress) keeps the shell open.
    void closeEvent(QCloseEvent* event) override;

private:
    bool closeModuleWindows();
    void createMenus();
    void createToolbar();
    void connectInteractively();

    std::unique_ptr<kvl::TKVL_Connection> connection_;
    std::string sessionName_;
    QMenu* toolsMenu_ = nullptr;
    QLabel* status_ = nullptr;
};

// A connection string for what the user typed: a plain file name means an SQLite file.
std::string KorvelConnectionString(const std::string& text);
