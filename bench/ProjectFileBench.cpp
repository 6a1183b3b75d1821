// Saving and loading the project file of a large schema, against writing and parsing the same
// XML with the library alone.
#include "support/RecordingEngine.h"

#include "UTFillConstants.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <filesystem>

namespace {

constexpr int kTables = 500;
constexpr int kColumns = 20;

struct Schema {
    Schema() {
        for (int t = 0; t < kTables; ++t) {
            std::vector<FakeColumn> columns;
            for (int c = 0; c < kColumns; ++c)
                columns.push_back({"COLUMN_" + std::to_string(c), c % 2 ? "Varchar" : "Integer", true, 40});
            engine.AddTable("TABLE_" + std::to_string(t), std::move(columns));
        }
    }
    void build(TFillProjects& projects) {
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
    }
    RecordingEngine engine;
};

std::string path() {
    return (std::filesystem::temp_directory_path() / "kvl_bench_project.tdg").string();
}

void configure(TFillProjects& projects) {
    for (TFillProject* p : projects.Projects) {
        p->doFill = true;
        for (auto& f : p->GetFillFields()) {
            f->FillType = fillRandom;
            f->ListValues.SetText("one\ntwo\nthree");
            if (auto* i = dynamic_cast<TIntegerFillField*>(f.get())) i->RangeTo = 1000;
        }
    }
}

void BM_SaveProjectFile(benchmark::State& state) {
    Schema schema;
    TFillProjects projects;
    schema.build(projects);
    configure(projects);
    for (auto _ : state)
        projects.SaveToFile(path());
    state.counters["columns"] = kTables * kColumns;
}

void BM_LoadProjectFile(benchmark::State& state) {
    Schema schema;
    {
        TFillProjects source;
        schema.build(source);
        configure(source);
        source.SaveToFile(path());
    }
    TFillProjects projects;
    schema.build(projects);
    for (auto& p : projects.Projects)
        p->GetFillFields();
    for (auto _ : state)
        projects.LoadFromFile(path());
}

// The baseline: the same document written and parsed by the XML library, nothing applied.
void BM_XmlOnlyRoundTrip(benchmark::State& state) {
    for (auto _ : state) {
        pugi::xml_document doc;
        doc.load_file(path().c_str());
        doc.save_file((path() + ".copy").c_str());
        benchmark::DoNotOptimize(doc);
    }
}

} // namespace

BENCHMARK(BM_SaveProjectFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProjectFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlOnlyRoundTrip)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
