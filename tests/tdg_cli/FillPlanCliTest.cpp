#include "TdgProcess.h"
#include "kvl3_db/TestDatabases.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
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

// A foreign key checked for orphans: every non-NULL combination must exist in the parent.
struct TKeySql {
    const char* table;
    std::vector<const char*> columns;
    const char* parent;
    std::vector<const char*> parentColumns;
};

// Ordinary schemas that need more than a parents-first order: cycles, self-references,
// composite, link and one-to-one keys, and one table with all of them.
const TTableSql kCorpus[] = {
    {"dept", "\"id\" integer primary key, \"name\" varchar(40) not null, \"manager_id\" integer",
     "\"manager_id\") references \"emp\"(\"id\""},
    {"emp",
     "\"id\" integer primary key, \"name\" varchar(40), \"dept_id\" integer not null references "
     "\"dept\"(\"id\"), "
     "\"boss_id\" integer references \"emp\"(\"id\")",
     nullptr},
    {"category", "\"id\" integer primary key, \"parent_id\" integer references \"category\"(\"id\")",
     nullptr},
    {"node", "\"id\" integer primary key, \"root_id\" integer not null references \"node\"(\"id\")", nullptr},
    {"version", "\"id\" integer primary key, \"prev_id\" integer unique references \"version\"(\"id\")",
     nullptr},
    {"ca", "\"id\" integer primary key, \"cc_id\" integer", "\"cc_id\") references \"cc\"(\"id\""},
    {"cb", "\"id\" integer primary key, \"ca_id\" integer not null references \"ca\"(\"id\")", nullptr},
    {"cc", "\"id\" integer primary key, \"cb_id\" integer not null references \"cb\"(\"id\")", nullptr},
    {"cpk",
     "\"a\" integer not null, \"b\" integer not null, \"note\" varchar(20), primary key (\"a\", \"b\")",
     nullptr},
    {"cfk",
     "\"id\" integer primary key, \"pa\" integer not null, \"pb\" integer not null, "
     "foreign key (\"pa\", \"pb\") references \"cpk\"(\"a\", \"b\")",
     nullptr},
    {"film", "\"id\" integer primary key, \"title\" varchar(40)", nullptr},
    {"actor", "\"id\" integer primary key, \"name\" varchar(40)", nullptr},
    {"film_actor",
     "\"film_id\" integer not null references \"film\"(\"id\"), \"actor_id\" integer not null references "
     "\"actor\"(\"id\"), primary key (\"film_id\", \"actor_id\")",
     nullptr},
    {"passport", "\"id\" integer primary key, \"emp_id\" integer not null unique references \"emp\"(\"id\")",
     nullptr},
    {"task",
     "\"id\" integer primary key, \"parent_id\" integer references \"task\"(\"id\"), \"pa\" integer not "
     "null, "
     "\"pb\" integer not null, \"owner_id\" integer unique references \"emp\"(\"id\"), \"last_step\" "
     "integer, "
     "foreign key (\"pa\", \"pb\") references \"cpk\"(\"a\", \"b\")",
     "\"last_step\") references \"step\"(\"id\""},
    {"step", "\"id\" integer primary key, \"task_id\" integer not null references \"task\"(\"id\")", nullptr},
};

const TKeySql kKeys[] = {
    {"dept", {"manager_id"}, "emp", {"id"}},
    {"emp", {"dept_id"}, "dept", {"id"}},
    {"emp", {"boss_id"}, "emp", {"id"}},
    {"category", {"parent_id"}, "category", {"id"}},
    {"node", {"root_id"}, "node", {"id"}},
    {"version", {"prev_id"}, "version", {"id"}},
    {"ca", {"cc_id"}, "cc", {"id"}},
    {"cb", {"ca_id"}, "ca", {"id"}},
    {"cc", {"cb_id"}, "cb", {"id"}},
    {"cfk", {"pa", "pb"}, "cpk", {"a", "b"}},
    {"film_actor", {"film_id"}, "film", {"id"}},
    {"film_actor", {"actor_id"}, "actor", {"id"}},
    {"passport", {"emp_id"}, "emp", {"id"}},
    {"task", {"parent_id"}, "task", {"id"}},
    {"task", {"pa", "pb"}, "cpk", {"a", "b"}},
    {"task", {"owner_id"}, "emp", {"id"}},
    {"task", {"last_step"}, "step", {"id"}},
    {"step", {"task_id"}, "task", {"id"}},
};

