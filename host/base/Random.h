#pragma once
#include <cstdint>

namespace kvl {

// A uniform generator (xoshiro256**): fast, small state, good statistical quality.
class TRandomGenerator {
public:
    explicit TRandomGenerator(uint64_t seed = 0) { Seed(seed); }
    void Seed(uint64_t seed);
    uint64_t Next() {
        const uint64_t result = rotl(s_[1] * 5, 7) * 9;
        advance();
        return result;
    }
    // The step's plain sum of two words, without the scrambler's multiplies: its upper 53 bits
    // are as good as Next's (only its lowest bits are weaker), for a real in [0, 1) at less cost.
    uint64_t NextForReal() {
        const uint64_t result = s_[0] + s_[3];
        advance();
        return result;
    }

private:
    void advance() {
        const uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
    }
    static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
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

namespace detail {
// Drawing is inline because a value of the simple kinds costs little more than its draws.
extern constinit thread_local TRandomGenerator* scopeGenerator;
TRandomGenerator& processGenerator();
inline TRandomGenerator& generator() {
    TRandomGenerator* g = scopeGenerator;
    return g ? *g : processGenerator();
}
} // namespace detail

// 0 <= result < n; 0 when n <= 0
inline int32_t Random(TRandomGenerator& g, int32_t n) {
    if (n <= 0) return 0;
    return static_cast<int32_t>(((g.Next() >> 32) * static_cast<uint64_t>(n)) >> 32);
}

// 0 <= result < 1
inline double Random(TRandomGenerator& g) {
    return static_cast<double>(g.Next() >> 11) * 0x1.0p-53;
}

inline int32_t Random(int32_t n) {
    return Random(detail::generator(), n);
}

inline double Random() {
    return Random(detail::generator());
}

// A copy of the thread's generator for a loop of many draws: behind the thread-local pointer its
// state goes to memory on every draw, a local copy stays in registers. Written back at the end,
// so the thread's sequence goes on as if each draw had been taken from it.
class TLocalRandom {
public:
    TLocalRandom() : home_(detail::generator()), local_(home_) {}
    ~TLocalRandom() { home_ = local_; }
    TLocalRandom(const TLocalRandom&) = delete;
    TLocalRandom& operator=(const TLocalRandom&) = delete;
    TRandomGenerator& operator*() { return local_; }

private:
    TRandomGenerator& home_;
    TRandomGenerator local_;
};

} // namespace kvl
