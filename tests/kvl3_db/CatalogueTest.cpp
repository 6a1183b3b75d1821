#include "TestDatabases.h"
#include "kvl3_db/Ukvl_catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace kvl::test {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

// Names in lower case: Firebird keeps unquoted names in upper case.
std::vector<std::string> lowered(std::vector<std::string> list) {
    for (auto& s : list)
        for (char& c : s)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return list;
}

std::vector<std::string> names(const TKVL_InterfaceListRef& list) {
    std::vector<std::string> out;
    if (list)
        for (const auto& item : *list)
            out.push_back(item->Name());
    return lowered(out);
}

// What each engine needs for a trigger on table child; every engine but SQLite has sequences.
const std::map<Engine, std::vector<std::string>> Triggers = {
    {Engine::SQLite, {"create trigger child_ai after insert on child begin select 1; end"}},
    {Engine::PostgreSQL,
     {"create function child_touch() returns trigger language plpgsql as $$ begin return new; end $$",
      "create trigger child_ai after insert on child for each row execute function child_touch()"}},
    {Engine::Firebird, {"create trigger child_ai for child after insert as begin end"}},
    {Engine::MariaDB, {"create trigger child_ai after insert on child for each row set @touched = 1"}},
};

// The helpers throw for a missing object: the test stops there, failed, instead of reading through null.
class CatalogueTest : public EngineTest {
protected:
    std::shared_ptr<IKVL_Table> table(const std::string& name) {
        auto schema = conn_->Database()->DefaultSchema();
        return found(Supports<IKVL_Table>(IList_ByName(schema->Tables(), name, false)), name);
    }

    std::shared_ptr<IKVL_Column> column(const std::shared_ptr<IKVL_Table>& t, const std::string& name) {
        return found(Supports<IKVL_Column>(IList_ByName(t->Columns(), name, false)), name);
    }

    template <class T> static std::shared_ptr<T> found(std::shared_ptr<T> object, const std::string& name) {
        if (!object) throw std::runtime_error("no " + name);
        return object;
    }
};

