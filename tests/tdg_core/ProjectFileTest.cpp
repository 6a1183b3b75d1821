#include "FillFieldTestKit.h"

namespace {

// Every setting of every column class as the file holds it; THIRD, not to be filled, moved before
// OTHER, which has no settings and is therefore not written.
const std::string EverySetting = R"(<?xml version="1.0"?>
<TEST_DATA_GENERATOR INSERT_ONLY="1">
  <TABLE_PROJECTS>
    <TABLE_PROJECT NAME="ALL_TYPES" OWNER="APP" SEQUENCE="1" ROWS="1234" PER_TRANSACTION="77" DISABLE_INDICES="0" DISABLE_TRIGGERS="1" EMPTY_TABLE="1">
      <COLUMNS>
        <COLUMN NAME="I" FILL_TYPE="4" REF_TAB="OTHER" REF_TAB_OWNER="APP" REF_COL="ID" INCLUDE_NULLS="1" NULL_PERC="33" LIST_VALUES="1&#13;&#10;2&#13;&#10;3&#13;&#10;" STATIC_VALUE="-5" RAN_FROM="-100" RAN_TO="2000000000" GEN_NAME="GEN_I" />
        <COLUMN NAME="F" FILL_TYPE="2" REF_TAB="" REF_COL="" INCLUDE_NULLS="0" NULL_PERC="10" LIST_VALUES="" STATIC_VALUE="2E-6" RAN_FROM="-0.125" RAN_TO="1.5E20" GEN_NAME="" />
        <COLUMN NAME="T" FILL_TYPE="2" REF_TAB="" REF_COL="" INCLUDE_NULLS="0" NULL_PERC="10" LIST_VALUES="" STATIC_VALUE="a &lt;b> &amp; &quot;c&quot;" RAN_FROM="3" RAN_TO="9" FILENAME="/data/values.txt" />
        <COLUMN NAME="INC" FILL_TYPE="21" REF_TAB="" REF_COL="" INCLUDE_NULLS="0" NULL_PERC="10" LIST_VALUES="" STATIC_VALUE="Fixed String value" RAN_FROM="100" RAN_TO="5" FD="8" />
        <COLUMN NAME="M" FILL_TYPE="20" REF_TAB="" REF_COL="" INCLUDE_NULLS="0" NULL_PERC="10" LIST_VALUES="" STATIC_VALUE="AA[-]NNN" RAN_FROM="30" RAN_TO="30" FILENAME="" />
        <COLUMN NAME="D" FILL_TYPE="21" REF_TAB="" REF_COL="" INCLUDE_NULLS="0" NULL_PERC="10" LIST_VALUES="" STATIC_VALUE="-700" STATIC_VALUE2="0.75" RAN_FROM="45000" RAN_TO="45300" RAN_FROM2="0.25" RAN_TO2="0.5" INC_SECONDS="1" INC_MINUTES="2" INC_HOURS="3" INC_DAYS="4" />
        <COLUMN NAME="B" FILL_TYPE="2" REF_TAB="" REF_COL="" INCLUDE_NULLS="0" NULL_PERC="10" LIST_VALUES="" FILENAME="/one.png" DIR="/pictures" FILEFILTER="*.png" MAXFILES="12" />
        <COLUMN NAME="OK" FILL_TYPE="1" REF_TAB="" REF_COL="" INCLUDE_NULLS="0" NULL_PERC="10" LIST_VALUES="" STATIC_VALUE="1" />
        <COLUMN NAME="G" FILL_TYPE="22" REF_TAB="" REF_COL="" INCLUDE_NULLS="0" NULL_PERC="10" LIST_VALUES="" />
        <COLUMN NAME="U" FILL_TYPE="0" REF_TAB="" REF_COL="" INCLUDE_NULLS="0" NULL_PERC="10" LIST_VALUES="" />
      </COLUMNS>
    </TABLE_PROJECT>
    <TABLE_PROJECT NAME="THIRD" SEQUENCE="2" ROWS="10000" PER_TRANSACTION="1000" DISABLE_INDICES="0" DISABLE_TRIGGERS="0" EMPTY_TABLE="0" DONT_FILL="1">
      <COLUMNS>
        <COLUMN NAME="ID" FILL_TYPE="1" REF_TAB="" REF_COL="" INCLUDE_NULLS="0" NULL_PERC="10" LIST_VALUES="" STATIC_VALUE="0" RAN_FROM="0" RAN_TO="0" GEN_NAME="" />
      </COLUMNS>
    </TABLE_PROJECT>
  </TABLE_PROJECTS>
</TEST_DATA_GENERATOR>
)";

