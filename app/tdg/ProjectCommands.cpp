// init, order and check: they read the schema and a project file but write no row.
#include "Commands.h"
#include "Console.h"
#include "Session.h"

#include "UTFillObject/TBlobFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "uSettingsGuess.h"
#include "uTDGFillPlan.h"

#include <bit>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Which kinds of BLOB column the schema has: geometries, other data.
std::pair<bool, bool> blobKinds(TFillProjects& projects) {
    std::pair<bool, bool> kinds{false, false};
    for (TFillProject* p : projects.Projects)
        for (auto& f : p->GetFillFields())
            if (dynamic_cast<TBlobFillField*>(f.get()))
                (IsGeometryColumn(*f) ? kinds.first : kinds.second) = true;
    return kinds;
}

// Bytes of a few sizes, none longer than the narrowest binary column (255 bytes). They are the
// same after every init, so that a seed still gives the same rows.
std::vector<std::string> sampleBytes() {
    std::mt19937 bytes(20261208);
    std::vector<std::string> files;
    for (size_t size : {16, 24, 32, 48, 64, 96, 128, 200}) {
        std::string data(size, '\0');
        for (char& c : data)
            c = static_cast<char>(bytes() & 0xff);
        files.push_back(std::move(data));
    }
    return files;
}

// Points at some cities (longitude, latitude) in the form a geometry column reads from a binary
// string: its SRID (0), then the point as little-endian WKB.
std::vector<std::string> samplePoints() {
    const std::pair<double, double> cities[] = {
        {13.405, 52.52},      {2.3522, 48.8566},    {-74.006, 40.7128}, {139.6917, 35.6895},
        {151.2093, -33.8688}, {-46.6333, -23.5505}, {36.8219, -1.2921}, {-123.1207, 49.2827}};
    std::vector<std::string> files;
    for (const auto& [x, y] : cities) {
        std::string point(4, '\0');            // SRID
        point += std::string("\1\1\0\0\0", 5); // little-endian, type 1: a point
        for (double coordinate : {x, y}) {
            const auto bits = std::bit_cast<uint64_t>(coordinate);
            for (int i = 0; i < 8; ++i)
                point += static_cast<char>((bits >> (8 * i)) & 0xff);
        }
        files.push_back(std::move(point));
    }
    return files;
}

// The files in a folder beside the project ("shop.tdg" and "blobs" give "shop-blobs"), which
// init writes anew; the folder's path, for the project.
std::string writeSamples(const std::string& project, const char* kind,
                         const std::vector<std::string>& files) {
    fs::path folder = fs::absolute(project);
    folder.replace_extension();
    folder += std::string("-") + kind;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw std::runtime_error("cannot create the folder " + folder.string() + ": " + ec.message());
    for (size_t i = 0; i < files.size(); ++i) {
        const fs::path file = folder / ("sample-" + std::to_string(i + 1) + ".bin");
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(files[i].data(), static_cast<std::streamsize>(files[i].size()));
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
    const auto [geometries, blobs] = blobKinds(projects);
    if (blobs) guess.BlobFolder = writeSamples(o.Text("output"), "blobs", sampleBytes());
    if (geometries) guess.GeometryFolder = writeSamples(o.Text("output"), "points", samplePoints());
    GuessSettings(projects, guess);
    projects.PlanTables();
    GuessPlanKeys(projects);
    projects.SaveToFile(o.Text("output"));
    std::cout << "Wrote " << o.Text("output") << ", tables in fill order:\n";
    printOrder(projects);
    for (const std::string& folder : {guess.BlobFolder, guess.GeometryFolder})
        if (!folder.empty())
            std::cout << "BLOB columns take the files of " << folder << " (samples; put others there)\n";
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
