#include "TdgProcess.h"

#include <gmock/gmock.h>

using kvl::test::Engine;
using namespace tdg::test;
using testing::HasSubstr;
using testing::Not;

namespace {

// One table of a schema: its columns, and a key that closes a cycle, which servers other than
// SQLite take only once the referenced table exists.
struct TTableSql {
    const char* name;
    const char* columns;
    const char* lateKey; // "column) references "table"(column" or nullptr
};

// Shapes the real schemas of the corpus lack: nullable, NOT NULL and unique self-references whose
// values are looked at below, a cycle of three, and one table with every kind of key.
const TTableSql kCorpus[] = {
    {"category", R"("id" integer primary key, "parent_id" integer references "category"("id"))", nullptr},
    {"node", R"("id" integer primary key, "root_id" integer not null references "node"("id"))", nullptr},
    {"version", R"("id" integer primary key, "prev_id" integer unique references "version"("id"))", nullptr},
    {"ca", R"("id" integer primary key, "cc_id" integer)", R"("cc_id") references "cc"("id")"},
    {"cb", R"("id" integer primary key, "ca_id" integer not null references "ca"("id"))", nullptr},
    {"cc", R"("id" integer primary key, "cb_id" integer not null references "cb"("id"))", nullptr},
    {"cpk", R"("a" integer not null, "b" integer not null, "note" varchar(20), primary key ("a", "b"))",
     nullptr},
    {"passport", R"("id" integer primary key, "node_id" integer not null unique references "node"("id"))",
     nullptr},
    {"task",
     R"("id" integer primary key, "parent_id" integer references "task"("id"), "pa" integer not null,
        "pb" integer not null, "owner_id" integer unique references "node"("id"), "last_step" integer,
        foreign key ("pa", "pb") references "cpk"("a", "b"))",
     R"("last_step") references "step"("id")"},
    {"step", R"("id" integer primary key, "task_id" integer not null references "task"("id"))", nullptr},
};

// Keys the plan sets, some only once a later table is filled: the same seed must give them the
// same values.
const std::pair<const char*, const char*> kPlannedKeys[] = {
    {"category", "parent_id"}, {"node", "root_id"},    {"ca", "cc_id"}, {"task", "last_step"}, {"task", "pa"},
    {"step", "task_id"},       {"passport", "node_id"}};

class FillPlanCliTest : public TTdgTest {
protected:
    std::string q(const std::string& name) const { return "\"" + name + "\""; }

    // The values of the planned keys, each weighted by its row, as one text.
    std::string plannedKeys() {
        // MariaDB casts to a signed integer of 64 bits by that name
        const std::string wide = is(Engine::MariaDB) ? "signed" : "bigint";
        std::string text;
        for (const auto& [table, column] : kPlannedKeys)
            text +=
                scalar("select sum(cast(" + q(column) + " as " + wide + ") * \"id\") from " + q(table)) + " ";
        return text;
    }
};