class ProjectFile : public ::testing::Test {
protected:
    void SetUp() override {
        engine.AddTable("ALL_TYPES",
                        {{"I", "Integer"},
                         {"F", "Double Precision"},
                         {"T", "Varchar", true, 30},
                         {"INC", "Varchar", true, 30},
                         {"M", "Varchar", true, 30},
                         {"D", "DateTime"},
                         {"B", "Blob"},
                         {"OK", "Boolean/Bit"},
                         {"G", "GUID"},
                         {"U", "Unsupported"}},
                        "APP");
        engine.AddTable("OTHER", {{"ID", "Integer"}});
        engine.AddTable("THIRD", {{"ID", "Integer"}});
        build(original);
    }
    void build(TFillProjects& p) {
        p.SetStructureEngine(&engine);
        p.CreateStructure();
    }
    template <class T> T* field(TFillProjects& p, int project, int index) {
        return dynamic_cast<T*>(
            p.getFillProject(project)->GetFillFields().at(static_cast<size_t>(index)).get());
    }
    RecordingEngine engine;
    TFillProjects original;
    TempFolder folder;
};

// A file read and written again is the same file, byte for byte.
TEST_F(ProjectFile, RoundTripKeepsEverySetting) {
    original.LoadFromFile(folder.Write("every.tdg", EverySetting));
    EXPECT_TRUE(original.InsertOnly);
    EXPECT_EQ(original.getFillProject(1)->TableName, "THIRD");
    EXPECT_FALSE(original.getFillProject(1)->doFill);
    EXPECT_EQ(field<TTextFillField>(original, 0, 2)->Mask, "a <b> & \"c\""); // one stored value serves both
    original.SaveToFile(folder.Path("again.tdg"));
    EXPECT_EQ(ReadFile(folder.Path("again.tdg")), EverySetting);
    // a comma locale writes and reads its own separator
    kvl::TFormatSettingsScope comma(kvl::LocaleFormatSettings("de_DE"));
    original.SaveToFile(folder.Path("comma.tdg"));
    EXPECT_NE(ReadFile(folder.Path("comma.tdg")).find("RAN_FROM=\"-0,125\""), std::string::npos);
    TFillProjects loaded;
    build(loaded);
    loaded.LoadFromFile(folder.Path("comma.tdg"));
    EXPECT_DOUBLE_EQ(static_cast<double>(field<TFloatFillField>(loaded, 0, 1)->RangeFrom), -0.125);
}

TEST_F(ProjectFile, HandWrittenFileMatchesByNameOwnerAndLetterCase) {
    std::string path = folder.Write("hand.tdg", R"(<?xml version="1.0"?>
<TEST_DATA_GENERATOR><TABLE_PROJECTS>
  <TABLE_PROJECT NAME="third" SEQUENCE="1" ROWS="1" PER_TRANSACTION="1" DISABLE_INDICES="0" DISABLE_TRIGGERS="0" EMPTY_TABLE="0"/>
  <TABLE_PROJECT NAME="OTHER" OWNER="APP" SEQUENCE="1" ROWS="1" PER_TRANSACTION="1" DISABLE_INDICES="0" DISABLE_TRIGGERS="0" EMPTY_TABLE="0"/>
  <TABLE_PROJECT NAME="ALL_TYPES" SEQUENCE="99" ROWS="50" PER_TRANSACTION="5" DISABLE_INDICES="1" DISABLE_TRIGGERS="0" EMPTY_TABLE="1" DONT_FILL="1">
    <COLUMNS>
      <COLUMN NAME="I" FILL_TYPE="2" REF_TAB="" REF_COL="" INCLUDE_NULLS="1" NULL_PERC="20" LIST_VALUES="" RAN_FROM="1" RAN_TO="9"/>
      <COLUMN NAME="i" FILL_TYPE="1" REF_TAB="" REF_COL="" INCLUDE_NULLS="0" NULL_PERC="0" LIST_VALUES=""/>
      <COLUMN NAME="NOT_THERE" FILL_TYPE="1" REF_TAB="" REF_COL="" INCLUDE_NULLS="0" NULL_PERC="0" LIST_VALUES=""/>
      <COLUMN NAME="INC" FILL_TYPE="21" REF_TAB="" REF_COL="" INCLUDE_NULLS="0" NULL_PERC="10" LIST_VALUES="" RAN_FROM="7" RAN_TO="2"/>
    </COLUMNS>
  </TABLE_PROJECT>
</TABLE_PROJECTS></TEST_DATA_GENERATOR>)");
    auto* inc = field<TTextFillField>(original, 0, 3);
    inc->IncFixedDigits = true;
    inc->IncDigits = 6;
    original.LoadFromFile(path);
    // "third" and "OTHER" with an owner match nothing; ALL_TYPES moves to the end
    TFillProject* p = original.getFillProject(2);
    EXPECT_EQ(std::tuple(p->TableName, p->doFill, p->Rows, p->DisableIndices, p->EmptyFirst),
              std::tuple("ALL_TYPES", false, 50, true, true));
    auto* i = dynamic_cast<TIntegerFillField*>(p->GetFillFields()[0].get());
    EXPECT_EQ(std::tuple(i->FillType, i->RangeTo, i->IncludeNulls), std::tuple(fillRandom, 9, true));
    // without FD the fixed digits are left as they were
    EXPECT_EQ(std::tuple(inc->FillType, inc->IncStart, inc->IncFixedDigits, inc->IncDigits),
              std::tuple(fillIncreasing, 7, true, 6));
    EXPECT_FALSE(original.getFillProject(0)->doFill);
}