TEST_P(CatalogueTest, ReadsTablesViewsColumnsKeysIndicesTriggersAndGenerators) {
    const std::string twice = is(Engine::Firebird)     ? "twice computed by (id * 2)"
                              : is(Engine::PostgreSQL) ? "twice integer generated always as (id * 2) stored"
                                                       : "twice integer generated always as (id * 2)";
    exec("create table parent (a integer not null, b integer not null, name varchar(30) default 'x' not "
         "null, primary key (a, b))");
    exec(std::string("create table child (id integer") + (is(Engine::Firebird) ? " not null" : "") +
         " primary key, pa integer, pb integer, amount numeric(10,2), " + twice +
         ", note varchar(200), foreign key (pa, pb) references parent (a, b))");
    exec("create unique index child_note on child (note)");
    exec("create view child_view as select id from child");
    for (const std::string& sql : Triggers.at(engine()))
        exec(sql);
    if (!is(Engine::SQLite)) exec("create sequence child_seq");
    auto db = conn_->Database();
    auto schema = db->DefaultSchema();
    auto tables = names(schema->Tables());
    EXPECT_THAT(tables, testing::UnorderedElementsAre("parent", "child"));
    EXPECT_THAT(names(schema->Relations()), testing::UnorderedElementsAre("parent", "child", "child_view"));
    EXPECT_EQ(names(db_->Open()->Database()->DefaultSchema()->Tables()), tables); // in a stable order
    auto view =
        found(Supports<IKVL_Relation>(IList_ByName(schema->Relations(), "child_view", false)), "view");
    EXPECT_EQ(scalar("select count(*) from " + view->FromName()), "0");

    auto all = db->ObjectsOfKind(okTable);
    auto child = found(IList_ByName(all, "CHILD", false), "child");
    EXPECT_EQ(IList_BySearchName(all, child->SearchName(), true), child);
    EXPECT_FALSE(IList_ByName(all, "child_view", false)); // views are relations, not tables
    EXPECT_FALSE(IList_ByName(all, "nothing", false));
    bool qualified = schema->Capability(capSchemas).Supported;
    EXPECT_EQ(qualified, is(Engine::PostgreSQL));
    if (qualified) EXPECT_EQ(child->SearchName(), child->OwnerName() + "." + child->Name());
    EXPECT_EQ(all.size(), 2u);

    // a refresh sees tables made since the first read
    exec("create table swapped (x integer not null, y integer not null, primary key (y, x))");
    // a key whose check may wait for the commit, where the server lets it
    if (is(Engine::PostgreSQL))
        exec("create table later (pa integer, pb integer, foreign key (pa, pb) references parent (a, b) "
             "deferrable initially immediate)");
    // identity columns, whose sequences stay hidden
    exec(std::string("create table ids (") +
         (is(Engine::SQLite)    ? "id integer primary key"
          : is(Engine::MariaDB) ? "id integer not null auto_increment primary key"
                                : "id integer generated by default as identity") +
         ", v integer)");
    if (is(Engine::PostgreSQL))
        exec("create table always (id integer generated always as identity, s serial)");
    db->Refresh();
    EXPECT_EQ(db->ObjectsOfKind(okTable).size(), is(Engine::PostgreSQL) ? 6u : 4u);
    EXPECT_TRUE(column(table("ids"), "id")->IsIdentity());
    EXPECT_FALSE(column(table("ids"), "id")->Computed()); // values may still be given
    EXPECT_FALSE(column(table("ids"), "v")->IsIdentity());
    if (is(Engine::PostgreSQL)) EXPECT_TRUE(column(table("always"), "id")->Computed()); // no values taken
    EXPECT_THAT(names(found(table("swapped")->PrimaryKey(), "key")->Columns()), ElementsAre("y", "x"));
    auto parent = table("parent");
    EXPECT_TRUE(column(parent, "name")->NotNull());
    EXPECT_THAT(column(parent, "name")->DefaultValue(), HasSubstr("'x'"));
    EXPECT_EQ(column(parent, "a")->DefaultValue(), "");
    EXPECT_THAT(names(parent->PrimaryKey()->Columns()), ElementsAre("a", "b"));
    EXPECT_FALSE(parent->ForeignKeys()->Count());
    EXPECT_THAT(names(parent->Triggers()), IsEmpty());
    EXPECT_GE(parent->Indices()->Count(), 1); // every engine keeps an index for a composite primary key

    auto childTable = table("child");
    EXPECT_THAT(names(childTable->Columns()), ElementsAre("id", "pa", "pb", "amount", "twice", "note"));
    EXPECT_FALSE(column(childTable, "amount")->NotNull());
    EXPECT_TRUE(column(childTable, "twice")->Computed());
    EXPECT_FALSE(column(childTable, "note")->Computed());
    EXPECT_TRUE(column(childTable, "id")->InPrimaryKey());
    EXPECT_FALSE(column(childTable, "pa")->InPrimaryKey());
    ASSERT_EQ(childTable->ForeignKeys()->Count(), 1);
    auto fk = found(Supports<IKVL_ForeignKey>(childTable->ForeignKeys()->Get(0)), "fk");
    EXPECT_THAT(lowered({fk->ReferencedTable()}), ElementsAre("parent"));
    EXPECT_EQ(fk->ReferencedTable(), parent->ReferenceName());
    EXPECT_THAT(lowered(fk->ColumnNames()), ElementsAre("pa", "pb"));
    EXPECT_THAT(lowered(fk->ReferencedColumnNames()), ElementsAre("a", "b"));
    EXPECT_FALSE(fk->Deferrable());
    if (is(Engine::PostgreSQL)) {
        auto later = Supports<IKVL_ForeignKey>(table("later")->ForeignKeys()->Get(0));
        EXPECT_TRUE(later && later->Deferrable());
    }
    EXPECT_TRUE(schema->Capability(capForeignKeys).Available);

    auto index =
        found(Supports<IKVL_Index>(IList_ByName(childTable->Indices(), "child_note", false)), "index");
    EXPECT_TRUE(index->Unique());
    EXPECT_THAT(lowered(index->ColumnNames()), ElementsAre("note"));
    if (is(Engine::Firebird)) // keys are enforced by indices of their own, foreign keys too
        EXPECT_EQ(childTable->Indices()->Count(), 3);
    EXPECT_THAT(names(childTable->Triggers()), ElementsAre("child_ai"));
    auto generators = names(db->DefaultSchema()->Generators());
    // SQLite has no sequences; the serial column's is PostgreSQL's alone
    const std::vector<std::string> none, one = {"child_seq"}, two = {"always_s_seq", "child_seq"};
    EXPECT_EQ(generators, is(Engine::SQLite) ? none : is(Engine::PostgreSQL) ? two : one);
    EXPECT_EQ(generators.size(), db->ObjectsOfKind(okGenerator).size());
}

