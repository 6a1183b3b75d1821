#include "TestDatabases.h"
#include "base/DateTime.h"
#include "base/Exceptions.h"
#include "kvl3_db/FieldType.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace kvl::test {
namespace {

using testing::HasSubstr;
using testing::ThrowsMessage;

// The servers' own words for a duplicate key of table a and for "selec 1", without what the
// client libraries add to them (the statement, its values, where the error is in the text).
struct ServerWords {
    std::string duplicate, syntax;
};

const std::map<Engine, ServerWords> Words = {
    {Engine::SQLite, {"UNIQUE constraint failed: a.id", "near \"selec\": syntax error"}},
    {Engine::PostgreSQL,
     {"duplicate key value violates unique constraint \"a_key\"\nDETAIL:  Key (id)=(5) already exists.",
      "syntax error at or near \"selec\""}},
    {Engine::Firebird,
     {"violation of PRIMARY or UNIQUE KEY constraint \"A_KEY\" on table \"A\"\nProblematic key value is "
      "(\"ID\" = 5)",
      "Dynamic SQL Error\nSQL error code = -104\nToken unknown - line 1, column 1\nselec"}},
    // MariaDB quotes the text from where it stopped reading, and no more
    {Engine::MariaDB,
     {"Duplicate entry '5' for key 'PRIMARY'",
      "You have an error in your SQL syntax near 'selec 1' at line 1"}},
};

// Rows written through statements and, where the engine has it, through its bulk load.
class StatementTest : public EngineTest {
protected:
    std::unique_ptr<TKVL_Transaction> transaction_;
    std::unique_ptr<TKVL_Statement> statement_;
    std::unique_ptr<TKVL_BulkInsert> bulk_; // the members go in reverse: the bulk load first

    std::unique_ptr<TKVL_Statement> newStatement(const std::string& sql, const std::vector<int>& types) {
        auto statement = KVL_GetStatement(*conn_, sql);
        statement->SetTransaction(transaction_.get());
        statement->Prepare();
        for (size_t i = 0; i < types.size(); ++i)
            statement->SetParamType(static_cast<int>(i), types[i]);
        return statement;
    }

    void prepare(const std::string& sql, const std::vector<int>& types) {
        transaction_ = KVL_GetTransaction(*conn_, false);
        statement_ = newStatement(sql, types);
    }

    // One row: the values of the first parameters, then the BLOB parameter found by its name.
    void send(const std::vector<TVariant>& values, const std::string& blobParam = "",
              const std::string& blob = "") {
        for (size_t i = 0; i < values.size(); ++i)
            statement_->SetParamValue(static_cast<int>(i), values[i]);
        std::istringstream stream(blob);
        if (!blobParam.empty()) statement_->SetBlobParam(blobParam, stream);
        statement_->Execute();
    }

    // SQL that is true when the BLOB column holds the bytes given as hex at a 1-based position.
    std::string blobBytesAt(const std::string& column, int position, const std::string& hex) const {
        const std::string from = std::to_string(position), count = std::to_string(hex.size() / 2);
        if (is(Engine::SQLite)) return "substr(" + column + ", " + from + ", " + count + ") = x'" + hex + "'";
        std::string part = "substring(" + column + " from " + from + " for " + count + ")";
        return part + (is(Engine::PostgreSQL) ? " = '\\x" + hex + "'::bytea" : " = x'" + hex + "'");
    }

    void insertKey(int id) { insertKey(id, *statement_); }
    void insertKey(int id, TKVL_Statement& into) {
        into.SetParamValue(0, TVariant(id));
        into.Execute();
    }

    // The bulk load of a table, made before its transaction begins, as the run makes it.
    bool open(const std::string& table, std::vector<std::string> columns, std::vector<int> types,
              bool inTransaction = false) {
        bulk_.reset();
        transaction_ = KVL_GetTransaction(*conn_, false);
        if (inTransaction) transaction_->StartTransaction();
        bulk_ = conn_->NewBulkInsert({table, std::move(columns), std::move(types)});
        if (!inTransaction) transaction_->StartTransaction();
        return bulk_ != nullptr;
    }

