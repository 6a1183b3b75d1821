// CPU time per row of making the demo schema's values, without a database to write to: the
// demo's tables get the settings `tdg demo` gives them, and each table's fields are prepared and
// asked for their values row by row, as a run asks them. Columns that draw from a parent table's
// rows are left out, as only a run reads those rows. Prints the median of the rounds:
// "<nanoseconds per row> <rows> <columns>"; with a third argument, then the nanoseconds per
// value of each column, "<table>.<column> <fill type> <nanoseconds>", to see where a row's time goes.
//
//   demo_values_bench [ROWS [ROUNDS [columns]]]   ROWS as `tdg demo --rows` (default 50000), ROUNDS 5
#include "Demo.h"
#include "ExternalData/ExternalDataReader.h"
#include "UTFillConstants.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/Random.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "uTFillStructureEngineVEX.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

volatile size_t sink = 0;

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct TTable {
    long Rows = 0;
    std::vector<TCustomFillField*> Fields;
};

// Prepared again each round, as a run prepares its fields: a unique column starts with no
// values given.
double round(const std::vector<TTable>& tables, long rows) {
    for (const TTable& t : tables)
        for (TCustomFillField* f : t.Fields)
            f->prepareInsert();
    kvl::RandSeed(1);
    const double start = cpuSeconds();
    for (const TTable& t : tables)
        for (long r = 0; r < t.Rows; ++r)
            for (TCustomFillField* f : t.Fields)
                sink = sink + (f->getInsertValue().IsNull() ? 0 : 1);
    return (cpuSeconds() - start) * 1e9 / static_cast<double>(rows);
}

// Each column on its own, as many values as its table has rows.
void columns(const std::vector<TFillProject*>& projects) {
    for (TFillProject* p : projects)
        for (auto& f : p->GetFillFields()) {
            if (f->FillType == fillNothing || f->FillType == fillReferential) continue;
            f->prepareInsert();
            const double start = cpuSeconds();
            for (long r = 0; r < p->Rows; ++r)
                sink = sink + (f->getInsertValue().IsNull() ? 0 : 1);
            std::printf("%s.%s %d %.1f\n", p->TableName.c_str(), f->ColumnName.c_str(), f->FillType,
                        (cpuSeconds() - start) * 1e9 / static_cast<double>(p->Rows));
        }
}

} // namespace

int main(int argc, char** argv) {
    const long demoRows = argc > 1 ? std::atol(argv[1]) : 50000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const char* dataDir = std::getenv("TDG_DATA_DIR");
    const std::string dir = dataDir && *dataDir ? dataDir : TDG_BENCH_DATA_DIR;
    const std::string path = "/tmp/tdg_demo_values_" + std::to_string(getpid()) + ".sqlite";
    try {
        kvl::KVL_RegisterStandardDrivers();
        CreateDemoSchema("sqlite:" + path);
        auto connection = kvl::KVL_OpenConnection("sqlite:" + path);
        TFillProjects projects;
        projects.OnExternalDataInit = [&](TExternalDataKind kind, kvl::TStringList& target) {
            tdg::LoadExternalData(dir, std::string(TDG_EXTERNALDATA_FILENAMES[kind]),
                                  std::string(TDG_EXTERNALDATA_ZIPPEDNAME[kind]),
                                  std::string(TDG_EXTERNALDATA_PASSWORDS[kind]), target);
        };
        TFillStructureEngineVEX engine(*connection, connection->Database(), nullptr);
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
        ApplyDemoSettings(projects, static_cast<int32_t>(demoRows));
        std::vector<TTable> tables;
        long rows = 0, columnCount = 0;
        for (TFillProject* p : projects.Projects) {
            TTable t{p->Rows, {}};
            for (auto& f : p->GetFillFields()) {
                if (f->FillType == fillNothing || f->FillType == fillReferential) continue;
                t.Fields.push_back(f.get());
            }
            rows += t.Rows;
            columnCount += static_cast<long>(t.Fields.size());
            tables.push_back(std::move(t));
        }
        round(tables, rows); // warms the lists and the caches
        std::vector<double> perRow;
        for (int i = 0; i < rounds; ++i)
            perRow.push_back(round(tables, rows));
        std::sort(perRow.begin(), perRow.end());
        std::printf("%.1f %ld %ld\n", perRow[perRow.size() / 2], rows, columnCount);
        if (argc > 3) columns({projects.Projects.begin(), projects.Projects.end()});
        projects.Projects.Clear();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "demo_values_bench: %s\n", e.what());
        std::filesystem::remove(path);
        return 1;
    }
    std::filesystem::remove(path);
    return 0;
}