TEST_P(CatalogueTest, ReadsChecksOfTablesColumnsDomainsAndPartitionsAndQuotesNamesForTheServer) {
    exec("create table \"Mixed Case\" (\"Some Col\" integer, plain integer)");
    exec("insert into \"Mixed Case\" values (1, 2)");
    auto schema = conn_->Database()->DefaultSchema();
    auto t = found(Supports<IKVL_Table>(IList_ByName(schema->Tables(), "Mixed Case", true)), "t");
    auto col = found(Supports<IKVL_Column>(IList_ByName(t->Columns(), "Some Col", true)), "col");
    EXPECT_EQ(scalar("select " + col->SQLName() + " from " + t->SQLName()), "1");
    EXPECT_EQ(schema->FormatObjectName(t->SQLName(), "", false), t->SQLName());
    EXPECT_EQ(scalar("select " + schema->FormatObjectName(column(t, "plain")->Name(), "", false) + " from " +
                     t->SQLName()),
              "2");

    const std::string length = is(Engine::SQLite) ? "length" : "char_length";
    exec("create table ruled (id integer not null primary key, qty integer check (qty between 1 and 99), "
         "code varchar(10), note varchar(20) default 'a check (x)', "
         "constraint code_short check (" +
         length + "(code) <= 5))");
    const bool domains = !is(Engine::SQLite) && !is(Engine::MariaDB);
    if (domains) {
        exec("create domain year_of as integer check (value >= 1901 and value <= 2155)");
        exec("create table dated (id integer not null, built year_of)");
    }
    if (is(Engine::PostgreSQL)) {
        exec("create table felt (id integer, at date not null) partition by range (at)");
        exec("create table felt_2024 partition of felt for values from ('2024-01-01') to ('2025-01-01')");
        exec("create table listed (id integer, region text not null) partition by list (region)");
        exec("create table listed_a partition of listed for values in ('north', 'south')");
        exec("create table listed_rest partition of listed default");
    }
    conn_->Database()->Refresh();
    auto rules = found(Supports<IKVL_TableRules>(table("ruled")), "rules");
    std::vector<std::string> checks = lowered(rules->Checks());
    EXPECT_THAT(checks, testing::UnorderedElementsAre(HasSubstr("99"), HasSubstr("length(")));
    EXPECT_THAT(checks, testing::Each(testing::Not(testing::StartsWith("check"))));
    EXPECT_THAT(rules->PartitionBounds(), IsEmpty());
    if (!domains) return;
    auto built = found(Supports<IKVL_ColumnRules>(column(table("dated"), "built")), "built");
    EXPECT_THAT(lowered(built->DomainChecks()), ElementsAre(HasSubstr("value >= 1901")));
    if (!is(Engine::PostgreSQL)) return;
    EXPECT_THAT(Supports<IKVL_TableRules>(table("felt"))->PartitionBounds(),
                ElementsAre(testing::AllOf(HasSubstr("2024-01-01"), HasSubstr("2025-01-01"))));
    // a default partition takes every row
    EXPECT_THAT(Supports<IKVL_TableRules>(table("listed"))->PartitionBounds(), IsEmpty());
}

// The host data type codes of the types that users meet every day, per engine. Enum labels, the
// range of an integer type narrower than its code's and one-byte character sets, where the engine
// has them.
struct TypeCase {
    std::string declared;
    int code;
    std::string length = {}, precision = {}, scale = {};
    std::vector<std::string> labels = {};
    std::vector<std::string> checks = {};
    int bytesPerCharacter = -1; // not asked
};

// Every engine spells these alike.
const std::vector<TypeCase> CommonTypes = {
    {"integer", 17},           {"smallint", 15},     {"bigint", 19},
    {"varchar(12)", 37, "12"}, {"char(3)", 36, "3"}, {"numeric(12,3)", 14, "", "12", "3"},
    {"double precision", 25},  {"date", 27},         {"time", 28},
    {"timestamp", 29},         {"boolean", 1},
};

const std::vector<TypeCase> SqliteTypes = {{"tinyint", 35},
                                           {"unsigned big int", 19},
                                           {"nvarchar(5)", 37, "5"},
                                           {"text", 37},
                                           {"decimal(9,2)", 13, "", "9", "2"},
                                           {"numeric(8, 3)", 14, "", "8", "3"},
                                           {"numeric(12)", 14, "", "12", "0"},
                                           {"real", 24},
                                           {"datetime", 29},
                                           {"blob", 43},
                                           {"uuid", 3},
                                           {"", 37},
                                           {"any", 37},
                                           {"json", 37},
                                           {"geometry", 0}};

// JSON, addresses, intervals, arrays and ranges travel as text, which the server reads.
const std::vector<TypeCase> PostgresTypes = {{"text", 37},
                                             {"varchar", 37},
                                             {"numeric", 14},
                                             {"numeric(5,-2)", 14, "", "5", "-2"},
                                             {"real", 24},
                                             {"timestamptz", 29},
                                             {"uuid", 3},
                                             {"bytea", 43},
                                             {"short_code", 37, "5"},
                                             {"json", 37},
                                             {"jsonb", 37},
                                             {"interval", 37},
                                             {"integer[]", 37},
                                             {"inet", 37},
                                             {"int4range", 37},
                                             {"box", 0},
                                             {"mood", 37, "", "", "", {"sad", "ok", "happy"}}};