    void row(const std::vector<TVariant>& values) {
        for (size_t i = 0; i < values.size(); ++i)
            bulk_->SetValue(static_cast<int>(i), values[i]);
        bulk_->AddRow();
    }

    void keys(std::initializer_list<int> ids) {
        for (int id : ids)
            row({TVariant(id), TVariant("k" + std::to_string(id))});
    }
};

TEST_P(StatementTest, EveryValueKindAndNullReachTheServer) {
    const char* blob = is(Engine::PostgreSQL) ? "bytea" : is(Engine::Firebird) ? "blob sub_type 0" : "blob";
    exec("create table kinds (i integer, r double precision, s varchar(40), d date, t time, ts timestamp, "
         "b boolean, bl " +
         std::string(blob) + ")");
    prepare("insert into kinds (i, r, s, d, t, ts, b, bl) values (:P0, :P1, :P2, :P3, :P4, :P5, :P6, :P7)",
            {ftInteger, ftFloat, ftString, ftDate, ftTime, ftDateTime, ftBoolean, ftBlob});
    ASSERT_EQ(statement_->ParamCount(), 8);
    // an engine without a bulk load of its own sends its rows as statements
    EXPECT_EQ(conn_->NewBulkInsert({"kinds", {"i"}, {ftInteger}}) != nullptr,
              conn_->HasFeature(TKVL_DriverFeature::BulkLoad));
    EXPECT_EQ(statement_->ParamName(7), "P7");
    EXPECT_THROW(statement_->ParamName(8), EListError);
    std::string bytes;
    for (int c = 0; c < 256; ++c)
        bytes += static_cast<char>(c);
    // timestamps are the wall-clock time given, whatever the session's zone: 02:30 is no time in Berlin
    if (is(Engine::PostgreSQL)) exec("set time zone 'Europe/Berlin'");

    transaction_->StartTransaction();
    send({TVariant(42), TVariant(2.5), TVariant("O'Brien"), TVariant::FromDateTime(EncodeDate(2024, 2, 29)),
          TVariant::FromDateTime(EncodeTime(13, 14, 15, 0)),
          TVariant::FromDateTime(EncodeDate(2024, 3, 31) + EncodeTime(2, 30, 58, 0)), TVariant(true)},
         "P7", bytes + std::string("\0end", 4));
    for (int i = 0; i < 8; ++i)
        statement_->SetParamNull(i);
    statement_->Execute();
    // the slots take values again after NULLs, and a shorter BLOB replaces the longer one
    send({TVariant(-7), TVariant(-0.125), TVariant(""), TVariant::FromDateTime(EncodeDate(1899, 12, 31)),
          TVariant::FromDateTime(EncodeTime(0, 0, 1, 0)), TVariant::FromDateTime(EncodeDate(2000, 1, 1)),
          TVariant(false)},
         "p7", "xyz");
    transaction_->Commit();

    const std::string length = is(Engine::SQLite) ? "length(bl)" : "octet_length(bl)";
    EXPECT_EQ(scalar("select count(*) from kinds where i = 42 and r = 2.5 and s = 'O''Brien' and d = "
                     "'2024-02-29' and t = '13:14:15' and ts = '2024-03-31 02:30:58' and b and " +
                     length + " = 260 and " + blobBytesAt("bl", 1, "000102") + " and " +
                     blobBytesAt("bl", 255, "feff00656e64")),
              "1");
    EXPECT_EQ(scalar("select count(*) from kinds where i is null and r is null and s is null and d is null "
                     "and t is null and ts is null and b is null and bl is null"),
              "1");
    EXPECT_EQ(scalar("select count(*) from kinds where i = -7 and r = -0.125 and d = '1899-12-31' and t = "
                     "'00:00:01' and ts = '2000-01-01 00:00:00' and not b and " +
                     length + " = 3 and " + blobBytesAt("bl", 1, "78797a")),
              "1");
}

TEST_P(StatementTest, QueriesReadFieldsByNameNullsAsEmptyTextBooleansAndLongTexts) {
    exec(std::string("create table q (id integer, b boolean, t ") +
         (is(Engine::Firebird) ? "blob sub_type 1" : "text") + ")");
    prepare("insert into q (id, b, t) values (:I, :B, :T)", {ftInteger, ftBoolean, ftString});
    const std::string text(40000, 'w'); // past what one text parameter or segment carries
    send({TVariant(1), TVariant(true), TVariant(text)});
    statement_->SetParamNull(2);
    send({TVariant(2), TVariant(false)});

    auto query = KVL_GetCursor(*conn_, "select id, b, t as Body from q order by id");
    query->SetTransaction(transaction_.get());
    transaction_->StartTransaction();
    query->Open();
    ASSERT_FALSE(query->Eof());
    EXPECT_EQ(query->FieldAsString("ID"), "1");
    EXPECT_EQ(query->FieldAsString("Body"), text);
    const std::string trueText = query->FieldAsString("b");
    query->Next();
    ASSERT_FALSE(query->Eof());
    EXPECT_TRUE(query->FieldIsNull(2));
    EXPECT_EQ(query->FieldAsString("Body"), "");
    EXPECT_NE(query->FieldAsString("b"), trueText);
    query->Next();
    EXPECT_TRUE(query->Eof());
    EXPECT_THROW(query->FieldAsString("nothing"), EKVL_DatabaseError);
    query->Close();
    transaction_->Commit();
}

// Whatever the engine does to keep a failure to its own row, the rest of the transaction's work
// lands: rows of other statements, of a statement freed before the failure, a command run inside
// the transaction, and rows before and after several failures in a row. A failed command, too,
// gives the server's words only.
TEST_P(StatementTest, AFailedRowCostsThatRowOnlyAndGivesTheServersWords) {
    EXPECT_THAT([&] { exec("selec 1"); }, ThrowsMessage<EKVL_DatabaseError>(Words.at(engine()).syntax));
    exec("create table a (id integer not null, constraint a_key primary key (id))");
    exec("create table b (id integer not null primary key)");
    prepare("insert into a (id) values (:P0)", {ftInteger});
    auto intoB = newStatement("insert into b (id) values (:P0)", {ftInteger});

    transaction_->StartTransaction();
    for (int id = 1; id <= 600; ++id) // more than one exchange's worth of rows to send again
        insertKey(id);
    insertKey(1, *intoB);
    EXPECT_THAT([&] { insertKey(5); }, ThrowsMessage<EKVL_DatabaseError>(Words.at(engine()).duplicate));
    insertKey(601);
    EXPECT_THROW(insertKey(601), EKVL_DatabaseError);
    EXPECT_THROW(insertKey(1, *intoB), EKVL_DatabaseError);
    insertKey(4, *intoB);
    EXPECT_EQ(scalar("select count(*) from a"), "0");
    transaction_->Commit();
    EXPECT_EQ(scalar("select count(*) from a"), "601");
    EXPECT_EQ(scalar("select count(*) from b"), "2");

    // a transaction that starts with a failure keeps its good rows
    transaction_->StartTransaction();
    EXPECT_THROW(insertKey(1), EKVL_DatabaseError);
    insertKey(602);
    transaction_->Commit();
    transaction_->StartTransaction();
    insertKey(603);
    transaction_->Commit();

    transaction_->StartTransaction();
    exec("insert into b (id) values (2)");
    insertKey(3, *newStatement("insert into b (id) values (:P0)", {ftInteger})); // freed at once
    insertKey(604);
    EXPECT_THROW(insertKey(604), EKVL_DatabaseError);
    insertKey(605);
    transaction_->Commit();
    EXPECT_EQ(scalar("select count(*) from a"), "605");
    EXPECT_EQ(scalar("select count(*) from b"), "4");

    transaction_->StartTransaction();
    insertKey(606);
    EXPECT_THROW(insertKey(606), EKVL_DatabaseError);
    insertKey(607);
    EXPECT_TRUE(transaction_->InTransaction());
    transaction_->Rollback();
    EXPECT_FALSE(transaction_->InTransaction());
    EXPECT_EQ(scalar("select max(id) from a"), "605");
}

// Bulk loads, and sessions that one connection can end from another, are the servers' alone.
class ServerStatementTest : public StatementTest {};

// Numbers, texts and binary data go in the binary form; a date column makes the table use the
// text form; a bulk load made inside a transaction does not ask for the column types and uses
// the text form as well. Each must store what the statement path stores.
TEST_P(ServerStatementTest, EveryValueKindRoundTripsThroughTheBulkLoad) {
    const struct {
        const char* name;
        bool dates, inTransaction;
    } cases[] = {{"binary", false, false}, {"text", true, false}, {"late", false, true}};
    std::string bytes, hex;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
        hex += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        exec("drop table if exists kinds");
        exec(std::string(
                 "create table kinds (i2 smallint, i4 integer, i8 bigint, r double precision, b boolean, "
                 "s varchar(40), bl ") +
             (is(Engine::MariaDB) ? "blob" : "bytea") + ", d " + (c.dates ? "date" : "integer") + ")");
        ASSERT_TRUE(open("kinds", {"i2", "i4", "i8", "r", "b", "s", "bl", "d"},
                         {ftSmallint, ftInteger, ftLargeint, ftFloat, ftBoolean, ftString, ftBlob,
                          c.dates ? ftDate : ftInteger},
                         c.inTransaction));
        const TVariant d = c.dates ? TVariant::FromDateTime(EncodeDate(2024, 2, 29)) : TVariant(20240229);
        row({TVariant(-32768), TVariant(2147483647), TVariant("9007199254740993"), TVariant(0.1),
             TVariant(true), TVariant("tab\there\nnew \\ 'q'\r"), TVariant(bytes), d});
        row({TVariant::Null(), TVariant(), TVariant::Null(), TVariant::Null(), TVariant::Null(),
             TVariant::Null(), TVariant::Null(), TVariant::Null()});
        row({TVariant(7), TVariant(-1), TVariant(-5), TVariant(-2.5e300), TVariant(false), TVariant(""),
             TVariant(std::string()), d});
        ASSERT_EQ(bulk_->Pending(), 3);
        ASSERT_TRUE(bulk_->Send()) << bulk_->Refusal();
        transaction_->Commit();
        // the same values in each engine's words
        EXPECT_EQ(
            scalar("select count(*) from kinds where i2 = -32768 and i4 = 2147483647 and i8 = "
                   "9007199254740993 and b and length(bl) = 256 and " +
                   blobBytesAt("bl", 1, hex) +
                   " and r = " + (is(Engine::MariaDB) ? "0.1e0 and s = '" : "0.1::float8 and s = E'") +
                   "tab\\there\\nnew \\\\ ''q''\\r' and d = " + (c.dates ? "'2024-02-29'" : "20240229")),
            "1");
        EXPECT_EQ(scalar("select count(*) from kinds where i2 is null and i4 is null and i8 is null and r is "
                         "null and b is null and s is null and bl is null and d is null"),
                  "1");
        EXPECT_EQ(
            scalar("select count(*) from kinds where i2 = 7 and i4 = -1 and i8 = -5 and r = -2.5e300 and "
                   "not b and s = '' and length(bl) = 0"),
            "1");
    }
}

