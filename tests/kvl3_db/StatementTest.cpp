#include "TestDatabases.h"
#include "base/DateTime.h"
#include "base/Exceptions.h"
#include "kvl3_db/FieldType.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace kvl::test {
namespace {

using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

class StatementTest : public EngineTest {
protected:
    std::unique_ptr<TKVL_Transaction> transaction_;
    std::unique_ptr<TKVL_Statement> statement_;

    void TearDown() override {
        // statements and transactions go before their connection
        statement_.reset();
        transaction_.reset();
        EngineTest::TearDown();
    }

    void prepare(const std::string& sql) {
        transaction_ = KVL_GetTransaction(*conn_, false);
        statement_ = KVL_GetStatement(*conn_, "");
        statement_->SetTransaction(transaction_.get());
        statement_->SQL().Clear();
        statement_->SQL().Add(sql);
        statement_->Prepare();
    }

    std::string blobType() const {
        switch (engine()) {
        case Engine::PostgreSQL:
            return "bytea";
        case Engine::Firebird:
            return "blob sub_type 0";
        default:
            return "blob";
        }
    }

    // SQL that is true when the BLOB column holds the bytes given as hex at a 1-based position.
    std::string blobBytesAt(const std::string& column, int position, const std::string& hex) const {
        std::string part = "substring(" + column + " from " + std::to_string(position) + " for " +
                           std::to_string(hex.size() / 2) + ")";
        if (is(Engine::SQLite))
            return "substr(" + column + ", " + std::to_string(position) + ", " +
                   std::to_string(hex.size() / 2) + ") = x'" + hex + "'";
        if (is(Engine::PostgreSQL)) return part + " = '\\x" + hex + "'::bytea";
        return part + " = x'" + hex + "'";
    }

    void createKinds() {
        exec(
            "create table kinds (i integer, r double precision, s varchar(40), d date, t time, ts timestamp, "
            "b boolean, bl " +
            blobType() + ")");
        prepare(
            "insert into kinds (i, r, s, d, t, ts, b, bl) values (:P0, :P1, :P2, :P3, :P4, :P5, :P6, :P7)");
        const int types[] = {ftInteger, ftFloat, ftString, ftDate, ftTime, ftDateTime, ftBoolean, ftBlob};
        for (int i = 0; i < 8; ++i)
            statement_->SetParamType(i, types[i]);
    }

    std::string errorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const EKVL_DatabaseError& e) {
            return e.Message();
        }
        ADD_FAILURE() << "no EKVL_DatabaseError";
        return std::string();
    }

    void insertKey(int id) {
        statement_->SetParamValue(0, TVariant(id));
        statement_->Execute();
    }
};

TEST_P(StatementTest, NamedParametersAreListedInOrderWithTheirTypes) {
    createKinds();
    ASSERT_EQ(statement_->ParamCount(), 8);
    EXPECT_EQ(statement_->ParamName(0), "P0");
    EXPECT_EQ(statement_->ParamName(7), "P7");
    EXPECT_EQ(statement_->ParamType(3), ftDate);
    EXPECT_EQ(statement_->ParamType(7), ftBlob);
    EXPECT_THROW(statement_->ParamName(8), EListError);
}