TEST_P(FillPlanCliTest, SchemasWithCyclesFillRefillAndGiveTheSameRowsForTheSameSeed) {
    for (const TTableSql& t : kCorpus) {
        std::string columns = t.columns;
        if (t.lateKey && is(Engine::SQLite)) columns += std::string(", foreign key (") + t.lateKey + ")";
        exec("create table " + q(t.name) + " (" + columns + ")");
    }
    std::vector<std::string> tables;
    for (const TTableSql& t : kCorpus) {
        tables.push_back(t.name);
        if (t.lateKey && !is(Engine::SQLite))
            exec("alter table " + q(t.name) + " add foreign key (" + t.lateKey + ")");
    }
    if (is(Engine::PostgreSQL)) { // a key declared on a partition counts for the partitioned table
        exec("create table \"sensor\" (\"id\" integer primary key)");
        exec("create table \"measure\" (\"sensor_id\" integer not null, \"taken\" integer not null) "
             "partition by range (\"taken\")");
        exec(
            "create table \"measure_all\" partition of \"measure\" for values from (minvalue) to (maxvalue)");
        exec("alter table \"measure_all\" add foreign key (\"sensor_id\") references \"sensor\"(\"id\")");
        tables.insert(tables.end(), {"sensor", "measure"});
    }
    init();
    std::string keys;
    for (const char* run : {"first", "again, emptying the tables through their cycles"}) {
        SCOPED_TRACE(run);
        auto r = fill({"--seed", "11"});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        for (const std::string& t : tables) {
            EXPECT_THAT(r.out, HasSubstr(t + ": 1000 inserted, 0 failed")) << r.out;
            EXPECT_EQ(scalar("select count(*) from " + q(t)), "1000") << t;
        }
        if (!keys.empty()) EXPECT_EQ(plannedKeys(), keys);
        keys = plannedKeys();
        for (const std::string& t : tables)
            EditProject(project_, t, "", {{"EMPTY_TABLE", "1"}});
    }
    EXPECT_NE(scalar("select count(*) from \"ca\" where \"cc_id\" is not null"), "0")
        << "a key that waited for a later table is set afterwards";
    EXPECT_NE(scalar("select count(*) from \"category\" where \"parent_id\" is not null"), "0");
    // a nullable self-reference keeps its share of NULLs past the first row, which has none to point at
    EXPECT_GT(std::stoi(scalar("select count(*) from \"category\" where \"parent_id\" is null")), 1);
    // a forest: each row points at itself or an earlier row, never at a later one
    EXPECT_EQ(scalar("select count(*) from \"category\" where \"parent_id\" >= \"id\""), "0");
    EXPECT_EQ(scalar("select count(*) from \"node\" where \"root_id\" > \"id\""), "0");
    EXPECT_EQ(scalar("select count(*) from \"version\" where \"prev_id\" >= \"id\""), "0");

    // one passport per node: 1000 nodes, 1200 passports asked
    auto r = check({"--only", "passport", "--rows", "1200"});
    EXPECT_EQ(r.status, 0);
    EXPECT_THAT(r.out,
                HasSubstr("warning: passport: unique key (node_id) of foreign keys has 1000 combinations "
                          "of referenced rows for 1200 rows"));
    r = fill({"--only", "passport", "--rows", "1200"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("passport: 1000 inserted, 0 failed"));
    EXPECT_THAT(ReadFile(logs_ + "/passport.log"), HasSubstr("Filling ends after 1000 rows"));

    // a key the server makes cannot be pointed at by the rows of its own table
    EditProject(project_, "node", "id", {{"FILL_TYPE", "0"}});
    r = check({"--only", "node"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.out,
                HasSubstr("error: node.root_id: points at rows of its own table, but their key id is left to "
                          "the server"));
}

// Lines numbered within their order: the number's column holds 255 at most, by its type on
// MariaDB and by a check elsewhere; a plain counter in a key of its own would fail past it.
TEST_P(FillPlanCliTest, AKeyOfAForeignKeyAndACounterNumbersTheRowsOfEachReferencedRow) {
    const std::string number = is(Engine::MariaDB)
                                   ? "\"line_no\" tinyint unsigned not null"
                                   : "\"line_no\" smallint not null check (\"line_no\" <= 255)";
    exec("create table \"orders\" (\"id\" integer primary key, \"note\" varchar(20))");
    exec("create table \"order_line\" (\"order_id\" integer not null references \"orders\"(\"id\"), " +
         number + ", primary key (\"order_id\", \"line_no\"))");
    exec("create table \"ticket\" (\"id\" integer not null, " + number +
         ", primary key (\"id\", \"line_no\"))");
    ASSERT_EQ(init({"--rows", "300"}).status, 0);
    EditProject(project_, "order_line", "", {{"ROWS", "600"}});
    auto r = check();
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, Not(HasSubstr("order_line.line_no")));
    EXPECT_THAT(r.out, HasSubstr("warning: ticket.line_no: counter runs to 300 for 300 rows, but the column "
                                 "takes values up to 255; the table ends after 255 rows"));
    r = fill({"--seed", "3"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("order_line: 600 inserted, 0 failed"));
    EXPECT_THAT(r.out, HasSubstr("ticket: 255 inserted, 0 failed"));
    EXPECT_THAT(ReadFile(logs_ + "/ticket.log"), HasSubstr("Filling ends after 255 rows"));
    // each order's lines count 1, 2, 3 ... without a gap
    EXPECT_EQ(
        scalar(
            "select count(*) from \"order_line\" l where \"line_no\" > 1 and not exists (select 1 from "
            "\"order_line\" p where p.\"order_id\" = l.\"order_id\" and p.\"line_no\" = l.\"line_no\" - 1)"),
        "0");
    EXPECT_EQ(scalar("select count(*) from \"order_line\" where \"line_no\" = 1"),
              scalar("select count(distinct \"order_id\") from \"order_line\""));

    // two orders hold 510 lines at most
    EditProject(project_, "orders", "", {{"ROWS", "2"}, {"EMPTY_TABLE", "1"}});
    EditProject(project_, "order_line", "", {{"EMPTY_TABLE", "1"}});
    r = check({"--only", "orders,order_line"});
    EXPECT_THAT(r.out,
                HasSubstr("warning: order_line.line_no: counter numbers the rows of each row of orders up "
                          "to 255; 2 rows of orders give 510 rows for 600; the table ends after 510 rows"));
    r = fill({"--only", "orders,order_line"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("order_line: 510 inserted, 0 failed"));
    EXPECT_EQ(scalar("select count(*) from \"order_line\" where \"line_no\" between 1 and 255"), "510");
}

// A store's manager works there, and every staff member works at a store, both NOT NULL: the
// cycle fills where a key's check can wait (deferrable on PostgreSQL; any key on MariaDB, whose
// sessions may leave keys unchecked while the run sets them itself).
struct TDeferCase {
    const char* what;
    const char* clause; // after the store's key to its manager; one that is deferrable lets it fill
};

const TDeferCase kDeferCases[] = {
    {"a plain key", ""},
    {"a key deferrable, checked at once unless deferred", " deferrable initially immediate"},
};

TEST_P(FillPlanCliTest, ANotNullCycleFillsInOneTransactionWhereItsKeyCheckCanWait) {
    for (size_t i = 0; i < std::size(kDeferCases); ++i) {
        const TDeferCase& c = kDeferCases[i];
        // an engine without deferrable keys declares none
        if (*c.clause && !conn_->HasFeature(kvl::TKVL_DriverFeature::DeferrableConstraints)) continue;
        SCOPED_TRACE(c.what);
        const std::string store = "store" + std::to_string(i), staff = "staff" + std::to_string(i);
        const std::string late =
            "foreign key (\"manager_id\") references " + q(staff) + "(\"id\")" + c.clause;
        exec("create table " + q(store) + " (\"id\" integer primary key, \"manager_id\" integer not null" +
             (is(Engine::SQLite) ? ", " + late : std::string()) + ")");
        exec("create table " + q(staff) + " (\"id\" integer primary key, \"store_id\" integer not null " +
             "references " + q(store) + "(\"id\"))");
        if (!is(Engine::SQLite)) exec("alter table " + q(store) + " add " + late);
        ASSERT_EQ(init().status, 0);
        const std::string only = store + "," + staff;
        auto r = check({"--only", only});
        EXPECT_THAT(r.out, HasSubstr(store + "(manager_id) -> " + staff)) << r.out;
        EXPECT_THAT(r.out, HasSubstr(staff + "(store_id) -> " + store));
        EXPECT_EQ(r.out.find("form a cycle"), r.out.rfind("form a cycle")) << "one finding for the cycle";
        const bool fills = (*c.clause && is(Engine::PostgreSQL)) || is(Engine::MariaDB);
        r = fill({"--only", only, "--seed", "8"});
        if (!fills) {
            EXPECT_EQ(r.status, 1) << r.out;
            EXPECT_THAT(r.out, testing::ContainsRegex("error: [a-z]+" + std::to_string(i) +
                                                      ": foreign keys that are all NOT NULL form a cycle"));
            continue;
        }
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_THAT(r.out, testing::ContainsRegex("note: [a-z]+" + std::to_string(i) +
                                                  ": foreign keys that are all NOT NULL form a cycle"));
        EXPECT_THAT(r.out, HasSubstr("its tables fill in one transaction"));
        for (const std::string& t : {store, staff}) {
            EXPECT_THAT(r.out, HasSubstr(t + ": 1000 inserted, 0 failed"));
            EXPECT_EQ(scalar("select count(*) from " + q(t)), "1000");
        }
        // every key points at a row, checked by the server or, where it checked none, here
        EXPECT_EQ(scalar("select count(*) from " + q(staff) + " s where not exists (select 1 from " +
                         q(store) + " t where t.\"id\" = s.\"store_id\")"),
                  "0");
        EXPECT_EQ(scalar("select count(*) from " + q(store) + " t where not exists (select 1 from " +
                         q(staff) + " s where s.\"id\" = t.\"manager_id\")"),
                  "0");
        if (!is(Engine::PostgreSQL)) continue; // the refusal below is a trigger of PL/pgSQL

        // emptied and filled again, but no staff row goes in: the commit refuses the stores,
        // and no count tells of them
        for (const std::string& t : {store, staff})
            EditProject(project_, t, "", {{"EMPTY_TABLE", "1"}});
        exec("create function refuse() returns trigger language plpgsql as "
             "$$ begin raise exception 'no staff today'; end $$");
        exec("create trigger refuse before insert on " + q(staff) +
             " for each row execute function refuse()");
        r = fill({"--only", only, "--seed", "9"});
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_THAT(r.err + r.out, HasSubstr("Error while committing the tables of a cycle"));
        EXPECT_THAT(r.out, testing::ContainsRegex(store + " +0 +0 "));
        EXPECT_EQ(scalar("select count(*) from " + q(store)), "0");
        EXPECT_THAT(ReadFile(logs_ + "/" + store + ".log"), HasSubstr("(1000 rows lost)"));
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, FillPlanCliTest, kvl::test::AllEngines(), kvl::test::EngineParamName);

} // namespace
