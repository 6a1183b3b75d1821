// Schemas of the kinds people bring (a shop, people and their managers, film rentals, a music
// store, a forum with comment trees, hotel bookings), each written in every engine's own dialect:
// `tdg init` followed by `tdg fill` must fill every table in one go. The engines enforce every key
// and CHECK, so a table that reports all its rows inserted and none failed holds them all.
#include "TdgProcess.h"
#include "kvl3_db/TestDatabases.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

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

class CorpusTest : public TTdgTest {};

TEST_P(CorpusTest, InitThenFillFillsEveryTableWithoutAFailedRow) {
    for (const std::string& schema : kSchemas) {
        SCOPED_TRACE(schema);
        if (schema != kSchemas[0]) { // each schema in a database of its own
            conn_.reset();
            db_ = std::make_unique<kvl::test::TTestDatabase>(engine());
            conn_ = db_->Open();
            uri_ = db_->ConnectionString();
        }
        const auto sql =
            statements(std::string(KVL_CORPUS_DIR) + "/" + schema + "." + dialect(engine()) + ".sql");
        for (const auto& statement : sql)
            exec(statement);
        init({"--rows", std::to_string(kRows)});
        auto r = fill({"--seed", "7"});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        auto counts = tableCounts(r.out);
        EXPECT_EQ(static_cast<int>(counts.size()), fillableTables(sql)) << r.out;
        for (const auto& [table, count] : counts) {
            EXPECT_EQ(count.second, 0) << table << "\n" << ReadFile(logs_ + "/" + table + ".log");
            EXPECT_EQ(count.first, kRows) << table;
            EXPECT_EQ(scalar("select count(*) from " + table), std::to_string(count.first)) << table;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, CorpusTest, kvl::test::AllEngines(), kvl::test::EngineParamName);

} // namespace
