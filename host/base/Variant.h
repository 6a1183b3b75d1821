#pragma once
#include "DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace kvl {

// The value a generator hands over for one row, of one definite kind.
class TVariant {
public:
    enum class Kind { Empty, Null, Integer, Double, String, Boolean, DateTime };

    TVariant() = default;
    static TVariant Null() {
        TVariant v;
        v.value_ = NullTag{};
        return v;
    }
    TVariant(int32_t v) : value_(v) {}
    TVariant(double v) : value_(v) {}
    TVariant(std::string v) : value_(std::move(v)) {}
    TVariant(const char* v) : value_(std::string(v)) {}
    TVariant(bool v) : value_(v) {}
    static TVariant FromDateTime(TDateTime v) {
        TVariant r;
        r.value_ = DateTag{v};
        return r;
    }

    // Makes the value a text in the buffer of the text it holds, if it holds one: values made
    // again and again into the same variants allocate nothing for texts no longer than before.
    void AssignString(std::string_view text) {
        if (auto* held = std::get_if<std::string>(&value_))
            held->assign(text);
        else
            value_ = std::string(text);
    }

    Kind GetKind() const { return static_cast<Kind>(value_.index()); }
    bool IsEmpty() const { return GetKind() == Kind::Empty; }
    bool IsNull() const { return GetKind() == Kind::Null; }

    // Conversions for binding; a kind that does not convert raises EConvertError.
    int64_t AsInt64() const;
    double AsDouble() const;
    bool AsBoolean() const;
    TDateTime AsDateTime() const;
    std::string AsString() const; // numbers and dates in the user's conventions

    // Direct access when the kind is known.
    int32_t Integer() const { return std::get<int32_t>(value_); }
    double Double() const { return std::get<double>(value_); }
    const std::string& String() const { return std::get<std::string>(value_); }
    bool Boolean() const { return std::get<bool>(value_); }
    TDateTime DateTimeValue() const { return std::get<DateTag>(value_).value; }

    bool operator==(const TVariant& other) const { return value_ == other.value_; }
    // The same value whatever its kind (a key read as text and one made as a number); a NULL is
    // the same as nothing, not even another NULL, as in SQL.
    bool SameValue(const TVariant& other) const {
        if (IsNull() || other.IsNull()) return false;
        return *this == other || AsString() == other.AsString();
    }

private:
    struct NullTag {
        bool operator==(const NullTag&) const { return true; }
    };
    struct DateTag {
        TDateTime value;
        bool operator==(const DateTag& o) const { return value == o.value; }
    };
    std::variant<std::monostate, NullTag, int32_t, double, std::string, bool, DateTag> value_;
};

} // namespace kvl