class FillPlanCliTest : public kvl::test::EngineTest {
protected:
    void TearDown() override {
        std::error_code ignored;
        for (const auto& f : files_)
            fs::remove_all(f, ignored);
        EngineTest::TearDown();
    }

    std::string temp(const std::string& stem, const std::string& extension) {
        files_.push_back(TempPath(stem, extension));
        return files_.back();
    }

    // Creates the tables in one database; SQLite takes a key to a table not yet there.
    static void createCorpus(kvl::TKVL_Connection& c, bool lateKeysInline) {
        for (const TTableSql& t : kCorpus) {
            std::string columns = t.columns;
            if (t.lateKey && lateKeysInline) columns += std::string(", foreign key (") + t.lateKey + ")";
            c.ExecuteCommand("CUSTOM", std::string("create table \"") + t.name + "\" (" + columns + ")");
        }
        if (lateKeysInline) return;
        for (const TTableSql& t : kCorpus)
            if (t.lateKey)
                c.ExecuteCommand("CUSTOM", std::string("alter table \"") + t.name + "\" add foreign key (" +
                                               t.lateKey + ")");
    }

    // tdg init and tdg fill of 1,000 rows per table, as a new user would run them.
    TResult initAndFill(const std::string& uri, const std::string& seed) {
        project_ = temp("plan", ".tdg");
        auto r = Tdg({"init", "--connect", uri, "-o", project_});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        return fill(uri, {"--seed", seed});
    }

    TResult fill(const std::string& uri, std::vector<std::string> more) {
        std::vector<std::string> args = {"fill", "--connect", uri, "--project", project_, "--log-dir", logs_};
        args.insert(args.end(), more.begin(), more.end());
        return Tdg(args);
    }

    void expectNoOrphans() {
        for (const TKeySql& k : kKeys)
            EXPECT_EQ(scalar(orphanQuery(k)), "0") << k.table << "." << k.columns.front();
    }

    std::string q(const std::string& name) const { return "\"" + name + "\""; }

    std::string orphanQuery(const TKeySql& k) const {
        std::string present, match;
        for (size_t i = 0; i < k.columns.size(); ++i) {
            present += std::string(" and c.") + q(k.columns[i]) + " is not null";
            match += std::string(i ? " and " : "") + "p." + q(k.parentColumns[i]) + " = c." + q(k.columns[i]);
        }
        return "select count(*) from " + q(k.table) + " c where 1 = 1" + present +
               " and not exists (select 1 from " + q(k.parent) + " p where " + match + ")";
    }

    // The values of every integer column, each weighted by its row, read table by table.
    std::string dump(kvl::test::TTestDatabase& db) {
        auto c = db.Open();
        std::string text;
        for (const TKeySql& k : kKeys)
            for (const char* column : k.columns)
                text += std::string(k.table) + "." + column + "=" +
                        sumOf(*c, k.table, column, wideInteger()) + " ";
        return text;
    }

    // How many values a column holds and their sum, each weighted by its row's key.
    static std::string sumOf(kvl::TKVL_Connection& c, const std::string& table, const std::string& column,
                             const std::string& wide) {
        const std::string weight = table == "cpk" || table == "film_actor" ? "1" : "\"id\"";
        auto transaction = kvl::KVL_GetTransaction(c, false);
        auto query =
            kvl::KVL_GetCursor(c, "select count(\"" + column + "\"), sum(cast(\"" + column + "\" as " + wide +
                                      ") * " + weight + ") from \"" + table + "\"");
        query->SetTransaction(transaction.get());
        transaction->StartTransaction();
        query->Open();
        std::string s = query->FieldAsString(0) + "/" + query->FieldAsString(1);
        query->Close();
        transaction->Commit();
        return s;
    }

    // MariaDB casts to a signed integer of 64 bits by that name
    std::string wideInteger() const { return is(Engine::MariaDB) ? "signed" : "bigint"; }

    std::vector<std::string> files_;
    std::string project_, logs_ = temp("logs", "");
};

