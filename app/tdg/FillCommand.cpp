// demo and fill: both end in a run with progress, a summary and error logs.
#include "Check.h"
#include "Commands.h"
#include "Console.h"
#include "Demo.h"
#include "Interrupt.h"
#include "Session.h"

#include "UTFillProjects/TFillProject.h"
#include "base/Usettings.h"

#include <filesystem>
#include <iostream>

namespace fs = std::filesystem;

namespace {

// Unseeded, the run takes its numbers from the clock.
void seed(TFillProjects& projects, const TOptions& o) {
    if (o.Has("seed")) projects.RandomSeed = o.Seed();
}

// TABLE.log; the owner joins the name only when two schemas fill a table of that name.
std::string logName(const TFillProjects& projects, const TFillProject& p) {
    for (TFillProject* other : projects.Projects)
        if (other != &p && other->doFill && other->TableName == p.TableName && !p.TableOwner.empty())
            return p.TableOwner + "." + p.TableName + ".log";
    return p.TableName + ".log";
}

void writeLogs(const TFillProjects& projects, const std::string& dir) {
    fs::create_directories(dir);
    for (TFillProject* p : projects.Projects)
        if (p->doFill && !p->Statistics.Log.IsEmpty())
            p->Statistics.Log.SaveToFile((fs::path(dir) / logName(projects, *p)).string());
    std::cout << "Error logs: " << fs::absolute(dir).string() << "\n";
}

// A table stopped in its row loop ends its log without the summary, and without reactivating
// what it deactivated.
bool stoppedMidway(const TFillProject& p) {
    const auto& log = p.Statistics.Log;
    return !log.IsEmpty() && log.IndexOf("************* End of Error Section ************") < 0;
}

int runAndReport(TFillProjects& projects, const TOptions& o) {
    seed(projects, o);
    TConsoleRun run(projects, kvl::TKVL_Settings::FromEnvironment(TDG_DEFAULT_DATA_DIR));
    bool ok = false;
    bool stopped = false;
    {
        TStopOnSignal stopper(projects);
        ok = run.Run();
        stopped = stopper.Stopped();
    }
    run.PrintSummary();
    writeLogs(projects, o.Text("log-dir", "."));
    if (!stopped) return ok ? exitOk : exitFailed;
    std::cout << "Stopped: the rows inserted above are committed; no further table was started.\n";
    for (TFillProject* p : projects.Projects)
        if (p->doFill && stoppedMidway(*p) && (p->DisableIndices || p->DisableTriggers))
            std::cout << p->TableName << ": its indices and triggers may still be deactivated.\n";
    return exitStopped;
}

// --only names the tables to fill, whatever the project file says; --rows overrides their sizes.
void applyRunOptions(TSession& session, const TOptions& o) {
    auto only = o.List("only");
    if (o.Has("only") && only.empty()) throw EUsageError("--only needs at least one table name");
    if (!only.empty()) {
        for (TFillProject* p : session.Projects().Projects)
            p->doFill = false;
        for (const auto& name : only) {
            TFillProject* p = session.FindProject(name);
            if (!p) throw EUsageError("no table " + name + " in the database");
            p->doFill = true;
        }
    }
    if (!o.Has("rows")) return;
    int32_t rows = o.Count("rows", 0);
    for (TFillProject* p : session.Projects().Projects)
        if (p->doFill) p->Rows = rows;
}

} // namespace

// Shared with check: the project, narrowed by --only and --rows.
void OpenProject(TSession& session, const TOptions& o) {
    session.LoadProject(o.Text("project"));
    applyRunOptions(session, o);
    if (session.Projects().GetProjectToFillCount() == 0) throw EUsageError("the project fills no table");
}

// Prints the findings; true when none is an error.
bool ReportCheck(TSession& session) {
    auto findings = CheckProjects(
        session.Projects(), [&](const TFillProject& p) { return session.CountRows(p); },
        kvl::TKVL_Settings::FromEnvironment(TDG_DEFAULT_DATA_DIR).TDG_DATA_DIR);
    for (const auto& line : PlanLines(session.Projects()))
        std::cout << line << "\n";
    for (const auto& f : findings)
        std::cout << f.Line() << "\n";
    int count = session.Projects().GetProjectToFillCount();
    std::string tables = std::to_string(count) + (count == 1 ? " table" : " tables");
    if (findings.empty()) std::cout << "Check: no problems found (" << tables << " to fill).\n";
    return !HasErrors(findings);
}

int FillCommand(const TOptions& o) {
    o.Check({{"connect", "project", "only", "rows", "seed", "log-dir"},
             {"no-check", "insert"},
             {"connect", "project"}});
    if (o.Has("seed")) o.Seed();
    TStopOnSignal::HoldSignals();
    TSession session(o.Text("connect"));
    OpenProject(session, o);
    if (o.Has("insert")) session.Projects().InsertOnly = true;
    if (!o.Has("no-check") && !ReportCheck(session)) {
        std::cerr << "tdg: the check found errors; nothing was filled (--no-check runs anyway)\n";
        return exitFailed;
    }
    return runAndReport(session.Projects(), o);
}

int DemoCommand(const TOptions& o) {
    o.Check({{"db", "connect", "rows", "seed", "log-dir"}, {"insert"}, {}});
    if (o.Has("db") && o.Has("connect")) throw EUsageError("demo takes --db or --connect, not both");
    if (o.Has("seed")) o.Seed();
    int32_t rows = o.Count("rows", 10000);
    std::string uri = o.Has("connect") ? o.Text("connect") : "sqlite:" + o.Text("db", "tdg-demo.sqlite");
    std::string shown = HidePassword(uri);
    try {
        CreateDemoSchema(uri);
    } catch (const std::exception& e) {
        throw EUsageError("cannot create the demo tables in " + shown + ": " + e.what());
    }
    TStopOnSignal::HoldSignals();
    TSession session(uri);
    session.Projects().OnExternalDataInit =
        WordListLoader(kvl::TKVL_Settings::FromEnvironment(TDG_DEFAULT_DATA_DIR).TDG_DATA_DIR);
    ApplyDemoSettings(session.Projects(), rows);
    session.Projects().InsertOnly = o.Has("insert");
    std::cout << "Filling "
              << (o.Has("connect") ? shown : fs::absolute(o.Text("db", "tdg-demo.sqlite")).string()) << "\n";
    return runAndReport(session.Projects(), o);
}