const std::vector<TypeCase> FirebirdTypes = {{"decimal(9,2)", 13, "", "9", "2"},
                                             {"numeric(4,0)", 14, "", "4", "0"},
                                             {"float", 24},
                                             {"blob sub_type 0", 43},
                                             {"blob sub_type 1", 37},
                                             {"varchar(10) character set none", 37, "10", "", "", {}, {}, 1},
                                             {"varchar(10) character set utf8", 37, "10", "", "", {}, {}, 0}};

// The range of each narrower integer type is a domain check.
const std::vector<TypeCase> MariadbTypes = {
    {"int unsigned", 19, "", "", "", {}, {"VALUE between 0 and 4294967295"}},
    {"tinyint", 35, "", "", "", {}, {"VALUE between -128 and 127"}},
    {"tinyint unsigned", 15, "", "", "", {}, {"VALUE between 0 and 255"}},
    {"bit(1)", 1},
    {"bit(8)", 19, "", "", "", {}, {"VALUE between 0 and 255"}},
    {"inet6", 37, "39"},
    {"smallint unsigned", 17, "", "", "", {}, {"VALUE between 0 and 65535"}},
    {"mediumint", 17, "", "", "", {}, {"VALUE between -8388608 and 8388607"}},
    {"mediumint unsigned", 17, "", "", "", {}, {"VALUE between 0 and 16777215"}},
    {"bigint unsigned", 19, "", "", "", {}, {"VALUE between 0 and 18446744073709551615"}},
    {"year", 15, "", "", "", {}, {"VALUE between 1901 and 2155"}},
    {"decimal(9,2)", 14, "", "9", "2"},
    {"numeric(12)", 14, "", "12", "0"},
    {"float", 24},
    {"datetime", 29},
    {"text", 37},
    {"json", 37},
    {"enum('sad','ok','it''s')", 37, "4", "", "", {"sad", "ok", "it's"}},
    {"set('red','green')", 37, "9", "", "", {"red", "green"}},
    {"blob", 43},
    {"varbinary(16)", 37, "16"},
    {"varbinary(300)", 43},
    {"uuid", 3},
    {"point", 43},
    {"linestring", 0}};

const std::map<Engine, const std::vector<TypeCase>*> OwnTypes = {{Engine::SQLite, &SqliteTypes},
                                                                 {Engine::PostgreSQL, &PostgresTypes},
                                                                 {Engine::Firebird, &FirebirdTypes},
                                                                 {Engine::MariaDB, &MariadbTypes}};

TEST_P(CatalogueTest, DeclaredTypesMapToHostCodes) {
    if (is(Engine::PostgreSQL)) {
        exec("create domain short_code as varchar(5)");
        exec("create type mood as enum ('sad', 'ok', 'happy')");
    }
    std::vector<TypeCase> cases = CommonTypes;
    cases.insert(cases.end(), OwnTypes.at(engine())->begin(), OwnTypes.at(engine())->end());
    std::string ddl = "create table types (";
    for (size_t i = 0; i < cases.size(); ++i)
        ddl += (i ? ", c" : "c") + std::to_string(i) + " " + cases[i].declared;
    exec(ddl + ")");
    auto t = table("types");
    ASSERT_EQ(t->Columns()->Count(), static_cast<int>(cases.size()));
    for (size_t i = 0; i < cases.size(); ++i) {
        auto c = Supports<IKVL_Column>(t->Columns()->Get(static_cast<int>(i)));
        SCOPED_TRACE(cases[i].declared);
        EXPECT_EQ(
            std::tuple(c->DataTypeCode(), c->Length(), c->Precision(), c->Scale(), c->DataTypeText().empty()),
            std::tuple(cases[i].code, cases[i].length, cases[i].precision, cases[i].scale,
                       cases[i].declared.empty()));
        auto rules = found(Supports<IKVL_ColumnRules>(c), "rules");
        EXPECT_EQ(rules->EnumLabels(), cases[i].labels);
        EXPECT_EQ(rules->DomainChecks(), cases[i].checks);
        if (cases[i].bytesPerCharacter >= 0)
            EXPECT_EQ(rules->BytesPerCharacter(), cases[i].bytesPerCharacter);
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, CatalogueTest, AllEngines(), EngineParamName);

} // namespace
} // namespace kvl::test
