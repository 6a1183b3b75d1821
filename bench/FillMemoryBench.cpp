// Peak resident memory of a whole fill run into SQLite at growing row counts: the run keeps
// nothing per row, so the peak must stay flat however many rows go in. Each count runs in a
// child process of its own, whose peak the kernel reports at its end; the child also checks
// that the inserted count the run reports is what count(*) reads on a second connection.
//
//   fill_memory_bench [ROWS...]    default: 1000000 10000000
//   KVL_BENCH_DIR                  where the database files go (default /tmp)
//   KVL_MEMORY_SLACK_KB            allowed growth of the peak from the first count to the last
//                                  (default 16384); more makes the exit status 1
#include "UTFillConstants.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "uTFillStructureEngineVEX.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int ExitMismatch = 2;
constexpr int ExitFailure = 3;

void configure(TFillProject& p, int64_t rows) {
    p.doFill = true;
    p.Rows = static_cast<int32_t>(rows);
    p.RowsPerTransaction = 10000;
    for (auto& f : p.GetFillFields()) {
        f->IncludeNulls = false;
        if (auto* i = dynamic_cast<TIntegerFillField*>(f.get())) {
            i->FillType = i->ColumnName == "id" ? fillIncreasing : fillRandom;
            i->RangeFrom = 1;
            i->RangeTo = 1000000;
            i->StaticValue = 1;
        } else if (auto* r = dynamic_cast<TFloatFillField*>(f.get())) {
            r->FillType = fillRandom;
            r->RangeFrom = -1000;
            r->RangeTo = 1000;
        } else if (auto* t = dynamic_cast<TTextFillField*>(f.get())) {
            t->FillType = fillRandomText;
            t->LengthFrom = 5;
            t->LengthTo = 30;
        } else if (auto* d = dynamic_cast<TDateFillField*>(f.get())) {
            d->FillType = fillFixed;
        }
    }
}

int64_t countRows(const std::string& uri) {
    auto probe = kvl::KVL_OpenConnection(uri);
    auto transaction = kvl::KVL_GetTransaction(*probe, false);
    auto query = kvl::KVL_GetCursor(*probe, "select count(*) from fill_target");
    query->SetTransaction(transaction.get());
    transaction->StartTransaction();
    query->Open();
    const int64_t count = std::stoll(query->FieldAsString(0));
    query->Close();
    transaction->Commit();
    return count;
}

// The child's whole work: one fill of the given size through the SQL structure engine.
int fillOnce(const std::string& path, int64_t rows) {
    try {
        kvl::KVL_RegisterStandardDrivers();
        std::filesystem::remove(path);
        const std::string uri = "sqlite:" + path;
        auto connection = kvl::KVL_OpenConnection(uri);
        connection->ExecuteCommand("CUSTOM",
                                   "create table fill_target (id integer primary key, amount integer, "
                                   "ratio double precision, label varchar(30), made date)");
        TFillProjects projects;
        TFillStructureEngineVEX engine(*connection, connection->Database(), nullptr);
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
        TFillProject& project = *projects.getFillProject(0);
        configure(project, rows);
        const auto start = std::chrono::steady_clock::now();
        projects.startInsert();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int64_t inserted = project.Statistics.RowsInserted;
        const int64_t counted = countRows(uri);
        std::printf("rows %lld: inserted %lld, count(*) %lld, errors %d, %.1f s\n",
                    static_cast<long long>(rows), static_cast<long long>(inserted),
                    static_cast<long long>(counted), project.Statistics.ErrorCount, seconds);
        projects.Projects.Clear();
        std::filesystem::remove(path);
        return inserted == rows && counted == rows ? 0 : ExitMismatch;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fill of %lld rows failed: %s\n", static_cast<long long>(rows), e.what());
        return ExitFailure;
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int64_t> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoll(argv[i]));
    if (counts.empty()) counts = {1000000, 10000000};
    const char* dir = std::getenv("KVL_BENCH_DIR");
    const char* slackText = std::getenv("KVL_MEMORY_SLACK_KB");
    const long slack = slackText ? std::atol(slackText) : 16384;
    const std::string path =
        std::string(dir ? dir : "/tmp") + "/kvl_fill_memory_" + std::to_string(getpid()) + ".sqlite";

    std::vector<long> peaks;
    int status = 0;
    for (int64_t rows : counts) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            const int code = fillOnce(path, rows);
            std::fflush(stdout);
            _exit(code);
        }
        int childStatus = 0;
        rusage usage{};
        if (child < 0 || wait4(child, &childStatus, 0, &usage) != child) return ExitFailure;
        const int code = WIFEXITED(childStatus) ? WEXITSTATUS(childStatus) : ExitFailure;
        std::printf("rows %lld: peak resident memory %ld KiB\n", static_cast<long long>(rows),
                    usage.ru_maxrss);
        peaks.push_back(usage.ru_maxrss);
        if (code != 0) status = code;
    }
    if (peaks.size() > 1 && peaks.back() - peaks.front() > slack) {
        std::printf("the peak grew by %ld KiB from %lld to %lld rows (allowed %ld)\n",
                    peaks.back() - peaks.front(), static_cast<long long>(counts.front()),
                    static_cast<long long>(counts.back()), slack);
        if (status == 0) status = 1;
    }
    return status;
}
