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

} // namespace

namespace detail {

constinit thread_local TRandomGenerator* scopeGenerator = nullptr;

// Outside any run: the window's thread and single-threaded tools.
TRandomGenerator& processGenerator() {
    static TRandomGenerator g(ClockSeed());
    return g;
}

} // namespace detail

void TRandomGenerator::Seed(uint64_t seed) {
    for (auto& w : s_)
        w = splitmix(seed);
}

TRandomScope::TRandomScope(TRandomGenerator& generator) : previous_(detail::scopeGenerator) {
    detail::scopeGenerator = &generator;
}

TRandomScope::~TRandomScope() {
    detail::scopeGenerator = previous_;
}

uint64_t ClockSeed() {
    static std::atomic<uint64_t> calls{0};
    uint64_t mixed = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) +
                     0x9E3779B97F4A7C15ull * ++calls;
    return splitmix(mixed);
}

void RandSeed(uint64_t seed) {
    detail::generator().Seed(seed);
}

void Randomize() {
    detail::generator().Seed(ClockSeed());
}

} // namespace kvl
