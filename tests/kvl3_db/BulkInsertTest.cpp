#include "TestDatabases.h"
#include "base/DateTime.h"
#include "kvl3_db/FieldType.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kvl::test {
namespace {

using testing::HasSubstr;

class BulkInsertTest : public EngineTest {
protected:
    void TearDown() override {
        bulk_.reset();
        transaction_.reset();
        EngineTest::TearDown();
    }

    // The bulk load of a table, made before its transaction begins, as the run makes it.
    bool open(const std::string& table, std::vector<std::string> columns, std::vector<int> types,
              bool inTransaction = false) {
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

    std::unique_ptr<TKVL_Transaction> transaction_;
    std::unique_ptr<TKVL_BulkInsert> bulk_;
};

// Numbers, texts and binary data go in the binary form; a date column makes the table use the
// text form; a bulk load made inside a transaction does not ask for the column types and uses
// the text form as well. Each must store what the statement path stores.
struct KindsCase {
    const char* name;
    bool dates, inTransaction;
};

const KindsCase KindsCases[] = {{"binary", false, false}, {"text", true, false}, {"late", false, true}};

// An engine without a bulk load sends its rows as statements.
class NoBulkInsertTest : public BulkInsertTest {};

TEST_P(NoBulkInsertTest, TheConnectionMakesNoBulkLoad) {
    exec("create table kinds (i4 integer)");
    EXPECT_EQ(conn_->NewBulkInsert({"kinds", {"i4"}, {ftInteger}}), nullptr);
}

TEST_P(BulkInsertTest, EveryValueKindRoundTripsThroughTheBulkLoad) {
    std::string bytes, hex;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
        hex += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    }
    for (const KindsCase& c : KindsCases) {
        SCOPED_TRACE(c.name);
        exec("drop table if exists kinds");
        exec(std::string(
                 "create table kinds (i2 smallint, i4 integer, i8 bigint, r double precision, b boolean, "
                 "s varchar(40), bl ") +
             (is(Engine::MariaDB) ? "blob" : "bytea") + ", d " + (c.dates ? "date" : "integer") + ")");
        const bool made = open("kinds", {"i2", "i4", "i8", "r", "b", "s", "bl", "d"},
                               {ftSmallint, ftInteger, ftLargeint, ftFloat, ftBoolean, ftString, ftBlob,
                                c.dates ? ftDate : ftInteger},
                               c.inTransaction);
        ASSERT_TRUE(made);
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
        const std::string values =
            is(Engine::MariaDB)
                ? "r = 0.1e0 and b and s = 'tab\\there\\nnew \\\\ ''q''\\r' and length(bl) = 256 and bl = "
                  "unhex('" +
                      hex + "')"
                : "r = 0.1::float8 and b and s = E'tab\\there\\nnew \\\\ ''q''\\r' and length(bl) = 256 and "
                  "bl = decode('" +
                      hex + "', 'hex')";
        EXPECT_EQ(scalar("select count(*) from kinds where i2 = -32768 and i4 = 2147483647 and "
                         "i8 = 9007199254740993 and " +
                         values + " and d = " + (c.dates ? "'2024-02-29'" : "20240229")),
                  "1");
        EXPECT_EQ(scalar("select count(*) from kinds where i2 is null and i4 is null and i8 is null and r is "
                         "null and b is null and s is null and bl is null and d is null"),
                  "1");
        EXPECT_EQ(
            scalar("select count(*) from kinds where i2 = 7 and i4 = -1 and i8 = -5 and r = -2.5e300 and "
                   "not b and s = '' and length(bl) = 0"),
            "1");
        bulk_.reset();
    }
}

TEST_P(BulkInsertTest, ARefusedBatchTakesBackOnlyItsOwnRows) {
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
    auto statement = KVL_GetStatement(*conn_, "insert into keyed (id, s) values (4, 'k4')");
    statement->SetTransaction(transaction_.get());
    statement->Prepare();
    statement->Execute();
    keys({6});
    ASSERT_TRUE(bulk_->Send());
    bulk_->CommitAndBegin();
    keys({7});
    ASSERT_TRUE(bulk_->Send());
    keys({7});
    EXPECT_FALSE(bulk_->Send());
    transaction_->Commit();
    statement.reset();
    EXPECT_EQ(scalar(is(Engine::MariaDB) ? "select group_concat(id order by id) from keyed"
                                         : "select string_agg(id::text, ',' order by id) from keyed"),
              "1,2,3,4,6,7");
}

// A batch larger than the server takes in one piece lands whole or not at all as well.
TEST_P(BulkInsertTest, ALargeRefusedBatchTakesBackAllItsRows) {
    const char* longText = is(Engine::MariaDB) ? "longtext" : "text";
    exec(std::string("create table wide (id integer primary key, s ") + longText + ")");
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
}

TEST_P(BulkInsertTest, AMissingColumnRefusesEachBatchAndLeavesTheTransactionUsable) {
    exec("create table few (id integer)");
    ASSERT_TRUE(open("few", {"id", "nothing"}, {ftInteger, ftInteger}));
    row({TVariant(1), TVariant(2)});
    EXPECT_FALSE(bulk_->Send());
    EXPECT_THAT(bulk_->Refusal(), HasSubstr("nothing"));
    bulk_.reset();
    bulk_ = conn_->NewBulkInsert({"few", {"id"}, {ftInteger}});
    row({TVariant(3)});
    ASSERT_TRUE(bulk_->Send());
    transaction_->Commit();
    EXPECT_EQ(scalar("select count(*) from few"), "1");
}

INSTANTIATE_TEST_SUITE_P(Engines, BulkInsertTest, testing::Values(Engine::PostgreSQL, Engine::MariaDB),
                         EngineParamName);
INSTANTIATE_TEST_SUITE_P(Engines, NoBulkInsertTest, testing::Values(Engine::SQLite, Engine::Firebird),
                         EngineParamName);

} // namespace
} // namespace kvl::test
