// Generators against a bare loop over std::mt19937_64 that makes the same kind of value; the
// ratio of the two times is what matters, not the absolute figures.
#include "UTFillConstants.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TGUIDFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "base/DateTime.h"
#include "base/Random.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>

namespace {

KFillRecord Record(const std::string& type) {
    KFillRecord r;
    r.DataTypeName = type;
    r.ColumnName.assign(1, 'C');
    return r;
}

void Generate(benchmark::State& state, TCustomFillField& field) {
    kvl::RandSeed(1);
    field.prepareInsert();
    for (auto _ : state)
        benchmark::DoNotOptimize(field.getInsertValue());
    state.SetItemsProcessed(state.iterations());
}

void BM_IntegerRandom(benchmark::State& state) {
    TIntegerFillField f(Record("Integer"));
    f.FillType = fillRandom;
    f.RangeFrom = -1000000;
    f.RangeTo = 1000000;
    Generate(state, f);
}

void BM_IntegerBaseline(benchmark::State& state) {
    std::mt19937_64 gen(1);
    std::uniform_int_distribution<int32_t> dist(-1000000, 1000000);
    for (auto _ : state)
        benchmark::DoNotOptimize(static_cast<double>(dist(gen)));
    state.SetItemsProcessed(state.iterations());
}

void BM_FloatRandom(benchmark::State& state) {
    TFloatFillField f(Record("Double Precision"));
    f.FillType = fillRandom;
    f.RangeFrom = -1000;
    f.RangeTo = 1000;
    Generate(state, f);
}

void BM_FloatBaseline(benchmark::State& state) {
    std::mt19937_64 gen(1);
    std::uniform_real_distribution<double> dist(-1000, 1000);
    for (auto _ : state)
        benchmark::DoNotOptimize(dist(gen));
    state.SetItemsProcessed(state.iterations());
}

void BM_DateTimeRandom(benchmark::State& state) {
    TDateFillField f(Record("DateTime"));
    f.FillType = fillRandom;
    f.DateFrom = kvl::EncodeDate(2000, 1, 1);
    f.DateTo = kvl::EncodeDate(2030, 12, 31);
    f.TimeFrom = kvl::EncodeTime(8, 0, 0, 0);
    f.TimeTo = kvl::EncodeTime(17, 0, 0, 0);
    Generate(state, f);
}

void BM_DateTimeBaseline(benchmark::State& state) {
    std::mt19937_64 gen(1);
    std::uniform_real_distribution<double> days(kvl::EncodeDate(2000, 1, 1), kvl::EncodeDate(2031, 1, 1));
    std::uniform_real_distribution<double> time(kvl::EncodeTime(8, 0, 0, 0), kvl::EncodeTime(17, 0, 0, 0));
    for (auto _ : state)
        benchmark::DoNotOptimize(std::trunc(days(gen)) + time(gen));
    state.SetItemsProcessed(state.iterations());
}

void BM_GUIDRandom(benchmark::State& state) {
    TGUIDFillField f(Record("GUID"));
    f.FillType = fillGUID;
    Generate(state, f);
}

void BM_GUIDBaseline(benchmark::State& state) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::mt19937_64 gen(1);
    for (auto _ : state) {
        const uint64_t words[2] = {gen(), gen()};
        std::string text = "{";
        text.reserve(38);
        for (int i = 0; i < 32; ++i) {
            if (i == 8 || i == 12 || i == 16 || i == 20) text += '-';
            text += Hex[(words[i / 16] >> (4 * (i % 16))) & 0xF];
        }
        text += '}';
        benchmark::DoNotOptimize(text);
    }
    state.SetItemsProcessed(state.iterations());
}

// A column kept after another of the row (check_out > check_in): the later value is made from
// the earlier one, and a row pays for both.
void Following(benchmark::State& state, TCustomFillField& first, TCustomFillField& later) {
    kvl::RandSeed(1);
    first.prepareInsert();
    later.prepareInsert();
    for (auto _ : state) {
        const kvl::TVariant low = first.getInsertValue();
        benchmark::DoNotOptimize(later.ValueFrom(low, true));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DatePairFollowing(benchmark::State& state) {
    TDateFillField in(Record("Date")), out(Record("Date"));
    for (TDateFillField* f : {&in, &out}) {
        f->FillType = fillRandom;
        f->DateFrom = kvl::EncodeDate(2015, 1, 1);
        f->DateTo = kvl::EncodeDate(2025, 12, 31);
    }
    Following(state, in, out);
}

void BM_DatePairIndependent(benchmark::State& state) {
    TDateFillField in(Record("Date")), out(Record("Date"));
    for (TDateFillField* f : {&in, &out}) {
        f->FillType = fillRandom;
        f->DateFrom = kvl::EncodeDate(2015, 1, 1);
        f->DateTo = kvl::EncodeDate(2025, 12, 31);
        f->prepareInsert();
    }
    kvl::RandSeed(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(in.getInsertValue());
        benchmark::DoNotOptimize(out.getInsertValue());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DecimalRandom(benchmark::State& state) {
    TFloatFillField f(Record("Decimal"));
    f.FillType = fillRandom;
    f.Precision = 8;
    f.Scale = 2;
    f.RangeFrom = 1;
    f.RangeTo = 1000;
    Generate(state, f);
}

void BM_DecimalPairFollowing(benchmark::State& state) {
    TFloatFillField low(Record("Decimal")), high(Record("Decimal"));
    for (TFloatFillField* f : {&low, &high}) {
        f->FillType = fillRandom;
        f->Precision = 8;
        f->Scale = 2;
        f->RangeFrom = 1;
        f->RangeTo = 1000;
    }
    Following(state, low, high);
}

} // namespace

BENCHMARK(BM_IntegerRandom);
BENCHMARK(BM_IntegerBaseline);
BENCHMARK(BM_FloatRandom);
BENCHMARK(BM_FloatBaseline);
BENCHMARK(BM_DateTimeRandom);
BENCHMARK(BM_DateTimeBaseline);
BENCHMARK(BM_GUIDRandom);
BENCHMARK(BM_GUIDBaseline);
BENCHMARK(BM_DatePairFollowing);
BENCHMARK(BM_DatePairIndependent);
BENCHMARK(BM_DecimalRandom);
BENCHMARK(BM_DecimalPairFollowing);

BENCHMARK_MAIN();
