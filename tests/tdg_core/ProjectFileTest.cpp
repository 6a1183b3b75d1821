#include "FillFieldTestKit.h"

#include "UTFillConstants.h"
#include "UTFillObject/TBlobFillField.h"
#include "UTFillObject/TBoolBitFillField.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/Exceptions.h"
#include "base/SysUtils.h"

#include <gtest/gtest.h>

namespace {

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
    void configure(TFillProjects& p) {
        TFillProject* t = p.getFillProject(0);
        t->doFill = true;
        t->Rows = 1234;
        t->RowsPerTransaction = 77;
        t->EmptyFirst = true;
        t->DisableTriggers = true;
        auto* i = field<TIntegerFillField>(p, 0, 0);
        i->FillType = fillReferential;
        i->RefTable = "OTHER";
        i->RefTableOwner = "APP";
        i->RefColumn = "ID";
        i->IncludeNulls = true;
        i->NullPercentage = 33;
        i->StaticValue = -5;
        i->RangeFrom = -100;
        i->RangeTo = 2000000000;
        i->GeneratorName = "GEN_I";
        i->ListValues.SetText("1\n2\n3");
        auto* f = field<TFloatFillField>(p, 0, 1);
        f->FillType = fillRandom;
        f->RangeFrom = -0.125L;
        f->RangeTo = 1.5e20L;
        f->StaticValue = 0.000002L;
        auto* text = field<TTextFillField>(p, 0, 2);
        text->FillType = fillRandom;
        text->FileName = "/data/values.txt";
        text->StaticValue = "a <b> & \"c\"";
        text->LengthFrom = 3;
        text->LengthTo = 9;
        auto* inc = field<TTextFillField>(p, 0, 3);
        inc->FillType = fillIncreasing;
        inc->IncStart = 100;
        inc->IncStep = 5;
        inc->IncFixedDigits = true;
        inc->IncDigits = 8;
        auto* m = field<TTextFillField>(p, 0, 4);
        m->FillType = fillMasked;
        m->Mask = "AA[-]NNN";
        auto* d = field<TDateFillField>(p, 0, 5);
        d->FillType = fillIncreasing;
        d->StaticDate = -700.0;
        d->StaticTime = 0.75;
        d->DateFrom = 45000;
        d->DateTo = 45300;
        d->TimeFrom = 0.25;
        d->TimeTo = 0.5;
        d->IncSeconds = 1;
        d->IncMinutes = 2;
        d->IncHours = 3;
        d->IncDays = 4;
        auto* b = field<TBlobFillField>(p, 0, 6);
        b->FillType = fillRandom;
        b->Directory = "/pictures";
        b->FileFilter = "*.png";
        b->MaxFiles = 12;
        b->FileName = "/one.png";
        auto* o = field<TBoolBitFillField>(p, 0, 7);
        o->FillType = fillFixed;
        o->StaticValue = true;
        field<TCustomFillField>(p, 0, 8)->FillType = fillGUID;
        p.getFillProject(2)->GetFillFields()[0]->FillType = fillFixed; // THIRD, not marked
    }
    RecordingEngine engine;
    TFillProjects original;
    TempFolder folder;
};

