#pragma once
#include <cstdint>

namespace kvl {

// A uniform generator (xoshiro256**): fast, small state, good statistical quality.
class TRandomGenerator {
public:
    explicit TRandomGenerator(uint64_t seed = 0) { Seed(seed); }
    void Seed(uint64_t seed);
    uint64_t Next();

private:
    uint64_t s_[4] = {};
};

// While a scope lives, Random draws on its thread come from the given generator; scopes nest.
// A run sets one on the thread that runs it, so that runs on other threads neither race with it
// nor take numbers out of its sequence.
class TRandomScope {
public:
    explicit TRandomScope(TRandomGenerator& generator);
    ~TRandomScope();
    TRandomScope(const TRandomScope&) = delete;
    TRandomScope& operator=(const TRandomScope&) = delete;

private:
    TRandomGenerator* previous_;
};

// A seed from the clock that differs between calls, also within one clock tick.
uint64_t ClockSeed();

// Seed the calling thread's generator: its scope's, or outside any scope the process's own.
void RandSeed(uint64_t seed);
void Randomize(); // seeds from the clock

int32_t Random(int32_t n); // 0 <= result < n; 0 when n <= 0
double Random();           // 0 <= result < 1

} // namespace kvl
