#include "TestDatabases.h"

#include "kvl3_db/Drivers.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

namespace kvl::test {

namespace fs = std::filesystem;

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Unique within the machine: tests of one executable run in parallel processes.
std::string uniqueSuffix() {
    static std::atomic<int> counter{0};
    return std::to_string(getpid()) + "_" + std::to_string(++counter);
}

// The variable that names each engine's server, SQLite's aside.
const char* const ServerVariables[] = {"", "KVL_TEST_PG", "KVL_TEST_FB", "KVL_TEST_MY"};

void dropQuietly(Engine engine, const std::string& name, const std::string& sql) {
    if (name.empty()) return;
    try {
        KVL_OpenConnection(env(ServerVariables[static_cast<int>(engine)]))->ExecuteCommand("CUSTOM", sql);
    } catch (...) {
    }
}

} // namespace

std::string EngineName(Engine engine) {
    static const char* const names[] = {"SQLite", "PostgreSQL", "Firebird", "MariaDB"};
    return names[static_cast<int>(engine)];
}

testing::internal::ParamGenerator<Engine> AllEngines() {
    return testing::Values(Engine::SQLite, Engine::PostgreSQL, Engine::Firebird, Engine::MariaDB);
}

std::string EngineParamName(const testing::TestParamInfo<Engine>& info) {
    return EngineName(info.param);
}

testing::internal::ParamGenerator<Engine> EnginesRefusingAtCommit() {
    return testing::Values(Engine::SQLite, Engine::PostgreSQL, Engine::Firebird);
}

bool EveryEngineRequired() {
    return env("CI") == "true";
}

std::vector<std::string> RefusedAtCommitTable(Engine engine, const std::string& name, int highest) {
    if (engine == Engine::MariaDB) return {};
    const std::string table = "\"" + name + "\"";
    if (engine == Engine::Firebird) {
        const std::string refusal = "\"" + name + "_refused\"";
        return {"create table " + table + " (\"v\" integer)",
                "create exception " + refusal + " 'key refused at commit'",
                "create trigger \"" + name +
                    "_commit\" on transaction commit as begin if (exists(select 1 from " + table +
                    " where \"v\" > " + std::to_string(highest) + ")) then exception " + refusal + "; end"};
    }
    const std::string parent = "\"" + name + "_parent\"";
    std::vector<std::string> sql = {"create table " + parent + " (\"id\" integer primary key)"};
    for (int id = 1; id <= highest; ++id)
        sql.push_back("insert into " + parent + " (\"id\") values (" + std::to_string(id) + ")");
    sql.push_back("create table " + table + " (\"v\" integer references " + parent +
                  " (\"id\") deferrable initially deferred)");
    return sql;
}

TTestDatabase::TTestDatabase(Engine engine) : engine_(engine) {
    KVL_RegisterStandardDrivers();
    if (engine == Engine::SQLite) {
        file_ = (fs::path(testing::TempDir()) / ("kvl_db_test_" + uniqueSuffix() + ".sqlite")).string();
        fs::remove(file_);
        connectionString_ = "sqlite:" + file_;
        return;
    }
    const std::string base = env(ServerVariables[static_cast<int>(engine)]);
    if (base.empty()) {
        unavailable_ = std::string(ServerVariables[static_cast<int>(engine)]) + " is not set";
        return;
    }
    auto question = base.find('?');
    const std::string query = question == std::string::npos ? std::string() : base.substr(question);
    switch (engine) {
    case Engine::PostgreSQL:
        schema_ = "kvl_test_" + uniqueSuffix();
        KVL_OpenConnection(base)->ExecuteCommand("CUSTOM", "create schema " + schema_);
        // the test's schema is the session's: the first of its search path
        connectionString_ = base + (query.empty() ? "?" : "&") + "options=-csearch_path%3D" + schema_;
        break;
    case Engine::Firebird: {
        if (env("FIREBIRD_LOCK").empty()) { // the embedded engine's lock files stay in a folder of ours
            fs::path lock = fs::path(testing::TempDir()) / "kvl_firebird_lock";
            fs::create_directories(lock);
            setenv("FIREBIRD_LOCK", lock.c_str(), 0);
        }
        std::string location = base.substr(0, question);
        // "firebird:/path" or "firebird://host:port/path": the file starts at the first single "/"
        auto pathStart =
            location.rfind("firebird://", 0) == 0 ? location.find('/', 11) : location.find(':') + 1;
        std::string templateFile = location.substr(pathStart);
        file_ = (fs::path(templateFile).parent_path() / ("kvl_db_test_" + uniqueSuffix() + ".fdb")).string();
        fs::copy_file(templateFile, file_, fs::copy_options::overwrite_existing);
        connectionString_ = location.substr(0, pathStart) + file_ + query;
        break;
    }
    default:
        database_ = "kvl_test_" + uniqueSuffix();
        KVL_OpenConnection(base)->ExecuteCommand("CUSTOM",
                                                 "create database " + database_ + " character set utf8mb4");
        // the test's database replaces the one the string names: "mariadb://user:pw@host:port/db?.."
        connectionString_ = base.substr(0, base.rfind('/', question) + 1) + database_ + query;
    }
}

TTestDatabase::~TTestDatabase() {
    // what is left behind goes with the throwaway servers
    dropQuietly(Engine::PostgreSQL, schema_, "drop schema " + schema_ + " cascade");
    dropQuietly(Engine::MariaDB, database_, "drop database " + database_);
    if (!file_.empty()) {
        std::error_code ignored;
        fs::remove(file_, ignored);
    }
}

void EngineTest::SetUp() {
    db_ = std::make_unique<TTestDatabase>(GetParam());
    if (!db_->Unavailable().empty()) {
        if (EveryEngineRequired())
            FAIL() << EngineName(GetParam()) << " is required here (CI=true): " << db_->Unavailable();
        GTEST_SKIP() << db_->Unavailable();
    }
    conn_ = db_->Open();
}

std::string EngineTest::scalar(const std::string& sql) {
    auto other = db_->Open();
    auto query = KVL_GetCursor(*other, sql);
    query->Open();
    return query->Eof() ? std::string("<no row>") : query->FieldAsString(0);
}

} // namespace kvl::test