TEST_P(FillPlanCliTest, RealSchemasFillWithoutFailedRowsOrOrphansAndTheSameSeedGivesTheSameRows) {
    createCorpus(*conn_, is(Engine::SQLite));
    auto r = initAndFill(db_->ConnectionString(), "11");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    for (const TTableSql& t : kCorpus) {
        EXPECT_THAT(r.out, HasSubstr(std::string(t.name) + ": 1000 inserted, 0 failed")) << r.out;
        EXPECT_EQ(scalar("select count(*) from " + q(t.name)), "1000") << t.name;
    }
    expectNoOrphans();
    EXPECT_NE(scalar("select count(*) from \"dept\" where \"manager_id\" is not null"), "0")
        << "a key that waited for a later table is set afterwards";
    EXPECT_NE(scalar("select count(*) from \"emp\" where \"boss_id\" is not null"), "0");
    // a nullable self-reference keeps its share of NULLs past the first row, which has none to point at
    EXPECT_GT(std::stoi(scalar("select count(*) from \"category\" where \"parent_id\" is null")), 1);
    // a forest: each row points at itself or an earlier row, never at a later one
    EXPECT_EQ(scalar("select count(*) from \"category\" where \"parent_id\" >= \"id\""), "0");
    EXPECT_EQ(scalar("select count(*) from \"node\" where \"root_id\" > \"id\""), "0");
    EXPECT_EQ(scalar("select count(*) from \"version\" where \"prev_id\" >= \"id\""), "0");

    kvl::test::TTestDatabase twin(engine());
    auto twinConnection = twin.Open();
    createCorpus(*twinConnection, is(Engine::SQLite));
    twinConnection.reset();
    ASSERT_EQ(initAndFill(twin.ConnectionString(), "11").status, 0);
    EXPECT_EQ(dump(twin), dump(*db_));
}

