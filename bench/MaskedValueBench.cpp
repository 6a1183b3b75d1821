// Masked values per second for three masks of the kind users write. Each value is built as the
// text fill field builds it: its work buffer cleared, the commands appended, a copy handed over.

#include "uMaskedValue.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void maskedValues(benchmark::State& state, const char* mask) {
    kvl::TMaskedCommands commands = kvl::GetMaskedCommands(mask);
    kvl::TMaskFiles files;
    kvl::LoadMaskedFiles(commands, files);
    std::string buffer;
    for (auto _ : state) {
        buffer.clear();
        kvl::AppendMaskedValue(commands, &files, buffer);
        std::string value = buffer;
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(mask);
}

// Only the walk over a compiled mask: the part that depends on the commands alone.
void bareWalk(benchmark::State& state) {
    kvl::TMaskedCommands commands = kvl::GetMaskedCommands("[AB-123-CD]");
    std::string buffer;
    for (auto _ : state) {
        buffer.clear();
        kvl::AppendMaskedValue(commands, nullptr, buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void compileMask(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(kvl::GetMaskedCommands("[SKU-]AAA[-]#S:6;[-]#R:4:1:500;[/]HH"));
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK_CAPTURE(maskedValues, LicencePlate, "AA[-]NNN[-]AA");
BENCHMARK_CAPTURE(maskedValues, TelephoneNumber, "[+1 (]NNN[) ]NNN[-]NNNN");
BENCHMARK_CAPTURE(maskedValues, ProductCode, "[SKU-]AAA[-]#S:6;[-]#R:4:1:500;[/]HH");
BENCHMARK(bareWalk);
BENCHMARK(compileMask);

BENCHMARK_MAIN();
