// The fill run on PostgreSQL and Firebird against the engines' own limits, in one process:
// 100,000 rows of 8 integer columns, commit every 1000 rows.
//   PostgreSQL: the run, a plain libpq loop over one prepared statement, and COPY.
//   Firebird:   the run, and a plain loop through the same client library (SOCI's backend).
// Each is measured three times, taking turns, and the median is reported, so that a passing load
// on the machine weighs on all of them alike.
// Reads KVL_TEST_PG and KVL_TEST_FB (scripts/servers.sh start prints them); an engine without
// its variable is left out.
#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/Exceptions.h"
#include "base/Random.h"
#include "kvl3_db/Drivers.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"
#include "uTFillStructureEngineVEX.h"

#include <libpq-fe.h>
#include <soci/firebird/soci-firebird.h>
#include <soci/soci.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int Rows = 100000;
constexpr int Columns = 8;
constexpr int PerTransaction = 1000;
constexpr int Rounds = 3;

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string createTable(const std::string& name) {
    std::string sql = "create table " + name + " (";
    for (int c = 1; c <= Columns; ++c)
        sql += (c > 1 ? ", c" : "c") + std::to_string(c) + " integer";
    return sql + ")";
}

double runFill(const std::string& connectionString, const std::string& table) {
    auto connection = kvl::KVL_OpenConnection(connectionString);
    connection->ExecuteCommand("CUSTOM", createTable(table));
    TFillStructureEngineVEX engine(*connection, connection->Database(), nullptr);
    TFillProjects projects;
    projects.SetStructureEngine(&engine);
    projects.CreateStructure();
    for (TFillProject* p : projects.Projects) {
        if (!kvl::SameText(p->TableName, table)) continue;
        p->doFill = true;
        p->Rows = Rows;
        p->RowsPerTransaction = PerTransaction;
        for (auto& f : p->GetFillFields()) {
            auto* i = dynamic_cast<TIntegerFillField*>(f.get());
            i->FillType = fillRandom;
            i->RangeFrom = 1;
            i->RangeTo = 1000000;
        }
    }
    auto start = std::chrono::steady_clock::now();
    projects.startInsert();
    double s = seconds(start);
    projects.Projects.Clear();
    return Rows / s;
}

void pgCheck(PGresult* r, PGconn* c, ExecStatusType ok) {
    if (PQresultStatus(r) != ok) {
        std::string m = PQerrorMessage(c);
        PQclear(r);
        throw std::runtime_error(m);
    }
    PQclear(r);
}

double pgPlainLoop(const std::string& uri) {
    PGconn* c = PQconnectdb(uri.c_str());
    if (PQstatus(c) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(c));
    pgCheck(PQexec(c, createTable("bench_libpq").c_str()), c, PGRES_COMMAND_OK);
    pgCheck(PQprepare(c, "ins", "insert into bench_libpq values ($1,$2,$3,$4,$5,$6,$7,$8)", Columns, nullptr),
            c, PGRES_COMMAND_OK);
    std::vector<std::string> text(Columns);
    std::vector<const char*> values(Columns);
    auto start = std::chrono::steady_clock::now();
    pgCheck(PQexec(c, "begin"), c, PGRES_COMMAND_OK);
    for (int row = 1; row <= Rows; ++row) {
        for (int k = 0; k < Columns; ++k) {
            text[static_cast<size_t>(k)] = std::to_string(1 + kvl::Random(1000000));
            values[static_cast<size_t>(k)] = text[static_cast<size_t>(k)].c_str();
        }
        pgCheck(PQexecPrepared(c, "ins", Columns, values.data(), nullptr, nullptr, 0), c, PGRES_COMMAND_OK);
        if (row % PerTransaction == 0) {
            pgCheck(PQexec(c, "commit"), c, PGRES_COMMAND_OK);
            pgCheck(PQexec(c, "begin"), c, PGRES_COMMAND_OK);
        }
    }
    pgCheck(PQexec(c, "commit"), c, PGRES_COMMAND_OK);
    double s = seconds(start);
    PQfinish(c);
    return Rows / s;
}

double pgCopy(const std::string& uri) {
    PGconn* c = PQconnectdb(uri.c_str());
    if (PQstatus(c) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(c));
    pgCheck(PQexec(c, createTable("bench_copy").c_str()), c, PGRES_COMMAND_OK);
    auto start = std::chrono::steady_clock::now();
    pgCheck(PQexec(c, "copy bench_copy from stdin"), c, PGRES_COPY_IN);
    std::string line;
    for (int row = 1; row <= Rows; ++row) {
        line.clear();
        for (int k = 0; k < Columns; ++k)
            line += (k ? "\t" : "") + std::to_string(1 + kvl::Random(1000000));
        line += '\n';
        PQputCopyData(c, line.data(), static_cast<int>(line.size()));
    }
    PQputCopyEnd(c, nullptr);
    pgCheck(PQgetResult(c), c, PGRES_COMMAND_OK);
    double s = seconds(start);
    PQfinish(c);
    return Rows / s;
}