TEST_P(FillPlanCliTest, ARefillEmptiesThroughCyclesAndAUniqueKeyEndsWhenItsRowsRunOut) {
    createCorpus(*conn_, is(Engine::SQLite));
    const std::string uri = db_->ConnectionString();
    ASSERT_EQ(initAndFill(uri, "5").status, 0);
    for (const TTableSql& t : kCorpus)
        EditProject(project_, t.name, "", {{"EMPTY_TABLE", "1"}, {"ROWS", "300"}});
    auto r = fill(uri, {"--seed", "6"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    for (const TTableSql& t : kCorpus)
        EXPECT_EQ(scalar("select count(*) from " + q(t.name)), "300") << t.name;
    expectNoOrphans();

    // one passport per employee: 300 employees, 400 passports asked
    r = Tdg({"check", "--connect", uri, "--project", project_, "--only", "passport", "--rows", "400"});
    EXPECT_EQ(r.status, 0);
    EXPECT_THAT(r.out,
                HasSubstr("warning: passport: unique key (emp_id) of foreign keys has 300 combinations "
                          "of referenced rows for 400 rows"));
    r = fill(uri, {"--only", "passport", "--rows", "400"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("passport: 300 inserted, 0 failed"));
    EXPECT_THAT(ReadFile(logs_ + "/passport.log"), HasSubstr("Filling ends after 300 rows"));

    // a key the server makes cannot be pointed at by the rows of its own table
    EditProject(project_, "node", "id", {{"FILL_TYPE", "0"}});
    r = Tdg({"check", "--connect", uri, "--project", project_, "--only", "node"});
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
    const std::string uri = db_->ConnectionString();
    project_ = temp("lines", ".tdg");
    ASSERT_EQ(Tdg({"init", "--connect", uri, "-o", project_, "--rows", "300"}).status, 0);
    EditProject(project_, "order_line", "", {{"ROWS", "600"}});
    auto r = Tdg({"check", "--connect", uri, "--project", project_});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, Not(HasSubstr("order_line.line_no")));
    EXPECT_THAT(r.out, HasSubstr("warning: ticket.line_no: counter runs to 300 for 300 rows, but the column "
                                 "takes values up to 255; the table ends after 255 rows"));
    r = fill(uri, {"--seed", "3"});
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
    r = Tdg({"check", "--connect", uri, "--project", project_, "--only", "orders,order_line"});
    EXPECT_THAT(r.out,
                HasSubstr("warning: order_line.line_no: counter numbers the rows of each row of orders up "
                          "to 255; 2 rows of orders give 510 rows for 600; the table ends after 510 rows"));
    r = fill(uri, {"--only", "orders,order_line"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("order_line: 510 inserted, 0 failed"));
    EXPECT_EQ(scalar("select count(*) from \"order_line\" where \"line_no\" between 1 and 255"), "510");
}

TEST_P(FillPlanCliTest, ANotNullCycleIsOneErrorOfTheCheckAndNoRowIsWritten) {
    const std::string late = "foreign key (\"s2_id\") references \"s2\"(\"id\")";
    exec("create table \"s1\" (\"id\" integer primary key, \"s2_id\" integer not null" +
         (is(Engine::SQLite) ? ", " + late : std::string()) + ")");
    exec("create table \"s2\" (\"id\" integer primary key, \"s1_id\" integer not null references "
         "\"s1\"(\"id\"))");
    if (!is(Engine::SQLite)) exec("alter table \"s1\" add " + late);
    const std::string project = temp("cycle", ".tdg");
    ASSERT_EQ(Tdg({"init", "--connect", db_->ConnectionString(), "-o", project}).status, 0);
    auto r = Tdg({"check", "--connect", db_->ConnectionString(), "--project", project});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.out, HasSubstr("foreign keys that are all NOT NULL form a cycle: "));
    EXPECT_THAT(r.out, HasSubstr("s1(s2_id) -> s2"));
    EXPECT_THAT(r.out, HasSubstr("s2(s1_id) -> s1"));
    EXPECT_EQ(r.out.find("form a cycle"), r.out.rfind("form a cycle")) << "one error for the cycle";
    r = Tdg(
        {"fill", "--connect", db_->ConnectionString(), "--project", project, "--log-dir", temp("logs", "")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(scalar("select count(*) from \"s1\""), "0");
    EXPECT_EQ(scalar("select count(*) from \"s2\""), "0");
}

// A store's manager works there, and every staff member works at a store, both NOT NULL.
struct TDeferCase {
    const char* what;
    const char* clause; // after the store's key to its manager
    bool fills;         // on PostgreSQL; elsewhere the catalogue tells no deferrable key
};

const TDeferCase kDeferCases[] = {
    {"a plain key", "", false},
    {"a key deferrable, checked at once unless deferred", " deferrable initially immediate", true},
};

TEST_P(FillPlanCliTest, ANotNullCycleFillsInOneTransactionOnlyWhereItsKeyIsDeferrable) {
    const std::string uri = db_->ConnectionString();
    for (size_t i = 0; i < std::size(kDeferCases); ++i) {
        const TDeferCase& c = kDeferCases[i];
        // an engine without deferrable keys declares none
        if (*c.clause && !conn_->HasFeature(kvl::TKVL_DriverFeature::DeferrableConstraints)) continue;
        SCOPED_TRACE(c.what);
        const std::string store = "store" + std::to_string(i), staff = "staff" + std::to_string(i);
        const std::string late =
            "foreign key (\"manager_id\") references " + q(staff) + "(\"id\")" + c.clause;
        auto create = [&](kvl::TKVL_Connection& db) {
            auto run = [&db](const std::string& sql) { db.ExecuteCommand("CUSTOM", sql); };
            run("create table " + q(store) + " (\"id\" integer primary key, \"manager_id\" integer not null" +
                (is(Engine::SQLite) ? ", " + late : std::string()) + ")");
            run("create table " + q(staff) + " (\"id\" integer primary key, \"store_id\" integer not null " +
                "references " + q(store) + "(\"id\"))");
            if (!is(Engine::SQLite)) run("alter table " + q(store) + " add " + late);
        };
        create(*conn_);
        project_ = temp("defer", ".tdg");
        ASSERT_EQ(Tdg({"init", "--connect", uri, "-o", project_}).status, 0);
        const std::string only = store + "," + staff;
        auto r = Tdg({"check", "--connect", uri, "--project", project_, "--only", only});
        EXPECT_THAT(r.out, HasSubstr(store + "(manager_id) -> " + staff)) << r.out;
        r = fill(uri, {"--only", only, "--seed", "8"});
        if (!(c.fills && is(Engine::PostgreSQL))) {
            EXPECT_EQ(r.status, 1) << r.out;
            EXPECT_THAT(r.out, testing::ContainsRegex("error: [a-z]+" + std::to_string(i) +
                                                      ": foreign keys that are all NOT NULL form a cycle"));
            EXPECT_EQ(scalar("select count(*) from " + q(store)), "0");
            continue;
        }
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_THAT(r.out, HasSubstr("note: " + store + ": foreign keys that are all NOT NULL form a cycle"));
        EXPECT_THAT(r.out, HasSubstr("its tables fill in one transaction"));
        for (const std::string& t : {store, staff}) {
            EXPECT_THAT(r.out, HasSubstr(t + ": 1000 inserted, 0 failed"));
            EXPECT_EQ(scalar("select count(*) from " + q(t)), "1000");
        }
        EXPECT_EQ(scalar(orphanQuery({store.c_str(), {"manager_id"}, staff.c_str(), {"id"}})), "0");
        EXPECT_EQ(scalar(orphanQuery({staff.c_str(), {"store_id"}, store.c_str(), {"id"}})), "0");
        const std::string keys = sumOf(*conn_, store, "manager_id", wideInteger()) +
                                 sumOf(*conn_, staff, "store_id", wideInteger());
        {
            const std::string own = project_;
            kvl::test::TTestDatabase twin(engine());
            create(*twin.Open());
            ASSERT_EQ(initAndFill(twin.ConnectionString(), "8").status, 0);
            auto twinConnection = twin.Open();
            EXPECT_EQ(sumOf(*twinConnection, store, "manager_id", wideInteger()) +
                          sumOf(*twinConnection, staff, "store_id", wideInteger()),
                      keys)
                << "the same seed, the same rows";
            project_ = own;
        }

        // emptied and filled again, but no staff row goes in: the commit refuses the stores,
        // and no count tells of them
        for (const std::string& t : {store, staff})
            EditProject(project_, t, "", {{"EMPTY_TABLE", "1"}});
        exec("create function refuse() returns trigger language plpgsql as "
             "$$ begin raise exception 'no staff today'; end $$");
        exec("create trigger refuse before insert on " + q(staff) +
             " for each row execute function refuse()");
        r = fill(uri, {"--only", only, "--seed", "9"});
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_THAT(r.err + r.out, HasSubstr("Error while committing the tables of a cycle"));
        EXPECT_THAT(r.out, testing::ContainsRegex(store + " +0 +0 "));
        EXPECT_EQ(scalar("select count(*) from " + q(store)), "0");
        EXPECT_THAT(ReadFile(logs_ + "/" + store + ".log"), HasSubstr("(1000 rows lost)"));
    }
}

// Partitions are PostgreSQL's.
class PartitionFillPlanCliTest : public FillPlanCliTest {};

TEST_P(PartitionFillPlanCliTest, AKeyDeclaredOnAPartitionCountsForThePartitionedTable) {
    exec("create table \"sensor\" (\"id\" integer primary key)");
    exec("create table \"measure\" (\"sensor_id\" integer not null, \"taken\" integer not null) "
         "partition by range (\"taken\")");
    exec("create table \"measure_all\" partition of \"measure\" for values from (minvalue) to (maxvalue)");
    exec("alter table \"measure_all\" add foreign key (\"sensor_id\") references \"sensor\"(\"id\")");
    auto r = initAndFill(db_->ConnectionString(), "3");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_LT(r.out.find("sensor:"), r.out.find("measure:")) << r.out;
    EXPECT_THAT(r.out, HasSubstr("measure: 1000 inserted, 0 failed"));
    EXPECT_EQ(scalar(orphanQuery({"measure", {"sensor_id"}, "sensor", {"id"}})), "0");
}

INSTANTIATE_TEST_SUITE_P(Engines, FillPlanCliTest, kvl::test::AllEngines(), kvl::test::EngineParamName);
INSTANTIATE_TEST_SUITE_P(Engines, PartitionFillPlanCliTest, testing::Values(Engine::PostgreSQL),
                         kvl::test::EngineParamName);

} // namespace
