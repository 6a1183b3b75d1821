#pragma once
#include <cstdint>

namespace kvl {

// The one uniform generator of the process, shared by every value generator. The applications
// may seed it (for repeatable runs); the module never does.
void RandSeed(uint64_t seed);
void Randomize(); // seeds from the clock

int32_t Random(int32_t n); // 0 <= result < n; 0 when n <= 0
double Random();           // 0 <= result < 1

} // namespace kvl
