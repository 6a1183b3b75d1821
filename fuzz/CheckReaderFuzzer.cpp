// Feeds arbitrary conditions to the check reader. Besides the sanitizers it checks what the
// reader promises: a condition not understood gives nothing, an understood one names a column in
// each of its parts (both columns of an order), and reading it twice gives the same.

#include "uCheckReader.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool same(const TCheckReading& a, const TCheckReading& b) {
    if (a.Understood != b.Understood || a.Conditions.size() != b.Conditions.size() ||
        a.Orders.size() != b.Orders.size())
        return false;
    for (size_t i = 0; i < a.Orders.size(); ++i)
        if (a.Orders[i].Low != b.Orders[i].Low || a.Orders[i].High != b.Orders[i].High ||
            a.Orders[i].Strict != b.Orders[i].Strict)
            return false;
    for (size_t i = 0; i < a.Conditions.size(); ++i) {
        const auto& x = a.Conditions[i];
        const auto& y = b.Conditions[i];
        if (x.Column != y.Column || x.Values != y.Values || x.MinLength != y.MinLength ||
            x.MaxLength != y.MaxLength || x.Low.has_value() != y.Low.has_value() ||
            x.High.has_value() != y.High.has_value() || x.Excluded != y.Excluded || x.Prefix != y.Prefix ||
            x.NotNull != y.NotNull)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string condition(reinterpret_cast<const char*>(data), size);
    const TCheckReading reading = ReadCheck(condition);
    if (!reading.Understood && (!reading.Conditions.empty() || !reading.Orders.empty())) std::abort();
    for (const auto& c : reading.Conditions)
        if (c.Column.empty()) std::abort();
    for (const auto& o : reading.Orders)
        if (o.Low.empty() || o.High.empty()) std::abort();
    if (!same(reading, ReadCheck(condition))) std::abort();
    return 0;
}
