// init, order and check: they read the schema and a project file but write no row.
#include "Commands.h"
#include "Console.h"
#include "Demo.h"
#include "Session.h"

#include "UTFillProjects/TFillProject.h"
#include "uTDGFillPlan.h"

#include <iostream>
#include <map>

namespace {

void printOrder(TFillProjects& projects) {
    int n = 0;
    for (TFillProject* p : projects.Projects)
        if (p->doFill || p->HasFieldSettings())
            std::cout << ++n << ". " << p->TableName << (p->doFill ? "" : " (not filled)") << "\n";
}

} // namespace

int InitCommand(const TOptions& o) {
    o.Check({{"connect", "output", "rows"}, {}, {"connect", "output"}});
    int32_t rows = o.Count("rows", 1000);
    TSession session(o.Text("connect"));
    TFillProjects& projects = session.Projects();
    if (projects.GetProjectCount() == 0) throw EUsageError("the database has no tables");
    // the guesses size what must be unique by the rows asked
    for (TFillProject* p : projects.Projects)
        p->Rows = rows;
    // states, companies, job titles and the words of texts come from the word lists
    projects.OnExternalDataInit =
        WordListLoader(kvl::TKVL_Settings::FromEnvironment(TDG_DEFAULT_DATA_DIR).TDG_DATA_DIR);
    ApplySensibleSettings(projects);
    projects.PlanTables();
    GuessPlanKeys(projects);
    projects.SaveToFile(o.Text("output"));
    std::cout << "Wrote " << o.Text("output") << ", tables in fill order:\n";
    printOrder(projects);
    return exitOk;
}

int OrderCommand(const TOptions& o) {
    o.Check({{"connect", "project", "method", "output"}, {}, {"connect", "project"}});
    static const std::map<std::string, TTableShuffleMethod> methods = {{"plan", tsmFillPlan},
                                                                       {"all", tsmAll},
                                                                       {"fill", tsmToFillOnly},
                                                                       {"options", tsmToFillAndWithOptions}};
    auto method = methods.find(o.Text("method", "plan"));
    if (method == methods.end())
        throw EUsageError("--method takes plan, all, fill or options, not \"" + o.Text("method") + "\"");
    TSession session(o.Text("connect"));
    session.LoadProject(o.Text("project"));
    session.Projects().ShuffleTables(method->second);
    std::string output = o.Text("output", o.Text("project"));
    session.Projects().SaveToFile(output);
    std::cout << "Wrote " << output << ", tables in fill order:\n";
    printOrder(session.Projects());
    return exitOk;
}

int CheckCommand(const TOptions& o) {
    o.Check({{"connect", "project", "only", "rows"}, {}, {"connect", "project"}});
    TSession session(o.Text("connect"));
    OpenProject(session, o);
    return ReportCheck(session) ? exitOk : exitFailed;
}