// "firebird:/path?user=U&password=P" as SOCI's own connect string.
std::string firebirdService(const std::string& cs) {
    auto q = cs.find('?');
    std::string path = cs.substr(cs.find(':') + 1, q - cs.find(':') - 1);
    std::string out = "service=" + path;
    std::string query = q == std::string::npos ? "" : cs.substr(q + 1);
    size_t at = 0;
    while (at < query.size()) {
        size_t amp = query.find('&', at);
        std::string kv = query.substr(at, amp == std::string::npos ? std::string::npos : amp - at);
        out += " " + kv;
        at = amp == std::string::npos ? query.size() : amp + 1;
    }
    return out;
}

double firebirdPlainLoop(const std::string& cs) {
    soci::session s(*soci::factory_firebird(), firebirdService(cs));
    s << createTable("bench_plain");
    s.commit();
    std::vector<int> v(Columns);
    soci::statement st = (s.prepare << "insert into bench_plain values (:a,:b,:c,:d,:e,:f,:g,:h)",
                          soci::use(v[0]), soci::use(v[1]), soci::use(v[2]), soci::use(v[3]), soci::use(v[4]),
                          soci::use(v[5]), soci::use(v[6]), soci::use(v[7]));
    auto start = std::chrono::steady_clock::now();
    s.begin();
    for (int row = 1; row <= Rows; ++row) {
        for (auto& x : v)
            x = 1 + kvl::Random(1000000);
        st.execute(true);
        if (row % PerTransaction == 0) {
            s.commit();
            s.begin();
        }
    }
    s.commit();
    return Rows / seconds(start);
}

void report(const char* what, double rate, double baseline) {
    std::printf("%-34s %12.0f rows/s   %5.2f of the plain loop\n", what, rate, rate / baseline);
}

double median(std::vector<double> rates) {
    std::sort(rates.begin(), rates.end());
    return rates[rates.size() / 2];
}

void dropTables(const char* connectionString, std::initializer_list<const char*> names) {
    auto c = kvl::KVL_OpenConnection(connectionString);
    for (const char* name : names) {
        try {
            c->ExecuteCommand("CUSTOM", std::string("drop table ") + name);
        } catch (const kvl::EKVL_DatabaseError&) {
            // not there yet
        }
    }
}

void postgres(const char* pg) {
    std::vector<double> plain, run, copy;
    for (int round = 0; round < Rounds; ++round) {
        dropTables(pg, {"bench_run", "bench_libpq", "bench_copy"});
        plain.push_back(pgPlainLoop(pg));
        run.push_back(runFill(pg, "bench_run"));
        copy.push_back(pgCopy(pg));
    }
    dropTables(pg, {"bench_run", "bench_libpq", "bench_copy"}); // the test database stays as it was
    double base = median(plain);
    std::printf("PostgreSQL, %d rows of %d integer columns, median of %d\n", Rows, Columns, Rounds);
    report("plain libpq prepared loop", base, base);
    report("fill run", median(run), base);
    report("COPY", median(copy), base);
}

void firebird(const char* fb) {
    std::vector<double> plain, run;
    for (int round = 0; round < Rounds; ++round) {
        dropTables(fb, {"BENCH_RUN", "BENCH_PLAIN"});
        plain.push_back(firebirdPlainLoop(fb));
        run.push_back(runFill(fb, "BENCH_RUN"));
    }
    dropTables(fb, {"BENCH_RUN", "BENCH_PLAIN"});
    double base = median(plain);
    std::printf("Firebird, %d rows of %d integer columns, median of %d\n", Rows, Columns, Rounds);
    report("plain loop through the client", base, base);
    report("fill run", median(run), base);
}

} // namespace

int main() {
    kvl::KVL_RegisterStandardDrivers();
    const char* pg = std::getenv("KVL_TEST_PG");
    const char* fb = std::getenv("KVL_TEST_FB");
    try {
        if (pg && *pg)
            postgres(pg);
        else
            std::printf("PostgreSQL left out: KVL_TEST_PG is not set\n");
        if (fb && *fb)
            firebird(fb);
        else
            std::printf("Firebird left out: KVL_TEST_FB is not set\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "engine_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
