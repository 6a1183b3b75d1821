// init, order and check: they read the schema and a project file but write no row.
#include "Commands.h"
#include "Console.h"
#include "Session.h"

#include "UTFillObject/TBlobFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "uSettingsGuess.h"
#include "uTDGFillPlan.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;

bool hasBlobColumns(TFillProjects& projects) {
    for (TFillProject* p : projects.Projects)
        for (auto& f : p->GetFillFields())
            if (dynamic_cast<TBlobFillField*>(f.get())) return true;
    return false;
}

// Files for the BLOB columns, in a folder beside the project ("shop.tdg" gets "shop-blobs"):
// bytes of a few sizes, none longer than the narrowest binary column (255 bytes). They are the
// same after every init, so that a seed still gives the same rows.
std::string writeSampleFiles(const std::string& project) {
    fs::path folder = fs::absolute(project);
    folder.replace_extension();
    folder += "-blobs";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw std::runtime_error("cannot create the folder " + folder.string() + ": " + ec.message());
    std::mt19937 bytes(20261208);
    const size_t sizes[] = {16, 24, 32, 48, 64, 96, 128, 200};
    for (size_t i = 0; i < std::size(sizes); ++i) {
        std::string data(sizes[i], '\0');
        for (char& c : data)
            c = static_cast<char>(bytes() & 0xff);
        const fs::path file = folder / ("sample-" + std::to_string(i + 1) + ".bin");
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (!out) throw std::runtime_error("cannot write " + file.string());
    }
    return folder.string();
}

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
    TGuessOptions guess;
    if (hasBlobColumns(projects)) guess.BlobFolder = writeSampleFiles(o.Text("output"));
    GuessSettings(projects, guess);
    projects.PlanTables();
    GuessPlanKeys(projects);
    projects.SaveToFile(o.Text("output"));
    std::cout << "Wrote " << o.Text("output") << ", tables in fill order:\n";
    printOrder(projects);
    if (!guess.BlobFolder.empty())
        std::cout << "BLOB columns take the files of " << guess.BlobFolder
                  << " (sample files; put others there)\n";
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
