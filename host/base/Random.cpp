#include "Random.h"

#include <atomic>
#include <chrono>

namespace kvl {

namespace {

uint64_t splitmix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t rotl(uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

// Outside any run: the window's thread and single-threaded tools.
TRandomGenerator& processGenerator() {
    static TRandomGenerator g(ClockSeed());
    return g;
}

thread_local TRandomGenerator* current = nullptr;

TRandomGenerator& gen() {
    return current ? *current : processGenerator();
}

} // namespace

void TRandomGenerator::Seed(uint64_t seed) {
    for (auto& w : s_)
        w = splitmix(seed);
}

uint64_t TRandomGenerator::Next() {
    const uint64_t result = rotl(s_[1] * 5, 7) * 9;
    const uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
}

TRandomScope::TRandomScope(TRandomGenerator& generator) : previous_(current) {
    current = &generator;
}

TRandomScope::~TRandomScope() {
    current = previous_;
}

uint64_t ClockSeed() {
    static std::atomic<uint64_t> calls{0};
    uint64_t mixed = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) +
                     0x9E3779B97F4A7C15ull * ++calls;
    return splitmix(mixed);
}

void RandSeed(uint64_t seed) {
    gen().Seed(seed);
}

void Randomize() {
    gen().Seed(ClockSeed());
}

int32_t Random(int32_t n) {
    if (n <= 0) return 0;
    return static_cast<int32_t>(((gen().Next() >> 32) * static_cast<uint64_t>(n)) >> 32);
}

double Random() {
    return static_cast<double>(gen().Next() >> 11) * 0x1.0p-53;
}

} // namespace kvl
