// Values per second of the text kinds that draw from word lists or build texts, next to the
// bare cost of picking a string out of a vector in the same run.
#include "ExternalData/ExternalDataReader.h"
#include "UTFillConstants.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/Random.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The shipped archives, loaded once for all benchmarks.
struct WordLists {
    WordLists() {
        projects.OnExternalDataInit = [](TExternalDataKind kind, kvl::TStringList& target) {
            tdg::LoadExternalData(TDG_BENCH_DATA_DIR, std::string(TDG_EXTERNALDATA_FILENAMES[kind]),
                                  std::string(TDG_EXTERNALDATA_ZIPPEDNAME[kind]),
                                  std::string(TDG_EXTERNALDATA_PASSWORDS[kind]), target);
        };
    }
    TFillProjects projects;
    TFillProject project{&projects};
};

WordLists& lists() {
    static WordLists instance;
    return instance;
}

std::unique_ptr<TTextFillField> preparedField(int32_t fillType) {
    KFillRecord r;
    r.DataTypeName = "Varchar";
    r.Size = 20;
    r.Project = &lists().project;
    auto f = std::make_unique<TTextFillField>(r);
    f->FillType = fillType;
    f->prepareInsert();
    return f;
}

void runField(benchmark::State& state, int32_t fillType) {
    kvl::RandSeed(1);
    auto f = preparedField(fillType);
    for (auto _ : state) {
        kvl::TVariant v = f->getInsertValue();
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Baseline_PickStringFromVector(benchmark::State& state) {
    kvl::RandSeed(1);
    const std::vector<std::string>& names = lists().projects.GetLastnames().Items();
    const auto count = static_cast<int32_t>(names.size());
    for (auto _ : state) {
        std::string v = names[static_cast<size_t>(kvl::Random(count))];
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Text_LastNames(benchmark::State& state) {
    runField(state, fillLastNames);
}

void BM_Text_FullNames(benchmark::State& state) {
    runField(state, fillFullNames);
}

void BM_Text_Email(benchmark::State& state) {
    runField(state, fillEmail);
}

void BM_Text_RandomCharacters20(benchmark::State& state) {
    runField(state, fillRandomText);
}

} // namespace

BENCHMARK(BM_Baseline_PickStringFromVector);
BENCHMARK(BM_Text_LastNames);
BENCHMARK(BM_Text_FullNames);
BENCHMARK(BM_Text_Email);
BENCHMARK(BM_Text_RandomCharacters20);
