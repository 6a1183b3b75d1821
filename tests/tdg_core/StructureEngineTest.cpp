// What the SQL engine sends for each kind of server, recorded instead of run, and what it reads
// from a real SQLite database.
#include "FillFieldTestKit.h"
#include "support/RecordingConnection.h"

#include "kvl3_db/ServerKind.h"

namespace {

class ColumnStub : public FakeTableObject, public kvl::IKVL_Column {
public:
    explicit ColumnStub(bool identity) : FakeTableObject("ID", ""), identity_(identity) {}
    int DataTypeCode() const override { return 17; }
    bool NotNull() const override { return true; }
    std::string Length() const override { return ""; }
    std::string Scale() const override { return ""; }
    std::string Precision() const override { return ""; }
    std::string DefaultValue() const override { return ""; }
    bool Computed() const override { return false; }
    bool IsIdentity() const override { return identity_; }
    std::string DataTypeText() const override { return "INTEGER"; }
    bool InPrimaryKey() const override { return true; }

private:
    bool identity_;
};

struct Server {
    explicit Server(int kind) : log(std::make_shared<RecordingLog>()) {
        RecordingConnection session(kind, log);
        engine = std::make_unique<TFillStructureEngineVEX>(session, nullptr, QuotingSchema());
        project = std::make_unique<TFillProject>(&projects);
        project->TableName = "ORDERS";
        project->TableOwner = "SHOP";
        project->Indices.SetText("IDX_A\nIDX_B");
        project->Triggers.SetText("TRG");
        project->FillFields = std::make_unique<TFillFieldList>();
        KFillRecord rec;
        rec.DataTypeName = "Integer";
        rec.ColumnName = "ID";
        rec.Column = std::make_shared<ColumnStub>(true);
        project->FillFields->push_back(CreateFillField(rec));
        engine->Connect();
        log->Lines.clear();
    }
    std::shared_ptr<RecordingLog> log;
    std::unique_ptr<TFillStructureEngineVEX> engine;
    TFillProjects projects;
    std::unique_ptr<TFillProject> project;
};

TEST(ServerKinds, FirebirdSwitchesEveryIndexAndTriggerInItsOwnTransaction) {
    for (int kind : {kvl::skFirebirdEmbedded, kvl::skFirebird}) {
        Server s(kind);
        s.project->GetFillFields()[0]->FillType = fillIncreasing; // no identity insert to switch
        s.engine->DoAdditionalActions(s.project.get(), atBefore);
        s.engine->IndicesStateChange(false, s.project.get());
        s.engine->TriggersStateChange(true, s.project.get());
        EXPECT_EQ(s.log->Lines,
                  (std::vector<std::string>{"start", "ALTER INDEX \"IDX_A\" INACTIVE", "commit", "start",
                                            "ALTER INDEX \"IDX_B\" INACTIVE", "commit", "start",
                                            "ALTER TRIGGER \"TRG\" ACTIVE", "commit"}));
        EXPECT_TRUE(s.project->Statistics.Log.IsEmpty());
        EXPECT_EQ(s.engine->GeneratorIncValue("\"GEN\""), "Gen_ID(\"GEN\",1)");
    }
}

TEST(ServerKinds, ARefusedIndexIsLoggedWithTheServersWordsAndTheNextStillSent) {
    Server s(kvl::skFirebird);
    s.log->Fail = [](const std::string& sql) {
        if (sql.find("IDX_A") != std::string::npos)
            throw kvl::EKVL_DatabaseError(
                "Error while executing. ISC ERROR MESSAGE:\nunsuccessful metadata update\n"
                "STATEMENT:\nALTER INDEX IDX_A INACTIVE");
    };
    s.engine->IndicesStateChange(false, s.project.get());
    EXPECT_EQ(s.project->Statistics.Log.Text(),
              "Error while changing index state:\r\nunsuccessful metadata update\r\n");
    EXPECT_NE(std::find(s.log->Lines.begin(), s.log->Lines.end(), "ALTER INDEX \"IDX_B\" INACTIVE"),
              s.log->Lines.end());
    EXPECT_EQ(std::count(s.log->Lines.begin(), s.log->Lines.end(), "commit"), 2);
}

TEST(ServerKinds, OtherKindsSendNoStateChangesAndNameTheirGeneratorsTheirWay) {
    const std::pair<int, const char*> cases[] = {{kvl::skSQLite, ""},
                                                 {kvl::skIdentityInsert, ""},
                                                 {kvl::skNextVal, "\"G\".NEXTVAL"},
                                                 {kvl::skPostgreSQL, ""}};
    for (auto [kind, generator] : cases) {
        Server s(kind);
        s.engine->IndicesStateChange(false, s.project.get());
        s.engine->TriggersStateChange(false, s.project.get());
        EXPECT_TRUE(s.log->Lines.empty()) << kind;
        EXPECT_TRUE(s.project->Statistics.Log.IsEmpty());
        EXPECT_EQ(s.engine->GeneratorIncValue("\"G\""), generator) << kind;
    }
}

TEST(ServerKinds, IdentityInsertIsSwitchedOnlyAroundAFilledIdentityColumn) {
    Server s(kvl::skIdentityInsert);
    s.engine->DoAdditionalActions(s.project.get(), atBefore);
    EXPECT_TRUE(s.log->Lines.empty()); // the identity column is not filled
    s.project->GetFillFields()[0]->FillType = fillIncreasing;
    s.engine->DoAdditionalActions(s.project.get(), atBefore);
    s.engine->DoAdditionalActions(s.project.get(), atAfter);
    EXPECT_EQ(s.log->Lines,
              (std::vector<std::string>{"CUSTOM: SET IDENTITY_INSERT \"SHOP\".\"ORDERS\" ON",
                                        "CUSTOM: SET IDENTITY_INSERT \"SHOP\".\"ORDERS\" OFF"}));
    s.log->Fail = [](const std::string&) { throw kvl::EKVL_DatabaseError("refused"); };
    EXPECT_NO_THROW(s.engine->DoAdditionalActions(s.project.get(), atBefore));
}

TEST(ServerKinds, UseConnectionLeavesTheCallersConnectionOpen) {
    auto log = std::make_shared<RecordingLog>();
    RecordingConnection outer(kvl::skSQLite, log); // outlives the engine, as the window's does
    outer.Connect();
    Server s(kvl::skSQLite);
    s.engine->UseConnection(&outer);
    s.engine->Connect();
    s.engine->Disconnect();
    EXPECT_TRUE(outer.Connected());
}

TEST(ServerKinds, CleanedMessages) {
    EXPECT_EQ(CleanServerMessage("  lead ISC ERROR MESSAGE: the words STATEMENT: insert  "), "the words");
    EXPECT_EQ(CleanServerMessage(" no marker here STATEMENT: insert"), "no marker here");
    EXPECT_EQ(CleanServerMessage("plain"), "plain");
}

class StructureEngineSqlite : public ::testing::Test {
protected:
    void SetUp() override {
        session = db.Open();
        for (const char* sql :
             {"create table customers (id integer primary key, name varchar(40) not null, "
              "price decimal(10,2), qty numeric(8,0), ratio real, born date, "
              "doubled integer generated always as (id * 2), shape polygon)",
              "create table lines (order_id integer, line_no integer, item text, "
              "customer_id integer references customers(id), primary key (order_id, line_no))",
              "create index lines_item on lines(item)",
              "create trigger lines_trg after insert on lines begin select 1; end",
              "insert into customers (id, name) values (3, 'c'), (1, 'a'), (2, 'b')",
              "insert into lines values (2, 1, 'x', 1), (1, 2, 'y', 2), (1, 1, 'z', 3)"})
            session->ExecuteCommand("CUSTOM", sql);
        database = session->Database();
        engine = std::make_unique<TFillStructureEngineVEX>(*session, database, nullptr);
        projects.SetStructureEngine(engine.get());
        projects.CreateStructure();
    }
    TFillProject* project(const std::string& name) {
        for (TFillProject* p : projects.Projects)
            if (p->TableName == name) return p;
        throw kvl::Exception("no project " + name);
    }

