// What the SQL engine sends for each kind of server, recorded instead of run.
#include "FillFieldTestKit.h"
#include "support/RecordingConnection.h"

#include "kvl3_db/ServerKind.h"
#include "uTFillStructureEngineVEX.h"

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

} // namespace
