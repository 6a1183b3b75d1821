// The SQL engine and the run end to end on every reachable engine.
#include "kvl3_db/TestDatabases.h"

#include "UTFillConstants.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/SysUtils.h"
#include "kvl3_db/Drivers.h"
#include "uTFillStructureEngineVEX.h"

#include <gtest/gtest.h>

namespace {

using kvl::test::Engine;

class EngineMatrixFill : public kvl::test::EngineTest {
protected:
    void SetUp() override {
        kvl::KVL_RegisterStandardDrivers();
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        exec("create table customers (id integer not null primary key, email varchar(60) unique, "
             "name varchar(40) not null)");
        exec("create table orders (order_no integer not null, line integer not null, "
             "customer_id integer references customers(id), amount numeric(10,2), primary key (order_no, "
             "line))");
        exec("create index orders_customer on orders(customer_id)");
        if (is(Engine::SQLite)) {
            exec("create trigger orders_trg after insert on orders begin select 1; end");
        } else if (is(Engine::PostgreSQL)) {
            exec("create function orders_fn() returns trigger language plpgsql as $$ begin return new; end "
                 "$$");
            exec("create trigger orders_trg before insert on orders for each row execute function "
                 "orders_fn()");
            exec("create sequence customer_ids");
        } else if (is(Engine::MariaDB)) {
            exec("create trigger orders_trg before insert on orders for each row set @seen = 1");
            exec("create sequence customer_ids");
        } else {
            exec("create trigger orders_trg for orders before insert as begin end");
            exec("create generator customer_ids");
        }
        engine = std::make_unique<TFillStructureEngineVEX>(*conn_, conn_->Database(), nullptr);
        projects.SetStructureEngine(engine.get());
        projects.CreateStructure();
    }
    void TearDown() override {
        projects.Projects.Clear();
        engine.reset();
        EngineTest::TearDown();
    }
    TFillProject* project(const std::string& name) {
        for (TFillProject* p : projects.Projects)
            if (kvl::SameText(p->TableName, name)) return p;
        ADD_FAILURE() << "no project " << name;
        return nullptr;
    }
    std::string table(const std::string& name) const {
        return is(Engine::Firebird) ? kvl::UpperCase(name) : name;
    }

    std::unique_ptr<TFillStructureEngineVEX> engine;
    TFillProjects projects;
};

TEST_P(EngineMatrixFill, ReadsTheSchemaAndFillsItFailedRowsAside) {
    TFillProject* customers = project("customers");
    TFillProject* orders = project("orders");
    ASSERT_TRUE(customers && orders);
    TFillFieldList& c = customers->GetFillFields();
    TFillFieldList& o = orders->GetFillFields();
    ASSERT_EQ(c.size(), 3u);
    ASSERT_EQ(o.size(), 4u);
    EXPECT_EQ(c[0]->DataTypeName, "Integer");
    EXPECT_EQ(c[1]->DataTypeName, "Varchar");
    EXPECT_EQ(c[1]->Size, 60);
    EXPECT_FALSE(c[2]->Nullable);
    EXPECT_NE(dynamic_cast<TFloatFillField*>(o[3].get()), nullptr); // numeric(10,2)
    EXPECT_NE(orders->Indices.IndexOf(table("orders_customer")), -1);
    EXPECT_NE(orders->Triggers.IndexOf(table("orders_trg")), -1);
    if (!is(Engine::SQLite)) EXPECT_NE(projects.Generators.IndexOf(table("customer_ids")), -1);

    // customers: 20 rows, the e-mail of every row after the first clashes with the unique key
    customers->doFill = true;
    customers->Rows = 20;
    customers->RowsPerTransaction = 7;
    auto* id = dynamic_cast<TIntegerFillField*>(c[0].get());
    if (is(Engine::Firebird)) {
        id->FillType = fillGenerator;
        id->GeneratorName = table("customer_ids");
    } else {
        id->FillType = fillIncreasing;
        id->RangeFrom = 1;
        id->StaticValue = 1;
    }
    c[1]->FillType = fillFixed;
    dynamic_cast<TTextFillField*>(c[1].get())->StaticValue = "same@example.com";
    c[2]->FillType = fillFixed;
    // orders: 30 rows whose customers come from the first table
    orders->doFill = true;
    orders->Rows = 30;
    orders->DisableIndices = true;
    orders->DisableTriggers = true;
    auto* number = dynamic_cast<TIntegerFillField*>(o[0].get());
    number->FillType = fillIncreasing;
    number->RangeFrom = 1000;
    number->StaticValue = 1;
    o[1]->FillType = fillFixed;
    o[2]->FillType = fillReferential;
    o[2]->RefTable = customers->TableName;
    o[2]->RefColumn = c[0]->ColumnName;
    auto* amount = dynamic_cast<TFloatFillField*>(o[3].get());
    amount->FillType = fillRandom;
    amount->RangeFrom = 1;
    amount->RangeTo = 99;

    std::string inactiveDuringFill;
    projects.OnFillProgress = [&](TFillProject* sender, int row, int, int, kvl::TDateTime, kvl::TDateTime) {
        if (sender == orders && row > 0 && is(Engine::Firebird) && inactiveDuringFill.empty())
            inactiveDuringFill =
                scalar("select count(*) from rdb$indices where rdb$index_name = 'ORDERS_CUSTOMER' "
                       "and rdb$index_inactive = 1") +
                scalar("select count(*) from rdb$triggers where rdb$trigger_name = 'ORDERS_TRG' "
                       "and rdb$trigger_inactive = 1");
    };
    projects.startInsert();

    EXPECT_EQ(customers->Statistics.RowsInserted, 1);
    EXPECT_EQ(customers->Statistics.ErrorCount, 19);
    EXPECT_EQ(scalar("select count(*) from " + table("customers")), "1");
    std::string log = customers->Statistics.Log.Text();
    EXPECT_EQ(log.find("ISC ERROR MESSAGE:"), std::string::npos) << log;
    EXPECT_EQ(orders->Statistics.RowsInserted, 30) << orders->Statistics.Log.Text();
    EXPECT_EQ(scalar("select count(*) from " + table("orders")), "30");
    EXPECT_EQ(scalar("select count(distinct customer_id) from " + table("orders")), "1");
    if (is(Engine::Firebird)) {
        EXPECT_EQ(inactiveDuringFill, "11") << orders->Statistics.Log.Text();
        EXPECT_EQ(scalar("select count(*) from rdb$indices where rdb$index_name = 'ORDERS_CUSTOMER' "
                         "and rdb$index_inactive = 1"),
                  "0");
        EXPECT_EQ(scalar("select count(*) from rdb$triggers where rdb$trigger_name = 'ORDERS_TRG' "
                         "and rdb$trigger_inactive = 1"),
                  "0");
        // the generator numbered every attempted row, the failed ones too
        EXPECT_EQ(scalar("select gen_id(customer_ids, 0) from rdb$database"), "20");
        // the primary key's index cannot be switched off: the server says so in the log
        EXPECT_NE(orders->Statistics.Log.Text().find("Error while changing index state:"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineMatrixFill, kvl::test::AllEngines(), kvl::test::EngineParamName);

} // namespace
