// The demo project, as `tdg init` writes it, run once through the window's threaded run (drawn
// offscreen) and once through the core run as the command line drives it, each into a new
// SQLite database; prints both times and the ratio (command line time / window time).
//
// usage: window_run_bench [rows per table, default 50000] [rounds, default 2]
#include "Demo.h"

#include "ExternalData/ExternalDataReader.h"
#include "TfrmTestDataGenerator.h"
#include "UTFillConstants.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "kvl3_lib/UHostSettings.h"
#include "kvl3_lib/Umodulemanager.h"
#include "uTFillStructureEngineVEX.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <time.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Wall time, the process's CPU time (both threads of the window's run) and that of the
// calling thread (the window's own share).
struct Timing {
    double Wall = 0;
    double Cpu = 0;
    double CallerCpu = 0;
};

class Stopwatch {
public:
    Stopwatch() : wall_(std::chrono::steady_clock::now()), cpu_(std::clock()), caller_(threadCpuSeconds()) {}
    Timing Read() const {
        return {std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count(),
                static_cast<double>(std::clock() - cpu_) / CLOCKS_PER_SEC, threadCpuSeconds() - caller_};
    }

private:
    std::chrono::steady_clock::time_point wall_;
    std::clock_t cpu_;
    double caller_;
};

fs::path scratch(const std::string& name) {
    return fs::temp_directory_path() / ("window_run_bench_" + std::to_string(::getpid()) + "_" + name);
}

std::string freshDemo(const std::string& name) {
    fs::path file = scratch(name + ".db");
    fs::remove(file);
    std::string uri = "sqlite:" + file.string();
    CreateDemoSchema(uri);
    return uri;
}

// What `tdg init` writes: the sensible settings, every table with the same rows, in fill order.
fs::path writeProject(int rows) {
    std::string uri = freshDemo("init");
    auto connection = kvl::KVL_OpenConnection(uri);
    TFillStructureEngineVEX engine(*connection, connection->Database(), nullptr);
    TFillProjects projects;
    projects.SetStructureEngine(&engine);
    projects.CreateStructure();
    ApplyDemoSettings(projects, rows);
    for (TFillProject* p : projects.Projects) {
        p->Rows = rows;
        p->SetdoFill(true);
    }
    fs::path file = scratch("demo.tdg");
    projects.SaveToFile(file.string());
    projects.SetStructureEngine(nullptr);
    fs::remove(uri.substr(7));
    return file;
}

int failedRows(const TFillProjects& projects) {
    int failed = 0;
    for (TFillProject* p : projects.Projects)
        failed += p->Statistics.ErrorCount;
    return failed;
}

// The command line's run: word lists read on the run's thread, progress looked at and dropped.
Timing runAsCommandLine(const fs::path& project) {
    std::string uri = freshDemo("cli");
    auto connection = kvl::KVL_OpenConnection(uri);
    TFillStructureEngineVEX engine(*connection, connection->Database(), nullptr);
    TFillProjects projects;
    projects.SetStructureEngine(&engine);
    projects.CreateStructure();
    projects.LoadFromFile(project.string());
    projects.OnExternalDataInit = [](TExternalDataKind kind, kvl::TStringList& target) {
        auto k = static_cast<size_t>(kind);
        tdg::LoadExternalData(
            kvl::KVL_HostSettings().TDG_DATA_DIR, std::string(TDG_EXTERNALDATA_FILENAMES[k]),
            std::string(TDG_EXTERNALDATA_ZIPPEDNAME[k]), std::string(TDG_EXTERNALDATA_PASSWORDS[k]), target);
    };
    int lastRow = 0;
    projects.OnFillProgress = [&lastRow](TFillProject*, int row, int, int, kvl::TDateTime, kvl::TDateTime) {
        lastRow = row;
    };
    Stopwatch watch;
    projects.startInsert();
    Timing timing = watch.Read();
    std::printf("  command line: %.2f s wall, %.2f s CPU, %d failed rows\n", timing.Wall, timing.Cpu,
                failedRows(projects));
    projects.SetStructureEngine(nullptr);
    fs::remove(uri.substr(7));
    return timing;
}

// The window's run as a user starts it: Load, then "Start Filling", answered Yes.
Timing runInWindow(const fs::path& project) {
    std::string uri = freshDemo("window");
    auto connection = kvl::KVL_OpenConnection(uri);
    auto* window = new TfrmTestDataGenerator(nullptr, connection.get(), kvl::TKVL_InterfaceList(),
                                             connection->Database());
    window->show();
    window->LoadSettingsFile(project.string());
    QTimer answer;
    answer.setInterval(1);
    QObject::connect(&answer, &QTimer::timeout, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->isVisible()) box->button(QMessageBox::Yes)->click();
    });
    answer.start();
    Stopwatch watch;
    window->btnRunClick(nullptr);
    answer.stop();
    // the window's thread waits in its event loop as it does for a user
    QEventLoop loop;
    QTimer end;
    QObject::connect(&end, &QTimer::timeout, [&] {
        if (!window->Filling()) loop.quit();
    });
    end.start(20);
    loop.exec();
    Timing timing = watch.Read();
    std::printf("  window:       %.2f s wall, %.2f s CPU (%.2f s of them on the window's thread), %d failed "
                "rows, %d message lines\n",
                timing.Wall, timing.Cpu, timing.CallerCpu, failedRows(window->FillProjects()),
                window->AllMessages().Count());
    delete window;
    fs::remove(uri.substr(7));
    return timing;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TDG_DATA_DIR")) qputenv("TDG_DATA_DIR", TDG_BENCH_DATA_DIR);
    int rows = argc > 1 ? std::stoi(argv[1]) : 50000;
    int rounds = argc > 2 ? std::stoi(argv[2]) : 2;
    QApplication app(argc, argv);
    kvl::KVL_RegisterStandardDrivers();
    kvl::MM_GetCurrentSessionName = [] { return std::string("demo"); };

    fs::path project = writeProject(rows);
    Timing cli{1e9, 1e9, 0};
    Timing window{1e9, 1e9, 0};
    for (int round = 1; round <= rounds; ++round) {
        std::printf("round %d, 6 tables x %d rows:\n", round, rows);
        Timing c = runAsCommandLine(project);
        Timing w = runInWindow(project);
        cli = {std::min(cli.Wall, c.Wall), std::min(cli.Cpu, c.Cpu), 0};
        window = {std::min(window.Wall, w.Wall), std::min(window.Cpu, w.Cpu), 0};
    }
    fs::remove(project);
    std::printf("best of %d: command line %.2f s, window %.2f s wall\n", rounds, cli.Wall, window.Wall);
    std::printf("window / command line speed: %.2f wall, %.2f CPU (target >= 0.95)\n", cli.Wall / window.Wall,
                cli.Cpu / window.Cpu);
    return 0;
}
