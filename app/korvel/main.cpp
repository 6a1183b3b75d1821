// korvel [CONNECTION]: the Korvel shell. Opens a session on CONNECTION (an SQLite file, or a
// "postgresql://..." or "firebird:..." connection string; without one, the demo database) and
// loads the module packages found beside the program.
#include "Demo.h"
#include "TKorvelMainWindow.h"
#include "TKorvelPackage.h"
#include "kvl3_db/Drivers.h"

#include <QApplication>
#include <QMessageBox>
#include <filesystem>
#include <iostream>
#include <memory>

namespace {

std::string demoDatabase() {
    auto file = std::filesystem::temp_directory_path() / "korvel_demo.db";
    if (!std::filesystem::exists(file)) CreateDemoSchema("sqlite:" + file.string());
    return file.string();
}

QString packageFile() {
    QString configured = qEnvironmentVariable("KORVEL_PACKAGE");
    if (!configured.isEmpty()) return configured;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Kvl3m_tdg.so");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kvl::KVL_RegisterStandardDrivers();
    TKorvelMainWindow window;
    std::unique_ptr<TKorvelPackage> package;
    try {
        package = std::make_unique<TKorvelPackage>(packageFile());
        window.OpenSession(argc > 1 ? argv[1] : demoDatabase());
    } catch (const std::exception& e) {
        std::cerr << "korvel: " << e.what() << "\n";
        QMessageBox::critical(&window, QStringLiteral("Korvel"), QString::fromStdString(e.what()));
    }
    window.show();
    int result = app.exec();
    package.reset();
    return result;
}