    kvl::test::TTestDatabase db{kvl::test::Engine::SQLite};
    std::unique_ptr<kvl::TKVL_Connection> session;
    std::shared_ptr<kvl::IKVL_Database> database;
    std::unique_ptr<TFillStructureEngineVEX> engine;
    TFillProjects projects;
};

TEST_F(StructureEngineSqlite, ReadsTablesColumnsIndicesAndTriggers) {
    ASSERT_EQ(projects.GetProjectCount(), 2);
    TFillProject* customers = project("customers");
    // the computed column has no fill field; the class follows from type and scale
    std::string columns;
    for (const auto& f : customers->GetFillFields())
        columns += f->ColumnName + " " + f->DataTypeName + "(" + std::to_string(f->Size) + "," +
                   std::to_string(f->Scale) + ")" + (f->Nullable ? "" : " not null") + "; ";
    EXPECT_EQ(columns, "id Integer(0,0); name Varchar(40,0) not null; price Decimal(0,2); qty Numeric(0,0); "
                       "ratio Float(0,4); born Date(0,0); shape Unsupported(0,0); ");
    TFillProject* lines = project("lines");
    lines->GetFillFields();
    EXPECT_NE(lines->Indices.IndexOf("lines_item"), -1);
    EXPECT_EQ(lines->Triggers.Text(), "lines_trg");
    // an unknown table stops with its bare name
    TFillProject ghost(&projects);
    ghost.TableName = "ghost";
    ghost.TableOwner = "nobody";
    TFillFieldList fields;
    EXPECT_EQ(MessageOf<kvl::Exception>([&] { engine->GetFields(&ghost, fields); }),
              "Table \"ghost\" not found in method \"TFillStructureEngineVEX.GetFields\"?");
    EXPECT_TRUE(fields.empty());
}

// Referential values come in primary key order; emptying a referenced table fails naming it with
// the server's words.
TEST_F(StructureEngineSqlite, ReferentialValuesComeInKeyOrderAndEmptyingAReferencedTableFails) {
    kvl::TStringList values;
    engine->GetColumnData("customers", "", "name", values);
    EXPECT_EQ(values.Text(), "a\r\nb\r\nc");
    values.Clear();
    engine->GetColumnData("lines", "", "item", values); // composite key: order_id, then line_no
    EXPECT_EQ(values.Text(), "z\r\ny\r\nx");
    engine->GetColumnData("lines", "", "", values);
    EXPECT_EQ(values.Count(), 3);
    engine->Connect();
    EXPECT_EQ(
        MessageOf<kvl::Exception>([&] { engine->EmptyTable(project("customers")); }),
        "Could not empty table \"customers\". Most probably there is a foreign key constraint referencing "
        "it.\r\nOriginal error message: FOREIGN KEY constraint failed");
    engine->EmptyTable(project("lines"));
    values.Clear();
    engine->GetColumnData("lines", "", "item", values);
    EXPECT_TRUE(values.IsEmpty());
}

TEST_F(StructureEngineSqlite, InsertStatementNamesParametersByFieldPosition) {
    TFillProject* customers = project("customers");
    TFillFieldList& fields = customers->GetFillFields();
    fields[0]->FillType = fillIncreasing;
    static_cast<TIntegerFillField*>(fields[0].get())->RangeFrom = 10;
    static_cast<TIntegerFillField*>(fields[0].get())->StaticValue = 1;
    fields[3]->FillType = fillFixed;
    engine->Connect();
    customers->SetSQLAndParamDatatypes();
    kvl::TKVL_Statement& st = engine->GetSQLClassInstance();
    EXPECT_EQ(st.SQL().Text(),
              "insert into customers (\r\nid\r\n,\r\nqty\r\n)\r\nvalues (\r\n:P0\r\n,\r\n:P3\r\n)");
    ASSERT_EQ(st.ParamCount(), 2);
    EXPECT_EQ(st.ParamName(1), "P3");
    EXPECT_EQ(st.ParamType(1), 3);
    engine->Disconnect();
}

} // namespace
