#include "FillFieldTestKit.h"

#include <gmock/gmock.h>

#include <stdexcept>

namespace {

class FillValuesBlockTest : public FillFieldTest {};

// A block of values must be exactly the values one by one, with their NULL draws, from the same
// generator state, and leave the generator where they leave it.
TEST_F(FillValuesBlockTest, ABlockGivesTheValuesOneByOne) {
    struct Case {
        const char* type;
        int16_t scale;
        int32_t fill;
        double from, to;
    };
    const double y2015 = kvl::EncodeDate(2015, 1, 1), y2025 = kvl::EncodeDate(2025, 12, 31);
    const Case cases[] = {
        {"Integer", 0, fillRandom, 1, 1000},
        {"Integer", 0, fillRandom, INT32_MIN, INT32_MAX},
        {"SmallInt", 0, fillRandom, -7, -2},
        {"Integer", 0, fillRandom, 0, 0}, // a span of zero: every draw takes the extended path
        {"Integer", 0, fillIncreasing, 5, 9},
        {"DateTime", 0, fillRandom, y2015, y2025},
        {"Date", 0, fillRandom, -1000, -10}, // before 1899
        {"Time", 0, fillRandom, y2015, y2025},
        {"DateTime", 0, fillIncreasing, y2015, y2025},
        {"Double Precision", 0, fillRandom, -2.5, 1e6},
        {"Numeric", 2, fillRandom, -10, 10},
        {"GUID", 0, fillGUID, 0, 0},
        {"Varchar", 0, fillList, 0, 0},
    };
    for (const Case& c : cases)
        for (int32_t percentage : {0, 30, 100}) {
            SCOPED_TRACE(std::string(c.type) + " " + std::to_string(c.from) + ", NULLs " +
                         std::to_string(percentage));
            auto field = RandomField(Record(c.type, c.scale), c.from, c.to);
            field->FillType = c.fill;
            field->ListValues.SetText("a\r\nbb");
            if (auto* i = dynamic_cast<TIntegerFillField*>(field.get())) i->StaticValue = 3;
            if (auto* d = dynamic_cast<TDateFillField*>(field.get())) d->IncHours = 5;
            field->IncludeNulls = percentage > 0;
            field->NullPercentage = percentage;
            field->prepareInsert();
            const TNullDraw nulls{field->IncludeNulls, field->NullPercentage};
            kvl::RandSeed(7);
            std::vector<kvl::TVariant> single;
            for (int i = 0; i < 300; ++i)
                single.push_back(nulls() ? kvl::TVariant::Null() : field->getInsertValue());
            const double after = kvl::Random();
            field->prepareInsert(); // counters start again
            kvl::RandSeed(7);
            // slots that held other values before: a block is made over the block before
            std::vector<kvl::TVariant> block(300, kvl::TVariant("left over"));
            field->FillValues(std::span(block).first(100), nulls);
            field->FillValues(std::span(block).subspan(100), nulls);
            EXPECT_EQ(block, single);
            EXPECT_EQ(kvl::Random(), after);
        }
}

// A value that cannot be made fails its own row alone; the rows after it keep their values.
TEST(FillValuesBlockRun, AValueThatCannotBeMadeFailsItsRowAlone) {
    struct Failing : TIntegerFillField {
        using TIntegerFillField::TIntegerFillField;
        int made = 0;
        kvl::TVariant getInsertValue() override {
            if (++made == 260) throw std::runtime_error("no value");
            return kvl::TVariant(made);
        }
    };
    RecordingEngine engine;
    engine.AddTable("T", {{"A", "Integer"}});
    TFillProjects projects;
    projects.SetStructureEngine(&engine);
    projects.CreateStructure();
    TFillProject& project = *projects.getFillProject(0);
    project.doFill = true;
    project.Rows = 300;
    auto& field = project.GetFillFields()[0];
    KFillRecord rec;
    rec.ColumnName = field->ColumnName;
    rec.DataTypeName = field->DataTypeName;
    rec.Project = &project;
    field = std::make_unique<Failing>(rec);
    field->FillType = fillList;
    field->ListValues.Add("1");
    projects.startInsert();
    ASSERT_EQ(engine.Statement.Rows.size(), 299u);
    EXPECT_EQ(engine.Statement.Rows[258][0], kvl::TVariant(259));
    EXPECT_EQ(engine.Statement.Rows[259][0], kvl::TVariant(261));
    EXPECT_EQ(project.Statistics.ErrorCount, 1);
    EXPECT_THAT(project.Statistics.Log.Text(), testing::HasSubstr("Error (row 260):\r\nno value"));
}

} // namespace
