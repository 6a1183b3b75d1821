// Schemas of the kinds people bring (a shop, people and their managers, film rentals, a music
// store, a forum with comment trees, hotel bookings), each written in every engine's own dialect:
// `tdg init` followed by `tdg fill` must fill every table in one go. The engines enforce every key
// and CHECK, so a table that reports all its rows inserted and none failed holds them all.
#include "TdgProcess.h"
#include "kvl3_db/TestDatabases.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <tuple>

namespace fs = std::filesystem;
using kvl::test::Engine;
using namespace tdg::test;

namespace {

constexpr int kRows = 300;
const std::string kSchemas[] = {"shop", "hr", "rental", "music", "forum", "bookings"};

// The schema files are named after the engine, in lower case.
std::string dialect(Engine engine) {
    std::string name = kvl::test::EngineName(engine);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

// The statements of a schema file: comments dropped, split where a line ends a statement.
std::vector<std::string> statements(const std::string& file) {
    std::istringstream in(ReadFile(file));
    std::vector<std::string> out;
    std::string line, current;
    while (std::getline(in, line)) {
        if (line.rfind("--", 0) == 0) continue;
        current += line + "\n";
        if (!line.empty() && line.back() == ';') {
            current.erase(current.find_last_of(';'));
            out.push_back(current);
            current.clear();
        }
    }
    return out;
}

// The tables a user fills: a partition takes its rows through the table it belongs to.
int fillableTables(const std::vector<std::string>& sql) {
    int n = 0;
    for (const auto& s : sql)
        n += s.find("create table") != std::string::npos && s.find("partition of") == std::string::npos;
    return n;
}

// "table: N inserted, M failed" of each table the fill reported.
std::map<std::string, std::pair<int, int>> tableCounts(const std::string& out) {
    static const std::regex line(R"((\S+): (\d+) inserted, (\d+) failed)");
    std::map<std::string, std::pair<int, int>> counts;
    for (std::sregex_iterator it(out.begin(), out.end(), line), end; it != end; ++it)
        counts[(*it)[1]] = {std::stoi((*it)[2]), std::stoi((*it)[3])};
    return counts;
}

using TCorpusCase = std::tuple<Engine, std::string>;

class CorpusTest : public testing::TestWithParam<TCorpusCase> {
protected:
    void SetUp() override {
        db_ = std::make_unique<kvl::test::TTestDatabase>(engine());
        if (db_->Unavailable().empty()) return;
        if (kvl::test::EveryEngineRequired()) FAIL() << db_->Unavailable();
        GTEST_SKIP() << db_->Unavailable();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove(project_, ignored);
        fs::remove_all(logs_, ignored);
    }

    Engine engine() const { return std::get<0>(GetParam()); }
    std::string schemaFile() const {
        return std::string(KVL_CORPUS_DIR) + "/" + std::get<1>(GetParam()) + "." + dialect(engine()) + ".sql";
    }
    std::vector<std::string> schemaSql() const { return statements(schemaFile()); }
    std::string scalar(const std::string& sql) const {
        auto conn = db_->Open();
        auto transaction = KVL_GetTransaction(*conn, false);
        auto query = KVL_GetCursor(*conn, sql);
        query->SetTransaction(transaction.get());
        transaction->StartTransaction();
        query->Open();
        std::string value = query->FieldAsString(0);
        query->Close();
        transaction->Commit();
        return value;
    }

    std::unique_ptr<kvl::test::TTestDatabase> db_;
    std::string project_ = TempPath("corpus", ".tdg");
    std::string logs_ = TempPath("corpus_logs", "");
};

TEST_P(CorpusTest, InitThenFillFillsEveryTableWithoutAFailedRow) {
    auto sql = schemaSql();
    {
        auto conn = db_->Open();
        for (const auto& statement : sql)
            conn->ExecuteCommand("CUSTOM", statement);
    }
    const std::string uri = db_->ConnectionString();
    auto init = Tdg({"init", "--connect", uri, "-o", project_, "--rows", std::to_string(kRows)});
    ASSERT_EQ(init.status, 0) << init.out << init.err;
    auto fill = Tdg({"fill", "--connect", uri, "--project", project_, "--seed", "7", "--log-dir", logs_});
    EXPECT_EQ(fill.status, 0) << fill.out << fill.err;
    auto counts = tableCounts(fill.out);
    EXPECT_EQ(static_cast<int>(counts.size()), fillableTables(sql)) << fill.out;
    for (const auto& [table, count] : counts) {
        EXPECT_EQ(count.second, 0) << table << "\n" << ReadFile(logs_ + "/" + table + ".log");
        EXPECT_EQ(count.first, kRows) << table;
        EXPECT_EQ(scalar("select count(*) from " + table), std::to_string(count.first)) << table;
    }
}

INSTANTIATE_TEST_SUITE_P(Schemas, CorpusTest,
                         testing::Combine(kvl::test::AllEngines(), testing::ValuesIn(kSchemas)),
                         [](const testing::TestParamInfo<TCorpusCase>& info) {
                             return kvl::test::EngineName(std::get<0>(info.param)) + "_" +
                                    std::get<1>(info.param);
                         });

} // namespace
