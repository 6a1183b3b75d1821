// tdg: runs fill projects against a database from the command line.
#include "Console.h"
#include "Demo.h"

#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/Exceptions.h"
#include "base/Random.h"
#include "base/SysUtils.h"
#include "base/Usettings.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "uTFillStructureEngineVEX.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

const char* kUsage =
    R"(Usage: tdg COMMAND [OPTIONS]

Fills the tables of an SQL database with generated rows.

Commands:
  demo [--db FILE] [--rows N] [--seed N] [--log-dir DIR]
        Creates an SQLite demo database of related tables (customers, addresses,
        products, orders, order lines, reviews), fills it with sensible settings
        and prints a summary per table.

Options:
  --db FILE       the demo database file (default: tdg-demo.sqlite)
  --rows N        rows of the largest table; the others in proportion (default: 10000)
  --seed N        seeds the random generator, so a run can be repeated
  --log-dir DIR   where the error log of each table is written (default: the current folder)
  --help          this text

Settings it guesses: single-column integer keys count up from 1, foreign-key columns take
random values of the referenced column, columns named like first_name, last_name, email,
phone, city, country, street or url get names, addresses and so on, other integers random
values, nullable columns 5% NULLs.

Environment: TDG_DATA_DIR names the folder of the word-list archives.
)";

struct Options {
    std::string command;
    std::map<std::string, std::string> values;
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            o.command = "help";
            return o;
        }
        if (a.rfind("--", 0) == 0) {
            if (i + 1 >= argc) throw kvl::Exception("Option " + a + " needs a value.");
            o.values[a.substr(2)] = argv[++i];
        } else if (o.command.empty()) {
            o.command = a;
        } else {
            throw kvl::Exception("Unexpected argument \"" + a + "\".");
        }
    }
    return o;
}

std::string option(const Options& o, const std::string& name, const std::string& fallback) {
    auto it = o.values.find(name);
    return it == o.values.end() ? fallback : it->second;
}

int32_t number(const Options& o, const std::string& name, int32_t fallback) {
    auto it = o.values.find(name);
    if (it == o.values.end()) return fallback;
    int32_t v = 0;
    if (!kvl::TryStrToInt(it->second, v) || v < 0)
        throw kvl::Exception("--" + name + " takes a whole number, not \"" + it->second + "\".");
    return v;
}

void writeLogs(const TFillProjects& projects, const std::string& dir) {
    std::filesystem::create_directories(dir);
    for (TFillProject* p : projects.Projects)
        if (p->doFill && !p->Statistics.Log.IsEmpty())
            p->Statistics.Log.SaveToFile((std::filesystem::path(dir) / (p->TableName + ".log")).string());
    std::cout << "Error logs: " << std::filesystem::absolute(dir).string() << "\n";
}

int demo(const Options& o) {
    std::string db = option(o, "db", "tdg-demo.sqlite");
    int32_t rows = number(o, "rows", 10000);
    if (o.values.count("seed"))
        kvl::RandSeed(static_cast<uint64_t>(number(o, "seed", 0)));
    else
        kvl::Randomize();
    CreateDemoSchema(db);
    auto connection = kvl::KVL_OpenConnection("sqlite:" + db);
    auto database = connection->Database();
    TFillStructureEngineVEX engine(*connection, database, nullptr);
    TFillProjects projects;
    projects.SetStructureEngine(&engine);
    projects.CreateStructure();
    ApplySensibleSettings(projects);
    const std::map<std::string, double> share = {{"customers", 0.2}, {"addresses", 0.3},   {"products", 0.05},
                                                 {"orders", 0.5},    {"order_lines", 1.0}, {"reviews", 0.3}};
    for (TFillProject* p : projects.Projects)
        if (auto s = share.find(p->TableName); s != share.end())
            p->Rows = std::max(1, static_cast<int32_t>(rows * s->second));
    TConsoleRun run(projects, kvl::TKVL_Settings::FromEnvironment(TDG_DEFAULT_DATA_DIR));
    std::cout << "Filling " << std::filesystem::absolute(db).string() << "\n";
    bool ok = run.Run();
    run.PrintSummary();
    writeLogs(projects, option(o, "log-dir", "."));
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const char* lang = std::getenv("LC_ALL");
    if (!lang || !*lang) lang = std::getenv("LANG");
    kvl::SetFormatSettings(kvl::LocaleFormatSettings(lang ? lang : "C"));
    kvl::KVL_RegisterStandardDrivers();
    try {
        Options o = parse(argc, argv);
        if (o.command.empty() || o.command == "help") {
            std::cout << kUsage;
            return o.command.empty() ? 2 : 0;
        }
        if (o.command == "demo") return demo(o);
        std::cerr << "tdg: unknown command \"" << o.command << "\"\n" << kUsage;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "tdg: " << e.what() << "\n";
        return 1;
    }
}
