#pragma once
#include <cstddef>
#include <string>

// A random (version 4) GUID in its 38-character text form: braces around 32 upper-case hex
// digits grouped 8-4-4-4-12. Drawn from the process's generator, so seeded runs repeat.
std::string NewGuidText();

namespace kvl {
class TRandomGenerator;
}
constexpr size_t GuidTextSize = 38;
// The same, drawn from g into text, which holds GuidTextSize characters.
void DrawGuidText(kvl::TRandomGenerator& g, char* text);