TEST_P(ServerStatementTest, ARefusedBatchTakesBackOnlyItsOwnRows) {
    exec("create table keyed (id integer primary key, s varchar(10))");
    ASSERT_TRUE(open("keyed", {"id", "s"}, {ftInteger, ftString}));
    keys({1, 2, 3});
    ASSERT_TRUE(bulk_->Send());
    keys({4, 2, 5}); // a key of the batch before
    EXPECT_FALSE(bulk_->Send());
    EXPECT_THAT(bulk_->Refusal(), HasSubstr(is(Engine::MariaDB) ? "Duplicate entry '2'" : "duplicate key"));
    EXPECT_EQ(bulk_->Pending(), 0);
    // a value the binary form cannot carry is refused before it reaches the server
    row({TVariant("4294967296"), TVariant("big")});
    keys({9});
    EXPECT_FALSE(bulk_->Send());
    // the transaction goes on: statements, further batches and a commit point
    newStatement("insert into keyed (id, s) values (4, 'k4')", {})->Execute();
    keys({6});
    ASSERT_TRUE(bulk_->Send());
    bulk_->CommitAndBegin();
    keys({7});
    ASSERT_TRUE(bulk_->Send());
    keys({7});
    EXPECT_FALSE(bulk_->Send());
    transaction_->Commit();
    EXPECT_EQ(scalar(is(Engine::MariaDB) ? "select group_concat(id order by id) from keyed"
                                         : "select string_agg(id::text, ',' order by id) from keyed"),
              "1,2,3,4,6,7");
}

