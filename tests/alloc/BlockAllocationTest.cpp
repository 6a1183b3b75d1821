// The path from a generator to the statement makes no allocation per value once its buffers
// exist. Counts every allocation of the process through a replaced operator new, so it is an
// executable of its own.
#include "support/RecordingEngine.h"

#include "UTFillConstants.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "UTFillProjects/TFillRowBlock.h"
#include "base/DateTime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

TEST(BlockAllocation, NumbersDatesAndGuidsReachTheStatementWithoutAllocating) {
    RecordingEngine engine;
    engine.AddTable("T", {{"I", "Integer"}, {"R", "Double Precision"}, {"D", "DateTime"}, {"G", "GUID"}});
    TFillProjects projects;
    projects.SetStructureEngine(&engine);
    projects.CreateStructure();
    TFillProject& project = *projects.getFillProject(0);
    TFillFieldList& fields = project.GetFillFields();
    dynamic_cast<TIntegerFillField&>(*fields[0]).RangeTo = 1000;
    dynamic_cast<TFloatFillField&>(*fields[1]).RangeTo = 1;
    dynamic_cast<TDateFillField&>(*fields[2]).DateTo += 1000;
    // a slot NULL in one block and a GUID in the next takes a new text buffer: no NULLs there
    for (size_t i = 0; i < 4; ++i) {
        fields[i]->FillType = i < 3 ? fillRandom : fillGUID;
        fields[i]->IncludeNulls = i < 3;
        fields[i]->NullPercentage = 20;
    }
    project.Prepare();
    project.SetSQLAndParamDatatypes();
    engine.CreateParamMap(&project);
    ASSERT_EQ(engine.ParamMap.size(), 4u);

    TFillRowBlock block(engine, project);
    kvl::TKVL_Statement& st = engine.GetSQLClassInstance();
    const int64_t rows = 20 * TFillRowBlock::Rows;
    long before = 0;
    for (int64_t row = 0; row < rows; ++row) {
        // the first two blocks give every slot and parameter its text buffer
        if (row == 2 * TFillRowBlock::Rows) before = allocations.load();
        block.BeforeRow(rows - row);
        for (size_t i = 0; i < 4; ++i) {
            const kvl::TVariant* value = block.Value(i);
            ASSERT_NE(value, nullptr);
            st.SetParamValue(static_cast<int>(i), *value);
        }
    }
    EXPECT_EQ(allocations.load() - before, 0);
}

} // namespace
