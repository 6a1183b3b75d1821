#include "Random.h"

#include <chrono>

namespace kvl {

namespace {

// xoshiro256**: fast, small state, good statistical quality.
struct Generator {
    uint64_t s[4];

    static uint64_t splitmix(uint64_t& x) {
        uint64_t z = (x += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    void seed(uint64_t v) {
        for (auto& w : s)
            w = splitmix(v);
    }
    static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    uint64_t next() {
        const uint64_t result = rotl(s[1] * 5, 7) * 9;
        const uint64_t t = s[1] << 17;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = rotl(s[3], 45);
        return result;
    }
};

Generator& gen() {
    static Generator g = [] {
        Generator x{};
        x.seed(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
        return x;
    }();
    return g;
}

} // namespace

void RandSeed(uint64_t seed) {
    gen().seed(seed);
}

void Randomize() {
    gen().seed(static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

int32_t Random(int32_t n) {
    if (n <= 0) return 0;
    return static_cast<int32_t>(((gen().next() >> 32) * static_cast<uint64_t>(n)) >> 32);
}

double Random() {
    return static_cast<double>(gen().next() >> 11) * 0x1.0p-53;
}

} // namespace kvl
