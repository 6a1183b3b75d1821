// Fills one SQLite table of 8 integer columns through the whole run, then inserts the same
// kind of rows with the SQLite C interface through one prepared statement, and compares.
#include "support/SqliteTestEngine.h"

#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/Random.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <string>

namespace {

constexpr int Columns = 8;
constexpr int RandomHigh = 1000000;

// Wall time and the process's CPU time: the machine is shared, so the CPU time is the steadier
// measure of what each side costs.
struct Timing {
    double Wall = 0;
    double Cpu = 0;
};

class Stopwatch {
public:
    Stopwatch() : wall_(std::chrono::steady_clock::now()), cpu_(std::clock()) {}
    Timing Read() const {
        return {std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count(),
                static_cast<double>(std::clock() - cpu_) / CLOCKS_PER_SEC};
    }

private:
    std::chrono::steady_clock::time_point wall_;
    std::clock_t cpu_;
};

void check(sqlite3* db, int rc, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

void exec(sqlite3* db, const std::string& sql) {
    check(db, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), sql.c_str());
}

std::string createTable(const std::string& name) {
    std::string sql = "create table " + name + " (";
    for (int c = 1; c <= Columns; ++c)
        sql += (c > 1 ? ", c" : "c") + std::to_string(c) + " integer";
    return sql + ")";
}

KFillRecord integerColumn(int c) {
    KFillRecord rec;
    rec.DataTypeName = "Integer";
    rec.ColumnName = std::string("c").append(std::to_string(c));
    return rec;
}

// Odd columns count up, even ones are random: the mix a typical test table gets.
Timing runFill(const std::string& path, int rows, int perTransaction) {
    SqliteTestEngine engine("sqlite:" + path);
    std::vector<KFillRecord> records;
    for (int c = 1; c <= Columns; ++c)
        records.push_back(integerColumn(c));
    engine.AddTable("run", records);
    TFillProjects projects;
    projects.SetStructureEngine(&engine);
    projects.CreateStructure();
    TFillProject& p = *projects.getFillProject(0);
    p.doFill = true;
    p.Rows = rows;
    p.RowsPerTransaction = perTransaction;
    int c = 0;
    for (auto& f : p.GetFillFields()) {
        auto& field = static_cast<TIntegerFillField&>(*f);
        if (c++ % 2 == 0) {
            field.FillType = fillIncreasing;
            field.RangeFrom = 1;
            field.StaticValue = 1;
        } else {
            field.FillType = fillRandom;
            field.RangeFrom = 0;
            field.RangeTo = RandomHigh;
        }
    }
    Stopwatch watch;
    projects.startInsert();
    Timing elapsed = watch.Read();
    if (p.Statistics.RowsInserted != rows)
        throw std::runtime_error("the run inserted " + std::to_string(p.Statistics.RowsInserted) + " rows");
    projects.SetStructureEngine(nullptr);
    return elapsed;
}

Timing runPlain(const std::string& path, int rows, int perTransaction) {
    sqlite3* db = nullptr;
    check(db, sqlite3_open(path.c_str(), &db), "open");
    std::string sql = "insert into plain values (?";
    for (int c = 2; c <= Columns; ++c)
        sql += ", ?";
    sql += ")";
    sqlite3_stmt* st = nullptr;
    check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), "prepare");
    Stopwatch watch;
    exec(db, "begin");
    for (int row = 1; row <= rows; ++row) {
        for (int c = 0; c < Columns; ++c) {
            sqlite3_int64 v = c % 2 == 0 ? row : kvl::Random(RandomHigh + 1);
            sqlite3_bind_int64(st, c + 1, v);
        }
        check(db, sqlite3_step(st), "step");
        sqlite3_reset(st);
        if (row % perTransaction == 0) {
            exec(db, "commit");
            exec(db, "begin");
        }
    }
    exec(db, "commit");
    Timing elapsed = watch.Read();
    sqlite3_finalize(st);
    sqlite3_close(db);
    return elapsed;
}

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int perTransaction = 1000;
    const std::string path = argc > 2 ? argv[2] : "/tmp/kvl_fill_run_bench.db";
    try {
        std::remove(path.c_str());
        {
            sqlite3* db = nullptr;
            check(db, sqlite3_open(path.c_str(), &db), "open");
            exec(db, createTable("run"));
            exec(db, createTable("plain"));
            sqlite3_close(db);
        }
        // "fill" or "plain" runs one side alone, for profiling
        const std::string only = argc > 3 ? argv[3] : "";
        const Timing fill = only == "plain" ? Timing{1, 1} : runFill(path, rows, perTransaction);
        const Timing plain = only == "fill" ? Timing{1, 1} : runPlain(path, rows, perTransaction);
        std::printf("rows: %d, commit every %d rows, %d integer columns\n", rows, perTransaction, Columns);
        std::printf("fill run:    wall %7.3f s %9.0f rows/s   cpu %7.3f s %9.0f rows/s\n", fill.Wall,
                    rows / fill.Wall, fill.Cpu, rows / fill.Cpu);
        std::printf("plain loop:  wall %7.3f s %9.0f rows/s   cpu %7.3f s %9.0f rows/s\n", plain.Wall,
                    rows / plain.Wall, plain.Cpu, rows / plain.Cpu);
        std::printf("ratio (fill run / plain loop): wall %.2f  cpu %.2f\n", plain.Wall / fill.Wall,
                    plain.Cpu / fill.Cpu);
        std::remove(path.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