TEST_P(StatementTest, EveryValueKindAndNullReachTheServer) {
    createKinds();
    std::string bytes;
    for (int c = 0; c < 256; ++c)
        bytes += static_cast<char>(c);
    bytes += std::string("\0end", 4);

    transaction_->StartTransaction();
    statement_->SetParamValue(0, TVariant(42));
    statement_->SetParamValue(1, TVariant(2.5));
    statement_->SetParamValue(2, TVariant("O'Brien"));
    statement_->SetParamValue(3, TVariant::FromDateTime(EncodeDate(2024, 2, 29)));
    statement_->SetParamValue(4, TVariant::FromDateTime(EncodeTime(13, 14, 15, 0)));
    statement_->SetParamValue(5, TVariant::FromDateTime(EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 58, 0)));
    statement_->SetParamValue(6, TVariant(true));
    std::istringstream blob(bytes);
    statement_->SetBlobParam("P7", blob);
    statement_->Execute();

    for (int i = 0; i < 8; ++i)
        statement_->SetParamNull(i);
    statement_->Execute();

    // the slots take values again after NULLs, and a shorter BLOB replaces the longer one
    statement_->SetParamValue(0, TVariant(-7));
    statement_->SetParamValue(1, TVariant(-0.125));
    statement_->SetParamValue(2, TVariant(""));
    statement_->SetParamValue(3, TVariant::FromDateTime(EncodeDate(1899, 12, 31)));
    statement_->SetParamValue(4, TVariant::FromDateTime(EncodeTime(0, 0, 1, 0)));
    statement_->SetParamValue(5, TVariant::FromDateTime(EncodeDate(2000, 1, 1)));
    statement_->SetParamValue(6, TVariant(false));
    std::istringstream shortBlob("xyz");
    statement_->SetBlobParam("p7", shortBlob);
    statement_->Execute();
    transaction_->Commit();

    EXPECT_EQ(
        scalar("select count(*) from kinds where i = 42 and r = 2.5 and s = 'O''Brien' and d = '2024-02-29' "
               "and t = '13:14:15' and ts = '2024-02-29 23:59:58' and b = " +
               trueLiteral() + " and " + blobLength("bl") + " = 260 and " + blobBytesAt("bl", 1, "000102") +
               " and " + blobBytesAt("bl", 255, "feff00656e64")),
        "1");
    EXPECT_EQ(
        scalar(
            "select count(*) from kinds where i is null and r is null and s is null and d is null and t is "
            "null and ts is null and b is null and bl is null"),
        "1");
    EXPECT_EQ(
        scalar(
            "select count(*) from kinds where i = -7 and r = -0.125 and d = '1899-12-31' and t = '00:00:01' "
            "and ts = '2000-01-01 00:00:00' and b <> " +
            trueLiteral() + " and " + blobLength("bl") + " = 3 and " + blobBytesAt("bl", 1, "78797a")),
        "1");
}

TEST_P(StatementTest, QueriesReadFieldsByNameAndNullsAsEmptyText) {
    exec("create table q (id integer, s varchar(20))");
    exec("insert into q values (1, 'one')");
    exec("insert into q values (2, null)");
    auto transaction = KVL_GetTransaction(*conn_, false);
    auto query = KVL_GetCursor(*conn_, "select id, s as LinkValue from q order by id");
    query->SetTransaction(transaction.get());
    transaction->StartTransaction();
    query->Open();
    ASSERT_FALSE(query->Eof());
    EXPECT_EQ(query->FieldAsString("ID"), "1");
    EXPECT_EQ(query->FieldAsString("LinkValue"), "one");
    query->Next();
    ASSERT_FALSE(query->Eof());
    EXPECT_TRUE(query->FieldIsNull(1));
    EXPECT_EQ(query->FieldAsString("LinkValue"), "");
    query->Next();
    EXPECT_TRUE(query->Eof());
    EXPECT_THROW(query->FieldAsString("nothing"), EKVL_DatabaseError);
    query->Close();
    transaction->Commit();
}

TEST_P(StatementTest, QueriesReadBooleansAndLongTexts) {
    exec(std::string("create table bt (b boolean, t ") + (is(Engine::Firebird) ? "blob sub_type 1" : "text") +
         ")");
    prepare("insert into bt (b, t) values (:B, :T)");
    statement_->SetParamType(0, ftBoolean);
    statement_->SetParamType(1, ftString);
    const std::string text(40000, 'w'); // past what one text parameter or segment carries
    statement_->SetParamValue(0, TVariant(true));
    statement_->SetParamValue(1, TVariant(text));
    statement_->Execute();
    statement_->SetParamValue(0, TVariant(false));
    statement_->SetParamNull(1);
    statement_->Execute();

    auto transaction = KVL_GetTransaction(*conn_, false);
    auto query = KVL_GetCursor(*conn_, "select b, t from bt order by b");
    query->SetTransaction(transaction.get());
    transaction->StartTransaction();
    query->Open();
    ASSERT_FALSE(query->Eof());
    const std::string falseText = query->FieldAsString("b");
    EXPECT_TRUE(query->FieldIsNull(1));
    query->Next();
    ASSERT_FALSE(query->Eof());
    EXPECT_NE(query->FieldAsString("b"), falseText);
    EXPECT_EQ(query->FieldAsString("t"), text);
    query->Close();
    transaction->Commit();
}