// A batch larger than the server takes in one piece lands whole or not at all as well; a column
// the table lacks refuses each batch and leaves the transaction usable.
TEST_P(ServerStatementTest, ALargeRefusedBatchOrAMissingColumnTakesBackAllItsRows) {
    exec(std::string("create table wide (id integer primary key, s ") +
         (is(Engine::MariaDB) ? "longtext" : "text") + ")");
    exec("create table few (id integer)");
    ASSERT_TRUE(open("wide", {"id", "s"}, {ftInteger, ftString}));
    const std::string megabyte(1 << 20, 'w');
    for (int id : {1, 2, 3, 4, 5, 6, 7, 8, 1})
        row({TVariant(id), TVariant(megabyte)});
    EXPECT_FALSE(bulk_->Send());
    for (int id : {1, 2, 3, 4, 5, 6, 7, 8, 9})
        row({TVariant(id), TVariant(megabyte)});
    ASSERT_TRUE(bulk_->Send()) << bulk_->Refusal();
    transaction_->Commit();
    EXPECT_EQ(scalar("select count(*) from wide"), "9");

    ASSERT_TRUE(open("few", {"id", "nothing"}, {ftInteger, ftInteger}));
    row({TVariant(1), TVariant(2)});
    EXPECT_FALSE(bulk_->Send());
    EXPECT_THAT(bulk_->Refusal(), HasSubstr("nothing"));
    bulk_ = conn_->NewBulkInsert({"few", {"id"}, {ftInteger}});
    row({TVariant(3)});
    ASSERT_TRUE(bulk_->Send());
    transaction_->Commit();
    EXPECT_EQ(scalar("select count(*) from few"), "1");
}

