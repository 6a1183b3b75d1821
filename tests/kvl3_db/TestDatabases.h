#pragma once
#include "kvl3_db/Ukvl_connection.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace kvl::test {

enum class Engine { SQLite, PostgreSQL, Firebird, MariaDB };

std::string EngineName(Engine engine);
// Test names and failure messages show the engine's name, not its bytes.
inline void PrintTo(Engine engine, std::ostream* out) {
    *out << EngineName(engine);
}
// For INSTANTIATE_TEST_SUITE_P: every engine, so that each shows under its own test names.
testing::internal::ParamGenerator<Engine> AllEngines();
std::string EngineParamName(const testing::TestParamInfo<Engine>& info);

// A fresh, empty database for one test: a file of its own for SQLite and Firebird (a copy of
// the prepared KVL_TEST_FB file), a schema of its own (made the session's) for PostgreSQL, a
// database of its own on the KVL_TEST_MY server for MariaDB.
class TTestDatabase {
public:
    explicit TTestDatabase(Engine engine);
    ~TTestDatabase();
    TTestDatabase(const TTestDatabase&) = delete;
    TTestDatabase& operator=(const TTestDatabase&) = delete;

    // Empty when the engine is not reachable; Unavailable() then says why.
    const std::string& ConnectionString() const { return connectionString_; }
    const std::string& Unavailable() const { return unavailable_; }
    std::unique_ptr<TKVL_Connection> Open() const { return KVL_OpenConnection(connectionString_); }

private:
    Engine engine_;
    std::string connectionString_, unavailable_, file_, schema_, database_;
};

// Whether a missing engine is a failure (CI=true) rather than a skip.
bool EveryEngineRequired();

// The SQL that makes a table (name quoted, one integer column "v") whose rows with v above
// `highest` the server refuses only when their transaction commits: a deferred foreign key where
// the engine has one, a commit trigger on Firebird, which checks every key at once. Empty where
// the engine has neither (MariaDB): tests that need such a table run on EnginesRefusingAtCommit().
std::vector<std::string> RefusedAtCommitTable(Engine engine, const std::string& name, int highest);
testing::internal::ParamGenerator<Engine> EnginesRefusingAtCommit();

// The fixture of the engine matrix: a test database and an open connection to it.
class EngineTest : public testing::TestWithParam<Engine> {
protected:
    void SetUp() override;

    Engine engine() const { return GetParam(); }
    bool is(Engine e) const { return GetParam() == e; }
    // Runs SQL at once, outside any transaction of the test.
    void exec(const std::string& sql) { conn_->ExecuteCommand("CUSTOM", sql); }
    // The first column of the first row of a query, read on a second connection.
    std::string scalar(const std::string& sql);

    // The connection goes before its database, and what a derived fixture holds before both.
    std::unique_ptr<TTestDatabase> db_;
    std::unique_ptr<TKVL_Connection> conn_;
};

} // namespace kvl::test