TEST_F(ProjectFile, BadFilesGiveClearMessagesAndChangeNothing) {
    auto expectUnchanged = [&](const std::string& content, const std::string& message) {
        std::string path = folder.Write("bad.tdg", content);
        TFillProjects target;
        build(target);
        target.getFillProject(0)->Rows = 42;
        field<TIntegerFillField>(target, 0, 0)->RangeTo = 17;
        try {
            target.LoadFromFile(path);
            ADD_FAILURE() << "no exception for: " << message;
        } catch (const kvl::Exception& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
        EXPECT_EQ(target.getFillProject(0)->Rows, 42);
        EXPECT_EQ(field<TIntegerFillField>(target, 0, 0)->RangeTo, 17);
        EXPECT_EQ(target.getFillProject(0)->TableName, "ALL_TYPES");
    };
    expectUnchanged("this is not XML", "no well-formed XML");
    expectUnchanged(EverySetting.substr(0, EverySetting.size() / 2), "no well-formed XML");
    expectUnchanged("<OTHER_ROOT/>", "Error in file");
    std::string notNumber = EverySetting;
    notNumber.replace(notNumber.find("RAN_TO=\"1.5E20\""), 15, "RAN_TO=\"lots\"");
    expectUnchanged(notNumber, "'lots' is not a valid floating point value");
    std::string missing = EverySetting;
    missing.replace(missing.find("ROWS=\"1234\""), 11, "");
    expectUnchanged(missing, "the attribute \"ROWS\" is missing in table \"ALL_TYPES\"");
    EXPECT_NE(MessageOf<kvl::EFileError>([&] {
                  original.LoadFromFile(folder.Path("does-not-exist.tdg"));
              }).find("does-not-exist.tdg"),
              std::string::npos);
}

class FillProjectsModel : public ::testing::Test {
protected:
    void SetUp() override {
        engine.Generators = {"gen_b", "GEN_A"};
        engine.AddTable("CUSTOMERS", {{"ID", "Integer", false}, {"NAME", "Varchar", true, 40}}, "SALES");
        engine.AddTable("ORDERS",
                        {{"ID", "Integer", false}, {"CUSTOMER_ID", "Integer", false, 0, 0, 0, true}});
        engine.AddTable("customers", {{"X", "Integer"}}, "ARCHIVE");
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
    }
    RecordingEngine engine;
    TFillProjects projects;
};

TEST(FillProjectsDefaults, NewProjectsCopyTheDefaultsOfTheirMoment) {
    TFillProjects projects;
    TFillProject before(&projects);
    projects.SetdefaultRows(50);
    projects.SetdefaultIndex(true);
    TFillProject after(&projects);
    EXPECT_EQ(std::tuple(before.Rows, before.DisableIndices), std::tuple(10000, false));
    EXPECT_EQ(std::tuple(after.Rows, after.DisableIndices), std::tuple(50, true));
}

TEST_F(FillProjectsModel, CreateStructureBuildsOneUnmarkedProjectPerTableInOrder) {
    ASSERT_EQ(projects.GetProjectCount(), 3);
    EXPECT_EQ(projects.getFillProject(0)->TableName, "CUSTOMERS");
    EXPECT_EQ(projects.getFillProject(0)->TableOwner, "SALES");
    EXPECT_EQ(projects.getFillProject(1)->TableOwner, "");
    EXPECT_EQ(projects.GetProjectToFillCount(), 0);
    EXPECT_EQ(projects.getFillProject(0)->Generators, &projects.Generators);
    ASSERT_EQ(projects.Generators.Count(), 2);
    EXPECT_EQ(projects.Generators[0], "GEN_A"); // sorted
    EXPECT_EQ(engine.Calls.front(), "Connect");
    EXPECT_EQ(engine.Calls.back(), "Disconnect");
    EXPECT_EQ(engine.GetFieldsCalls, 0); // columns are read when first needed
    EXPECT_THROW(projects.getFillProject(3), kvl::EListError);
    projects.getFillProject(0)->doFill = true;
    projects.CreateStructure();
    EXPECT_EQ(projects.GetProjectToFillCount(), 0) << "creating again discards the settings";
}

TEST_F(FillProjectsModel, MovingKeepsTheOrderAtTheEnds) {
    TFillProject* first = projects.getFillProject(0);
    TFillProject* last = projects.getFillProject(2);
    projects.moveProjectUp(0);
    projects.moveProjectDown(2);
    EXPECT_EQ(projects.getFillProject(0), first);
    EXPECT_EQ(projects.getFillProject(2), last);
    projects.MoveProjectDown(first);
    EXPECT_EQ(projects.IndexOfProject(first), 1);
    projects.MoveProjectUp(last);
    EXPECT_EQ(projects.IndexOfProject(last), 1);
    EXPECT_EQ(projects.IndexOfProject(first), 2);
    TFillProject stranger(&projects);
    projects.MoveProjectDown(&stranger);
    projects.MoveProjectUp(&stranger);
    EXPECT_EQ(projects.IndexOfProject(&stranger), -1);
    EXPECT_EQ(projects.getFillProject(2), first);
}

TEST_F(FillProjectsModel, FieldSettingsAreReadLazilyAndOnlyOnceAndTablesAreFoundByName) {
    TFillProject* p = projects.getFillProject(0);
    EXPECT_FALSE(p->HasFieldSettings());
    EXPECT_EQ(engine.GetFieldsCalls, 0);
    ASSERT_EQ(p->GetFillFields().size(), 2u);
    EXPECT_FALSE(p->HasFieldSettings());
    p->GetFillFields()[1]->FillType = fillFixed;
    EXPECT_TRUE(p->HasFieldSettings());
    p->GetFillFields();
    EXPECT_EQ(engine.GetFieldsCalls, 1);
    kvl::TStringList names;
    projects.getTableColumns(engine.Tables[0].Object, names);
    EXPECT_EQ(names.Text(), "ID\r\nNAME");
    auto unknown = std::make_shared<FakeTableObject>("CUSTOMERS", "SALES");
    projects.getTableColumns(unknown, names);
    EXPECT_TRUE(names.IsEmpty());
    // tables are found by qualified and bare names in any case
    EXPECT_EQ(projects.Projects.ByName("sales.customers"), engine.Tables[0].Object);
    EXPECT_EQ(projects.Projects.ByName("archive.CUSTOMERS"), engine.Tables[2].Object);
    // the bare name finds the first of two same-named tables
    EXPECT_EQ(projects.Projects.ByName("Customers"), engine.Tables[0].Object);
    EXPECT_EQ(projects.Projects.ByName("orders"), engine.Tables[1].Object);
    EXPECT_EQ(projects.Projects.ByName("nothing"), nullptr);
}

TEST_F(FillProjectsModel, ValidationFindsUnfilledMandatoryColumns) {
    TFillProject* orders = projects.getFillProject(1);
    EXPECT_FALSE(orders->validateProjectNoFill());
    EXPECT_EQ(orders->validateProjectNotNull(), 0); // ID: NOT NULL, no default, not filled
    orders->GetFillFields()[0]->FillType = fillRandom;
    EXPECT_TRUE(orders->validateProjectNoFill());
    EXPECT_EQ(orders->validateProjectNotNull(), -1); // CUSTOMER_ID has a default
}

TEST(FillProjectsEngine, FreeingTheEngineClearsTheReference) {
    TFillProjects projects;
    {
        RecordingEngine engine;
        projects.SetStructureEngine(&engine);
        EXPECT_EQ(projects.StructureEngine, &engine);
    }
    EXPECT_EQ(projects.StructureEngine, nullptr);
}

} // namespace