// A session that the server ends is lost, not refused: every request after it fails at once.

TEST_P(ServerStatementTest, ASessionTheServerEndsIsLostForEveryLaterRequest) {
    exec("create table u (id integer not null primary key)");
    prepare("insert into u (id) values (:P0)", {ftInteger});
    transaction_->StartTransaction();
    insertKey(1);
    auto own =
        KVL_GetCursor(*conn_, is(Engine::MariaDB) ? "select connection_id()" : "select pg_backend_pid()");
    own->Open();
    const std::string session = own->FieldAsString(0);
    own.reset();
    db_->Open()->ExecuteCommand(
        "CUSTOM", is(Engine::MariaDB) ? "kill " + session : "select pg_terminate_backend(" + session + ")");
    EXPECT_THROW(insertKey(2), EKVL_ConnectionLost);
    EXPECT_THROW(insertKey(3), EKVL_ConnectionLost);
    EXPECT_THROW(transaction_->Commit(), EKVL_ConnectionLost);
    EXPECT_EQ(scalar("select count(*) from u"), "0");
}

INSTANTIATE_TEST_SUITE_P(Engines, StatementTest, AllEngines(), EngineParamName);
INSTANTIATE_TEST_SUITE_P(Engines, ServerStatementTest, testing::Values(Engine::PostgreSQL, Engine::MariaDB),
                         EngineParamName);

} // namespace
} // namespace kvl::test