TEST_P(StatementTest, CommittedRowsReachASecondConnectionAndRolledBackOnesDoNot) {
    exec("create table u (id integer not null primary key)");
    prepare("insert into u (id) values (:P0)");
    statement_->SetParamType(0, ftInteger);

    transaction_->StartTransaction();
    for (int id = 1; id <= 3; ++id)
        insertKey(id);
    EXPECT_EQ(scalar("select count(*) from u"), "0");
    transaction_->Commit();
    EXPECT_EQ(scalar("select count(*) from u"), "3");

    transaction_->StartTransaction();
    insertKey(4);
    insertKey(5);
    EXPECT_TRUE(transaction_->InTransaction());
    transaction_->Rollback();
    EXPECT_FALSE(transaction_->InTransaction());
    EXPECT_EQ(scalar("select count(*) from u"), "3");
}

TEST_P(StatementTest, AFailedRowCostsThatRowOnlyAndTheCommitStillLands) {
    exec("create table u (id integer not null primary key)");
    prepare("insert into u (id) values (:P0)");
    statement_->SetParamType(0, ftInteger);

    transaction_->StartTransaction();
    insertKey(1);
    insertKey(2);
    std::string message = errorOf([&] { insertKey(1); });
    insertKey(3);
    transaction_->Commit();

    EXPECT_EQ(scalar("select count(*) from u"), "3");
    EXPECT_THAT(message, Not(HasSubstr("while executing")));
    EXPECT_THAT(message, Not(HasSubstr(":P0")));
    switch (engine()) {
    case Engine::SQLite:
        EXPECT_EQ(message, "UNIQUE constraint failed: u.id");
        break;
    case Engine::PostgreSQL:
        EXPECT_THAT(message, StartsWith("duplicate key value violates unique constraint \"u_pkey\""));
        break;
    case Engine::Firebird:
        EXPECT_THAT(message, StartsWith("violation of PRIMARY or UNIQUE KEY constraint"));
        EXPECT_THAT(message, HasSubstr("on table \"U\""));
        break;
    case Engine::MariaDB:
        EXPECT_EQ(message, "Duplicate entry '1' for key 'PRIMARY'");
        break;
    }
}

// Whatever the engine does to keep a failure to its own row, the rest of the transaction's work
// lands: rows of other statements, of a statement freed before the failure, a command run inside
// the transaction, and rows before and after several failures in a row.
TEST_P(StatementTest, FailedRowsLeaveTheRestOfTheTransactionsWorkInPlace) {
    exec("create table a (id integer not null primary key)");
    exec("create table b (id integer not null primary key)");
    prepare("insert into a (id) values (:P0)");
    statement_->SetParamType(0, ftInteger);
    auto intoB = KVL_GetStatement(*conn_, "insert into b (id) values (:P0)");
    intoB->SetTransaction(transaction_.get());
    intoB->Prepare();
    intoB->SetParamType(0, ftInteger);
    auto insertB = [&](int id) {
        intoB->SetParamValue(0, TVariant(id));
        intoB->Execute();
    };

    transaction_->StartTransaction();
    for (int id = 1; id <= 600; ++id) // more than one exchange's worth of rows to send again
        insertKey(id);
    insertB(1);
    errorOf([&] { insertKey(5); });
    insertKey(601);
    errorOf([&] { insertKey(601); });
    errorOf([&] { insertB(1); });
    insertB(4);
    transaction_->Commit();
    EXPECT_EQ(scalar("select count(*) from a"), "601");
    EXPECT_EQ(scalar("select count(*) from b"), "2");

    // a transaction that starts with a failure keeps its good rows
    transaction_->StartTransaction();
    errorOf([&] { insertKey(1); });
    insertKey(602);
    transaction_->Commit();
    transaction_->StartTransaction();
    insertKey(603);
    transaction_->Commit();

    transaction_->StartTransaction();
    exec("insert into b (id) values (2)");
    {
        auto freed = KVL_GetStatement(*conn_, "insert into b (id) values (:P0)");
        freed->SetTransaction(transaction_.get());
        freed->Prepare();
        freed->SetParamType(0, ftInteger);
        freed->SetParamValue(0, TVariant(3));
        freed->Execute();
    }
    insertKey(604);
    errorOf([&] { insertKey(604); });
    insertKey(605);
    transaction_->Commit();
    EXPECT_EQ(scalar("select count(*) from a"), "605");
    EXPECT_EQ(scalar("select count(*) from b"), "4");

    transaction_->StartTransaction();
    insertKey(606);
    errorOf([&] { insertKey(606); });
    insertKey(607);
    transaction_->Rollback();
    EXPECT_EQ(scalar("select max(id) from a"), "605");
}