// Every setting is written, and a project loaded from the file writes the same file again.
TEST_F(ProjectFile, RoundTripKeepsEverySetting) {
    configure(original);
    original.MoveProjectUp(original.getFillProject(2)); // THIRD before OTHER
    original.InsertOnly = true;
    std::string path = folder.Path("roundtrip.tdg");
    original.SaveToFile(path);
    const std::string xml = ReadFile(path);
    for (const char* setting :
         {"INSERT_ONLY=\"1\"",
          "ROWS=\"1234\"",
          "PER_TRANSACTION=\"77\"",
          "DISABLE_TRIGGERS=\"1\"",
          "EMPTY_TABLE=\"1\"",
          "REF_TAB=\"OTHER\" REF_TAB_OWNER=\"APP\" REF_COL=\"ID\"",
          "NULL_PERC=\"33\"",
          "LIST_VALUES=\"1&#13;&#10;2&#13;&#10;3&#13;&#10;\"",
          "STATIC_VALUE=\"-5\"",
          "RAN_TO=\"2000000000\"",
          "GEN_NAME=\"GEN_I\"",
          "STATIC_VALUE=\"2E-6\"",
          "RAN_FROM=\"-0.125\"",
          "RAN_TO=\"1.5E20\"",
          "STATIC_VALUE=\"a &lt;b> &amp; &quot;c&quot;\" RAN_FROM=\"3\" RAN_TO=\"9\" "
          "FILENAME=\"/data/values.txt\"",
          "RAN_FROM=\"100\" RAN_TO=\"5\" FD=\"8\"",
          "STATIC_VALUE=\"AA[-]NNN\"",
          "STATIC_VALUE=\"-700\" STATIC_VALUE2=\"0.75\" RAN_FROM=\"45000\" RAN_TO=\"45300\" "
          "RAN_FROM2=\"0.25\" "
          "RAN_TO2=\"0.5\" INC_SECONDS=\"1\" INC_MINUTES=\"2\" INC_HOURS=\"3\" INC_DAYS=\"4\"",
          "FILENAME=\"/one.png\" DIR=\"/pictures\" FILEFILTER=\"*.png\" MAXFILES=\"12\"",
          "FILL_TYPE=\"22\""})
        EXPECT_NE(xml.find(setting), std::string::npos) << setting;
    EXPECT_EQ(xml.find("OTHER"), xml.find("REF_TAB=\"OTHER\"") + 9); // OTHER has no settings: not written

    TFillProjects loaded;
    build(loaded);
    loaded.LoadFromFile(path);
    ASSERT_EQ(loaded.getFillProject(0)->TableName, "ALL_TYPES");
    EXPECT_EQ(loaded.getFillProject(1)->TableName, "THIRD");
    EXPECT_TRUE(loaded.getFillProject(0)->doFill);
    EXPECT_FALSE(loaded.getFillProject(1)->doFill);
    EXPECT_EQ(field<TTextFillField>(loaded, 0, 2)->Mask, "a <b> & \"c\""); // one stored value serves both
    loaded.SaveToFile(path);
    EXPECT_EQ(ReadFile(path), xml);
}

TEST_F(ProjectFile, NothingFilledWritesAnEmptyProjectList) {
    std::string path = folder.Path("empty.tdg");
    original.getFillProject(0)->GetFillFields();
    original.SaveToFile(path);
    std::string xml = ReadFile(path);
    EXPECT_NE(xml.find("<TABLE_PROJECTS />"), std::string::npos) << xml;
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
    EXPECT_EQ(original.getFillProject(2)->TableName, "ALL_TYPES");
    TFillProject* p = original.getFillProject(2);
    EXPECT_FALSE(p->doFill);
    EXPECT_EQ(p->Rows, 50);
    EXPECT_TRUE(p->DisableIndices);
    EXPECT_TRUE(p->EmptyFirst);
    auto* i = dynamic_cast<TIntegerFillField*>(p->GetFillFields()[0].get());
    EXPECT_EQ(i->FillType, fillRandom);
    EXPECT_EQ(i->RangeTo, 9);
    EXPECT_TRUE(i->IncludeNulls);
    EXPECT_EQ(inc->FillType, fillIncreasing);
    EXPECT_EQ(inc->IncStart, 7);
    EXPECT_TRUE(inc->IncFixedDigits); // no FD: left as it was
    EXPECT_EQ(inc->IncDigits, 6);
    EXPECT_FALSE(original.getFillProject(0)->doFill);
}

TEST_F(ProjectFile, BadFilesGiveClearMessagesAndChangeNothing) {
    configure(original);
    std::string good = folder.Path("good.tdg");
    original.SaveToFile(good);
    std::string xml = ReadFile(good);

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
    expectUnchanged(xml.substr(0, xml.size() / 2), "no well-formed XML");
    expectUnchanged("<OTHER_ROOT/>", "Error in file");
    std::string notNumber = xml;
    notNumber.replace(notNumber.find("RAN_TO=\"1.5E20\""), 15, "RAN_TO=\"lots\"");
    expectUnchanged(notNumber, "'lots' is not a valid floating point value");
    std::string missing = xml;
    missing.replace(missing.find("ROWS=\"1234\""), 11, "");
    expectUnchanged(missing, "the attribute \"ROWS\" is missing in table \"ALL_TYPES\"");
    try {
        original.LoadFromFile(folder.Path("does-not-exist.tdg"));
        FAIL();
    } catch (const kvl::EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("does-not-exist.tdg"), std::string::npos);
    }
}

TEST_F(ProjectFile, CommaLocaleWritesAndReadsItsOwnSeparator) {
    kvl::TFormatSettingsScope comma(kvl::LocaleFormatSettings("de_DE"));
    configure(original);
    std::string path = folder.Path("comma.tdg");
    original.SaveToFile(path);
    EXPECT_NE(ReadFile(path).find("RAN_FROM=\"-0,125\""), std::string::npos);
    TFillProjects loaded;
    build(loaded);
    loaded.LoadFromFile(path);
    EXPECT_DOUBLE_EQ(static_cast<double>(field<TFloatFillField>(loaded, 0, 1)->RangeFrom), -0.125);
}

} // namespace
