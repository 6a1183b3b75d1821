// The demo project, as `tdg init` writes it, run through the window's threaded run (drawn
// offscreen) and through the core run as the command line drives it, each into a new SQLite
// database; the two take turns for a number of rounds, and the median of the rounds' ratios
// (command line time / window time) is the figure.
//
// Both sides run the same project with the same seed and the same settings, into databases in
// the same folder, and their clocks cover the same work: the project is loaded and the window
// drawn before either clock starts, and the word lists are read inside the run on both sides.
// The folder is /dev/shm (a memory file system) by default: a commit's flush to disk costs both
// sides alike, but on a shared machine it varies by a factor from one commit to the next and
// then decides the ratio. TDG_BENCH_DIR names another folder, e.g. one on disk.
//
// usage: window_run_bench [rows per table, default 50000] [rounds, default 5]
// The last line, for bench/run.sh: "window_ratio ROWS CLI_WALL WINDOW_WALL MEDIAN_RATIO".
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
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr uint64_t kSeed = 1;

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
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
    Stopwatch() { Start(); }
    void Start() {
        wall_ = std::chrono::steady_clock::now();
        cpu_ = processCpuSeconds();
        caller_ = threadCpuSeconds();
    }
    Timing Read() const {
        return {std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count(),
                processCpuSeconds() - cpu_, threadCpuSeconds() - caller_};
    }

private:
    std::chrono::steady_clock::time_point wall_;
    double cpu_ = 0;
    double caller_ = 0;
};

fs::path benchFolder() {
    if (const char* dir = std::getenv("TDG_BENCH_DIR"); dir && *dir) return dir;
    std::error_code error;
    if (fs::is_directory("/dev/shm", error)) return "/dev/shm";
    return fs::temp_directory_path();
}

fs::path scratch(const std::string& name) {
    return benchFolder() / ("window_run_bench_" + std::to_string(::getpid()) + "_" + name);
}

// Removes the database and what SQLite leaves beside it.
void removeDatabase(const fs::path& file) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        fs::remove(file.string() + suffix);
}

std::string freshDemo(const std::string& name) {
    fs::path file = scratch(name + ".db");
    removeDatabase(file);
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
    removeDatabase(uri.substr(7));
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
    projects.RandomSeed = kSeed;
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
    std::printf("  command line: %6.2f s wall, %5.2f s CPU, %d failed rows\n", timing.Wall, timing.Cpu,
                failedRows(projects));
    projects.SetStructureEngine(nullptr);
    removeDatabase(uri.substr(7));
    return timing;
}

// Calls back once the window's run has ended: the window enables its run button again as the
// last step of the end of a run.
class RunEnd : public QObject {
public:
    RunEnd(TfrmTestDataGenerator& window, std::function<void()> ended)
        : window_(window), ended_(std::move(ended)) {
        window.findChild<QToolButton*>("btnRun")->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange && static_cast<QWidget*>(watched)->isEnabled() &&
            !window_.Filling())
            ended_();
        return false;
    }

private:
    TfrmTestDataGenerator& window_;
    std::function<void()> ended_;
};

// The window's run as a user starts it: Load, then "Start Filling", answered Yes. The clock
// starts with the answer, as the command line's with the run; the window's thread then waits
// in its event loop, as it does for a user.
Timing runInWindow(const fs::path& project) {
    std::string uri = freshDemo("window");
    auto connection = kvl::KVL_OpenConnection(uri);
    auto* window = new TfrmTestDataGenerator(nullptr, connection.get(), kvl::TKVL_InterfaceList(),
                                             connection->Database());
    window->show();
    window->LoadSettingsFile(project.string());
    window->FillProjects().RandomSeed = kSeed;
    // the window is drawn before the clock starts
    QApplication::processEvents();
    QApplication::processEvents();

    Stopwatch watch;
    QTimer answer;
    answer.setInterval(1);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        answer.stop();
        watch.Start();
        box->button(QMessageBox::Yes)->click();
    });
    answer.start();
    QEventLoop loop;
    RunEnd end(*window, [&loop] { loop.quit(); });
    window->btnRunClick(nullptr);
    if (window->Filling()) loop.exec();
    Timing timing = watch.Read();
    std::printf(
        "  window:       %6.2f s wall, %5.2f s CPU (%.2f s of them on the window's thread), %d failed "
        "rows, %d message lines\n",
        timing.Wall, timing.Cpu, timing.CallerCpu, failedRows(window->FillProjects()),
        window->AllMessages().Count());
    delete window;
    removeDatabase(uri.substr(7));
    return timing;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string joined(const std::vector<double>& values) {
    std::string text;
    for (double v : values) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%s%.2f", text.empty() ? "" : ", ", v);
        text += buf;
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TDG_DATA_DIR")) qputenv("TDG_DATA_DIR", TDG_BENCH_DATA_DIR);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int rows = argc > 1 ? std::stoi(argv[1]) : 50000;
    int rounds = std::max(1, argc > 2 ? std::stoi(argv[2]) : 5);
    QApplication app(argc, argv);
    kvl::KVL_RegisterStandardDrivers();
    kvl::MM_GetCurrentSessionName = [] { return std::string("demo"); };

    std::printf("databases in %s, seed %llu\n", benchFolder().c_str(),
                static_cast<unsigned long long>(kSeed));
    fs::path project = writeProject(rows);
    std::vector<double> cliWall, windowWall, cliCpu, windowCpu, windowThreadCpu, wallRatio, cpuRatio;
    for (int round = 1; round <= rounds; ++round) {
        std::printf("round %d, 6 tables x %d rows:\n", round, rows);
        Timing c = runAsCommandLine(project);
        Timing w = runInWindow(project);
        cliWall.push_back(c.Wall);
        windowWall.push_back(w.Wall);
        cliCpu.push_back(c.Cpu);
        windowCpu.push_back(w.Cpu);
        windowThreadCpu.push_back(w.CallerCpu);
        wallRatio.push_back(c.Wall / w.Wall);
        cpuRatio.push_back(c.Cpu / w.Cpu);
        std::printf("  ratio:        %.2f wall, %.2f CPU\n", wallRatio.back(), cpuRatio.back());
    }
    fs::remove(project);
    std::printf("medians of %d rounds: command line %.2f s wall, %.2f s CPU; window %.2f s wall, %.2f s CPU, "
                "%.2f s on the window's thread\n",
                rounds, median(cliWall), median(cliCpu), median(windowWall), median(windowCpu),
                median(windowThreadCpu));
    std::printf("wall ratios by round: %s\n", joined(wallRatio).c_str());
    std::printf("CPU ratios by round:  %s\n", joined(cpuRatio).c_str());
    std::printf("window / command line speed, median of the rounds: %.2f wall, %.2f CPU (target >= 0.95)\n",
                median(wallRatio), median(cpuRatio));
    std::printf("window_ratio %d %.3f %.3f %.2f\n", 6 * rows, median(cliWall), median(windowWall),
                median(wallRatio));
    return 0;
}