// A session that the server ends is lost, not refused: every request after it fails at once.
// Only engines with a server have a session to end from another.
class ServerStatementTest : public StatementTest {};

TEST_P(ServerStatementTest, ASessionTheServerEndsIsLostForEveryLaterRequest) {
    exec("create table u (id integer not null primary key)");
    prepare("insert into u (id) values (:P0)");
    statement_->SetParamType(0, ftInteger);
    transaction_->StartTransaction();
    insertKey(1);
    auto own =
        KVL_GetCursor(*conn_, is(Engine::MariaDB) ? "select connection_id()" : "select pg_backend_pid()");
    own->SetTransaction(transaction_.get());
    own->Open();
    const std::string session = own->FieldAsString(0);
    own->Close();
    db_->Open()->ExecuteCommand(
        "CUSTOM", is(Engine::MariaDB) ? "kill " + session : "select pg_terminate_backend(" + session + ")");
    EXPECT_THROW(insertKey(2), EKVL_ConnectionLost);
    EXPECT_THROW(insertKey(3), EKVL_ConnectionLost);
    EXPECT_THROW(transaction_->Commit(), EKVL_ConnectionLost);
    own.reset();
    EXPECT_EQ(scalar("select count(*) from u"), "0");
}

TEST_P(StatementTest, AFailedCommandGivesTheServersWordsOnly) {
    std::string message = errorOf([&] { exec("selec 1"); });
    EXPECT_THAT(message, Not(HasSubstr("while preparing")));
    // MariaDB quotes the text from where it stopped reading, and no more
    if (!is(Engine::MariaDB)) EXPECT_THAT(message, Not(HasSubstr("selec 1")));
    switch (engine()) {
    case Engine::SQLite:
        EXPECT_EQ(message, "near \"selec\": syntax error");
        break;
    case Engine::PostgreSQL:
        EXPECT_EQ(message, "syntax error at or near \"selec\"");
        break;
    case Engine::Firebird:
        EXPECT_THAT(message, StartsWith("Dynamic SQL Error"));
        EXPECT_THAT(message, HasSubstr("Token unknown"));
        break;
    case Engine::MariaDB:
        EXPECT_EQ(message, "You have an error in your SQL syntax near 'selec 1' at line 1");
        break;
    }
}

TEST_P(StatementTest, ClonesReachTheSameDatabase) {
    exec("create table c (id integer)");
    exec("insert into c values (5)");
    auto clone = KVL_CloneConnection(*conn_, true, false);
    EXPECT_TRUE(clone->Connected());
    EXPECT_EQ(clone->ServerKind(), conn_->ServerKind());
    clone->ExecuteCommand("CUSTOM", "insert into c values (6)");
    EXPECT_EQ(scalar("select count(*) from c"), "2");
    clone->Disconnect();
    EXPECT_FALSE(clone->Connected());
}

INSTANTIATE_TEST_SUITE_P(Engines, StatementTest, AllEngines(), EngineParamName);
INSTANTIATE_TEST_SUITE_P(Engines, ServerStatementTest, testing::Values(Engine::PostgreSQL, Engine::MariaDB),
                         EngineParamName);

// timestamp values are the wall-clock time the user gave, whatever the session's zone.
class PostgresStatementTest : public StatementTest {};

TEST_P(PostgresStatementTest, TimestampsAreStoredWithoutTimeZoneShift) {
    exec("set time zone 'Europe/Berlin'");
    exec("create table ts (v timestamp)");
    prepare("insert into ts (v) values (:P0)");
    statement_->SetParamType(0, ftDateTime);
    statement_->SetParamValue(0, TVariant::FromDateTime(EncodeDate(2024, 3, 31) + EncodeTime(2, 30, 0, 0)));
    statement_->Execute(); // an hour that does not exist in Berlin
    statement_->SetParamValue(0, TVariant::FromDateTime(EncodeDate(2024, 7, 1) + EncodeTime(12, 0, 0, 0)));
    statement_->Execute();
    EXPECT_EQ(scalar("select string_agg(to_char(v, 'YYYY-MM-DD HH24:MI:SS'), ',' order by v) from ts"),
              "2024-03-31 02:30:00,2024-07-01 12:00:00");
}

INSTANTIATE_TEST_SUITE_P(Engines, PostgresStatementTest, testing::Values(Engine::PostgreSQL),
                         EngineParamName);

} // namespace
} // namespace kvl::test
