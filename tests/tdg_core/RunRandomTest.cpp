// Each run draws its values from a sequence of its own: two runs at once, as two windows start
// them, neither race for one generator nor take numbers out of each other's sequence.
#include "FillFieldTestKit.h"

#include <thread>

namespace {

constexpr int Rows = 5000;

// One window's fill: random integers with a share of NULLs, into a recording engine.
struct TWindowFill {
    explicit TWindowFill(uint64_t seed) {
        engine.AddTable("T", {{"A", "Integer", true}, {"B", "Integer", true}});
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
        projects.RandomSeed = seed;
        TFillProject& p = *projects.getFillProject(0);
        p.doFill = true;
        p.Rows = Rows;
        p.RowsPerTransaction = 1000;
        for (auto& f : p.GetFillFields()) {
            auto& field = static_cast<TIntegerFillField&>(*f);
            field.FillType = fillRandom;
            field.RangeFrom = 1;
            field.RangeTo = 1000000;
            field.IncludeNulls = true;
            field.NullPercentage = 20;
        }
    }

    std::vector<std::string> Values() const {
        std::vector<std::string> values;
        for (const auto& row : engine.Statement.Rows)
            for (const auto& v : row)
                values.push_back(v.IsNull() ? "NULL" : v.AsString());
        return values;
    }

    RecordingEngine engine;
    TFillProjects projects;
};

TEST(RunRandom, TwoRunsAtOnceWithOneSeedMakeTheSameRows) {
    auto first = std::make_unique<TWindowFill>(42);
    auto second = std::make_unique<TWindowFill>(42);
    // the window's thread draws as well while the runs go on
    std::thread a([&] { first->projects.startInsert(); });
    std::thread b([&] { second->projects.startInsert(); });
    for (int i = 0; i < 100000; ++i)
        kvl::Random(100);
    a.join();
    b.join();
    ASSERT_EQ(first->Values().size(), static_cast<size_t>(2 * Rows));
    EXPECT_TRUE(first->Values() == second->Values()) << "the two runs disturbed each other's sequence";

    TWindowFill alone(42), other(43);
    alone.projects.startInsert();
    other.projects.startInsert();
    EXPECT_TRUE(alone.Values() == first->Values()) << "a run at the same time changed the data";
    EXPECT_FALSE(other.Values() == first->Values()) << "the seed makes no difference";
}

TEST(RunRandom, AnUnseededRunTakesItsSequenceFromTheClock) {
    TWindowFill first(0), second(0);
    first.projects.RandomSeed.reset();
    second.projects.RandomSeed.reset();
    first.projects.startInsert();
    second.projects.startInsert();
    EXPECT_FALSE(first.Values() == second.Values());
}

} // namespace
