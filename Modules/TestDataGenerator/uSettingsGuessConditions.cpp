#include "uSettingsGuessConditions.h"

#include "UTFillConstants.h"
#include "UTFillObject/TBoolBitFillField.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "base/DateTime.h"
#include "base/Random.h"
#include "base/SysUtils.h"
#include "uMaskedValue.h"
#include "uSettingsGuess.h"
#include "uSettingsGuessLists.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <optional>
#include <string_view>
#include <vector>

namespace guess_detail {

// --- what the catalogue's conditions ask --------------------------------------------------

std::optional<long double> numberOf(const std::optional<TCheckBound>& bound) {
    double v = 0;
    if (!bound || !kvl::TryStrToFloat(bound->Value, v)) return std::nullopt;
    return v;
}

// The guess's range narrowed to what the condition allows; a guess that lies wholly outside
// gives way to the condition, keeping its own width where the condition has one side open.
template <class T> void narrow(T& from, T& to, std::optional<T> low, std::optional<T> high) {
    const T width = to - from;
    T f = from, t = to;
    if (low && *low > f) f = *low;
    if (high && *high < t) t = *high;
    if (f <= t) {
        from = f;
        to = t;
        return;
    }
    if (low && high) {
        from = *low;
        to = *high;
    } else if (low) {
        from = *low;
        to = *low + width;
    } else {
        to = *high;
        from = *high - width;
    }
}

std::optional<int32_t> wholeBound(std::optional<long double> v, bool inclusive, bool isLow) {
    if (!v) return std::nullopt;
    long double w = isLow ? (inclusive ? std::ceil(*v) : std::floor(*v) + 1)
                          : (inclusive ? std::floor(*v) : std::ceil(*v) - 1);
    w = std::clamp<long double>(w, INT32_MIN, INT32_MAX);
    return static_cast<int32_t>(w);
}

// One range of a field's random values, and what a condition allows of them.
template <class T> struct TSpan { T From, To; };
template <class T> using TAllowed = std::pair<std::optional<T>, std::optional<T>>;

// The field's ranges narrowed to those of the condition: each range the condition allows keeps
// the parts of the field's ranges within it, or where it has none, gets a range as narrow gives
// it from the field's first one. So every range the condition allows gets values.
template <class T>
std::vector<TSpan<T>> narrowed(const std::vector<TSpan<T>>& have, const std::vector<TAllowed<T>>& allowed) {
    std::vector<TSpan<T>> out;
    for (const auto& [low, high] : allowed) {
        const size_t before = out.size();
        for (const auto& h : have) {
            const T from = low ? std::max(h.From, *low) : h.From;
            const T to = high ? std::min(h.To, *high) : h.To;
            if (from <= to) out.push_back({from, to});
        }
        if (out.size() > before) continue;
        TSpan<T> s = have.front();
        narrow<T>(s.From, s.To, low, high);
        if (s.From <= s.To) out.push_back(s);
    }
    return out.empty() ? have : out;
}

// The field's own range and its further ones.
template <class T> std::vector<TSpan<T>> spansOf(T from, T to, const TCustomFillField& f) {
    std::vector<TSpan<T>> spans{{from, to}};
    for (const auto& [a, b] : f.RangeParts)
        spans.push_back({static_cast<T>(a), static_cast<T>(b)});
    return spans;
}

template <class T> void keepSpans(T& from, T& to, TCustomFillField& f, const std::vector<TSpan<T>>& spans) {
    from = spans.front().From;
    to = spans.front().To;
    f.RangeParts.clear();
    for (size_t i = 1; i < spans.size(); ++i)
        f.RangeParts.emplace_back(static_cast<double>(spans[i].From), static_cast<double>(spans[i].To));
}

// A union of few whole numbers is a value list, which the window and every run show as it is.
constexpr int64_t kListedWholeNumbers = 100;

void keepIntegerSpans(TIntegerFillField& f, std::vector<TSpan<int64_t>> spans) {
    int64_t count = 0;
    for (auto& s : spans) {
        s.From = std::clamp<int64_t>(s.From, INT32_MIN, INT32_MAX);
        s.To = std::clamp<int64_t>(s.To, INT32_MIN, INT32_MAX);
        count += s.To - s.From + 1;
    }
    if (spans.size() > 1 && count <= kListedWholeNumbers) {
        f.RangeParts.clear();
        kvl::TStringList values;
        for (const auto& s : spans)
            for (int64_t v = s.From; v <= s.To; ++v)
                values.Add(std::to_string(v));
        return setList(f, values);
    }
    int64_t from = 0, to = 0;
    keepSpans<int64_t>(from, to, f, spans);
    f.RangeFrom = static_cast<int32_t>(from);
    f.RangeTo = static_cast<int32_t>(to);
}

void narrowInteger(TIntegerFillField& f, const TColumnCondition& c) {
    if (f.FillType == fillIncreasing) {
        auto low = wholeBound(numberOf(c.Low), c.Low && c.Low->Inclusive, true);
        if (low && *low > f.RangeFrom) f.RangeFrom = *low;
        return;
    }
    if (f.FillType != fillRandom) return;
    std::vector<TAllowed<int64_t>> allowed;
    for (const auto& r : c.Ranges()) {
        auto low = wholeBound(numberOf(r.Low), r.Low && r.Low->Inclusive, true);
        auto high = wholeBound(numberOf(r.High), r.High && r.High->Inclusive, false);
        allowed.emplace_back(low ? std::optional<int64_t>(*low) : std::nullopt,
                             high ? std::optional<int64_t>(*high) : std::nullopt);
    }
    keepIntegerSpans(f, narrowed<int64_t>(spansOf<int64_t>(f.RangeFrom, f.RangeTo, f), allowed));
}

// Random floats may pass a bound away from zero by a little, and the server rounds to the
// column's places: bounds are kept a step inside.
void narrowFloat(TFloatFillField& f, const TColumnCondition& c) {
    if (f.FillType != fillRandom) return;
    const long double step = f.Scale > 0 ? std::pow(10.0L, -static_cast<int>(f.Scale)) : 1.0L;
    const long double margin = std::max(step, 0.01L) + step;
    std::vector<TAllowed<long double>> allowed;
    for (const auto& r : c.Ranges()) {
        auto low = numberOf(r.Low);
        auto high = numberOf(r.High);
        if (low && (!r.Low->Inclusive || *low < 0)) *low += margin;
        if (high && (!r.High->Inclusive || *high > 0)) *high -= margin;
        allowed.emplace_back(low, high);
    }
    keepSpans<long double>(f.RangeFrom, f.RangeTo, f,
                           narrowed<long double>(spansOf<long double>(f.RangeFrom, f.RangeTo, f), allowed));
}

// A date as conditions write it: "2024-01-01", perhaps with a time after it.
std::optional<kvl::TDateTime> dateOf(const std::optional<TCheckBound>& bound, bool& hasTime) {
    if (!bound) return std::nullopt;
    int y = 0, m = 0, d = 0;
    const std::string& s = bound->Value;
    if (s.size() < 10 || std::sscanf(s.c_str(), "%4d-%2d-%2d", &y, &m, &d) != 3) return std::nullopt;
    kvl::TDateTime date = 0;
    if (!kvl::TryEncodeDate(y, m, d, date)) return std::nullopt;
    hasTime = s.size() > 10 && s.find_first_not_of("0: .", 10) != std::string::npos;
    return date;
}

void narrowDate(TDateFillField& f, const TColumnCondition& c) {
    if (f.FillType != fillRandom) return;
    const bool withTime = f.DataTypeName == "DateTime";
    std::vector<TAllowed<kvl::TDateTime>> allowed;
    for (const auto& r : c.Ranges()) {
        bool lowTime = false, highTime = false;
        auto low = dateOf(r.Low, lowTime);
        auto high = dateOf(r.High, highTime);
        if (low && (!r.Low->Inclusive || lowTime)) *low += 1;
        if (high && (!r.High->Inclusive || highTime || withTime)) *high -= 1;
        allowed.emplace_back(low, high);
    }
    keepSpans<kvl::TDateTime>(
        f.DateFrom, f.DateTo, f,
        narrowed<kvl::TDateTime>(spansOf<kvl::TDateTime>(f.DateFrom, f.DateTo, f), allowed));
}

// Word kinds keep to a maximum by being cut; a tight length or a minimum asks for characters.
void narrowText(TTextFillField& f, const TColumnCondition& c) {
    if (!c.MinLength && !c.MaxLength) return;
    const bool tight = (c.MaxLength && *c.MaxLength < 20) || (c.MinLength && *c.MinLength > 3);
    if (f.FillType != fillRandomText && !tight) return;
    if (f.FillType != fillRandomText) setRandomText(f);
    int64_t from = f.LengthFrom, to = f.LengthTo;
    narrow<int64_t>(from, to, c.MinLength, c.MaxLength);
    if (f.Size > 0) to = std::min<int64_t>(to, f.Size);
    from = std::clamp<int64_t>(from, 0, std::max<int64_t>(to, 0));
    f.LengthFrom = static_cast<int32_t>(std::clamp<int64_t>(from, 0, INT32_MAX));
    f.LengthTo = static_cast<int32_t>(std::clamp<int64_t>(to, 0, INT32_MAX));
}

// A second list narrows the first; lists that share nothing leave the condition's.
void keepValues(TCustomFillField& f, const std::vector<std::string>& values) {
    if (dynamic_cast<TBoolBitFillField*>(&f) || dynamic_cast<TDateFillField*>(&f)) return;
    const bool narrowing = f.FillType == fillList && !f.ListValues.IsEmpty();
    kvl::TStringList allowed;
    for (const auto& v : values)
        if (!narrowing || f.ListValues.IndexOf(v) >= 0) allowed.Add(v);
    if (allowed.IsEmpty())
        for (const auto& v : values)
            allowed.Add(v);
    setList(f, allowed);
}

// Of the range left around excluded values, the widest part is kept: a draw then never meets
// one of them. Values outside the range change nothing.
template <class T> void avoid(T& from, T& to, std::vector<T> excluded, T step) {
    std::sort(excluded.begin(), excluded.end());
    T bestFrom = from, bestTo = from - step, start = from;
    auto keep = [&](T end) {
        if (end - start > bestTo - bestFrom) {
            bestFrom = start;
            bestTo = end;
        }
    };
    for (T v : excluded) {
        if (v < from || v > to) continue;
        keep(v - step);
        start = v + step;
    }
    keep(to);
    if (bestTo < bestFrom) return;
    from = bestFrom;
    to = bestTo;
}

template <class T> std::vector<T> numbersOf(const std::vector<std::string>& texts) {
    std::vector<T> out;
    for (const auto& text : texts) {
        double v = 0;
        if (kvl::TryStrToFloat(text, v)) out.push_back(static_cast<T>(v));
    }
    return out;
}

void leaveOut(TCustomFillField& f, const std::vector<std::string>& excluded) {
    if (f.FillType == fillList) {
        kvl::TStringList kept;
        for (int i = 0; i < f.ListValues.Count(); ++i)
            if (std::none_of(excluded.begin(), excluded.end(),
                             [&](const std::string& e) { return kvl::SameText(e, f.ListValues[i]); }))
                kept.Add(f.ListValues[i]);
        if (!kept.IsEmpty()) setList(f, kept);
        return;
    }
    if (f.FillType != fillRandom) return;
    if (auto* i = dynamic_cast<TIntegerFillField*>(&f)) {
        auto spans = spansOf<int64_t>(i->RangeFrom, i->RangeTo, f);
        for (auto& s : spans)
            avoid<int64_t>(s.From, s.To, numbersOf<int64_t>(excluded), 1);
        keepIntegerSpans(*i, spans);
    } else if (auto* r = dynamic_cast<TFloatFillField*>(&f)) {
        const long double step = r->Scale > 0 ? std::pow(10.0L, -static_cast<int>(r->Scale)) : 0.01L;
        auto spans = spansOf<long double>(r->RangeFrom, r->RangeTo, f);
        for (auto& s : spans)
            avoid<long double>(s.From, s.To, numbersOf<long double>(excluded), 2 * step);
        keepSpans<long double>(r->RangeFrom, r->RangeTo, f, spans);
    } else if (auto* t = dynamic_cast<TTextFillField*>(&f)) {
        if (std::find(excluded.begin(), excluded.end(), "") != excluded.end())
            t->LengthFrom = std::max(t->LengthFrom, std::min(1, t->LengthTo));
    }
}

// Values start with the prefix: a list keeps those that do (or gets it in front), any other
// text kind becomes the prefix and letters.
void startWith(TTextFillField& f, const std::string& prefix) {
    if (f.FillType == fillList) {
        kvl::TStringList kept, prefixed;
        for (int i = 0; i < f.ListValues.Count(); ++i) {
            const std::string& v = f.ListValues[i];
            if (v.rfind(prefix, 0) == 0) kept.Add(v);
            std::string p = prefix + v;
            if (f.Size > 0 && p.size() > static_cast<size_t>(f.Size)) p.resize(static_cast<size_t>(f.Size));
            prefixed.Add(p);
        }
        return setList(f, kept.IsEmpty() ? prefixed : kept);
    }
    if (prefix.find_first_of("[]") != std::string::npos) return;
    const int64_t room = f.Size > 0 ? f.Size - static_cast<int64_t>(prefix.size()) : 8;
    setMask(f, "[" + prefix + "]" + std::string(static_cast<size_t>(std::clamp<int64_t>(room, 0, 8)), 'a'));
}

// A mask of letters, digits and literal text with its letters in one case; nothing for a mask of
// other elements, which make what they make.
std::optional<std::string> casedMask(std::string mask, bool lower) {
    bool literal = false;
    for (char& ch : mask) {
        if (ch == '[' || ch == ']')
            literal = ch == '[';
        else if (literal)
            ch = static_cast<char>(lower ? std::tolower(static_cast<unsigned char>(ch))
                                         : std::toupper(static_cast<unsigned char>(ch)));
        else if (std::string_view("AaCc").find(ch) != std::string_view::npos)
            ch = lower ? 'a' : 'A';
        else if (ch != 'N' && ch != 'n')
            return std::nullopt;
    }
    return mask;
}

// The letters of every value in one case: a list's entries and a plain mask's letters change,
// any other kind becomes letters of that case.
void keepCase(TTextFillField& f, TTextCase textCase) {
    const bool lower = textCase == TTextCase::Lower;
    auto cased = [lower](const std::string& s) { return lower ? kvl::LowerCase(s) : kvl::UpperCase(s); };
    if (f.FillType == fillList) {
        kvl::TStringList values;
        for (int i = 0; i < f.ListValues.Count(); ++i)
            if (values.IndexOf(cased(f.ListValues[i])) < 0) values.Add(cased(f.ListValues[i]));
        return setList(f, values);
    }
    if (f.FillType == fillMasked)
        if (auto mask = casedMask(f.Mask, lower)) return setMask(f, *mask);
    const int32_t length = f.FillType == fillRandomText ? std::clamp(8, f.LengthFrom, std::max(f.LengthTo, 1))
                                                        : (f.Size > 0 ? std::min(f.Size, 8) : 8);
    setMask(f, std::string(static_cast<size_t>(length), lower ? 'a' : 'A'));
}

// Whether a text matches a LIKE pattern: '%' any run of characters, '_' one character.
bool likeMatches(std::string_view text, std::string_view pattern) {
    size_t t = 0, p = 0, starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '_' || pattern[p] == text[t])) {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '%') {
            starP = p++;
            starT = t;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '%')
        ++p;
    return p == pattern.size();
}

// Values that stand for all a text field makes, where its kind has a fixed form: every provider
// and ending of an e-mail or web address around names with and without a blank. Nothing where
// the kind's values are free.
std::vector<std::string> samplesOf(const TTextFillField& f) {
    std::vector<std::string> samples;
    switch (f.FillType) {
    case fillFixed:
        samples.push_back(f.StaticValue);
        break;
    case fillList:
        for (int i = 0; i < f.ListValues.Count(); ++i)
            samples.push_back(f.ListValues[i]);
        break;
    case fillEmail:
    case fillURL:
        for (std::string_view provider : K_Provider)
            for (int k = 0; k < K_PostfixDrawn; ++k)
                for (const char* name : {"Sample", "De Sample"}) {
                    const std::string_view ending = K_Postfix[static_cast<size_t>(k)];
                    if (f.FillType == fillURL)
                        samples.push_back(WebAddressOf(name, provider, ending));
                    else
                        for (char initial : {'A', 'Z'})
                            samples.push_back(EmailAddressOf(initial, name, provider, ending));
                }
        break;
    case fillMasked:
        try {
            // draws of their own: the same guess every time, and the run's numbers left as they were
            kvl::TRandomGenerator generator(20261208);
            kvl::TRandomScope scope(generator);
            kvl::TMaskedCommands commands = kvl::GetMaskedCommands(f.Mask);
            for (int i = 0; i < 32; ++i) {
                std::string value;
                kvl::AppendMaskedValue(commands, nullptr, value);
                // the run cuts a value to its column
                if (f.Size > 0 && value.size() > static_cast<size_t>(f.Size))
                    value.resize(static_cast<size_t>(f.Size));
                samples.push_back(std::move(value));
            }
        } catch (const std::exception&) {
            samples.clear(); // a mask of files, or one that does not compile, tells nothing here
        }
        break;
    default:
        break;
    }
    return samples;
}

// Whether every form of the field's values meets a LIKE pattern.
bool meets(const TTextFillField& f, const std::string& shape) {
    const std::vector<std::string> samples = samplesOf(f);
    return !samples.empty() && std::all_of(samples.begin(), samples.end(),
                                           [&](const std::string& v) { return likeMatches(v, shape); });
}

// The values keep a LIKE pattern's loose shape: a kind whose every form meets it stays, any other
// becomes a mask of the shape, letters for its wildcards within the column's width.
void meetShape(TTextFillField& f, const std::string& shape) {
    if (meets(f, shape)) return;
    const auto anyLength = static_cast<int64_t>(std::count(shape.begin(), shape.end(), '%'));
    const int64_t fixed = static_cast<int64_t>(shape.size()) - anyLength;
    const int64_t each =
        f.Size > 0 && anyLength > 0 ? std::clamp<int64_t>((f.Size - fixed) / anyLength, 0, 4) : 4;
    std::string mask;
    bool literal = false;
    for (char ch : shape) {
        const bool wildcard = ch == '%' || ch == '_';
        if (wildcard == literal) mask += literal ? "]" : "[";
        literal = !wildcard;
        mask += wildcard ? std::string(ch == '%' ? static_cast<size_t>(each) : 1, 'a') : std::string(1, ch);
    }
    if (literal) mask += ']';
    setMask(f, mask);
}

// A pattern of a date's shape takes dates, not letters in its places.
std::optional<std::string> dateShaped(const std::string& shape) {
    if (shape == "____-__-__") return GuessDateTextMask(GuessFirstYear, GuessYears, false);
    if (shape == "____-__-__ __:__:__") return GuessDateTextMask(GuessFirstYear, GuessYears, true);
    return std::nullopt;
}

void applyCondition(TCustomFillField& f, const TColumnCondition& c) {
    if (c.NotNull) f.IncludeNulls = false;
    if (f.FillType == fillReferential || f.FillType == fillNothing) return;
    if (auto* t = dynamic_cast<TTextFillField*>(&f); t && c.Json) return setList(*t, GuessJsonTexts());
    if (!c.Values.empty()) keepValues(f, c.Values);
    if (!c.Excluded.empty()) leaveOut(f, c.Excluded);
    if (auto* t = dynamic_cast<TTextFillField*>(&f); t && !c.Prefix.empty()) startWith(*t, c.Prefix);
    if (!c.Values.empty()) return;
    if (auto* i = dynamic_cast<TIntegerFillField*>(&f)) return narrowInteger(*i, c);
    if (auto* r = dynamic_cast<TFloatFillField*>(&f)) return narrowFloat(*r, c);
    if (auto* d = dynamic_cast<TDateFillField*>(&f)) return narrowDate(*d, c);
    if (auto* t = dynamic_cast<TTextFillField*>(&f)) narrowText(*t, c);
}

// Only a lower or only an upper bound, and nothing else of the values.
bool oneSided(const TColumnCondition& c) {
    return c.Values.empty() && c.MoreRanges.empty() && !c.MinLength && !c.MaxLength && c.Excluded.empty() &&
           c.Prefix.empty() && (c.Low.has_value() != c.High.has_value());
}

// "x >= 1200 and x <= 15000" comes as two conditions; taken one after the other, a guess wholly
// below the first would keep its own width there and never reach the second's end.
void joinBounds(std::vector<TColumnCondition>& conditions) {
    for (size_t i = 0; i < conditions.size(); ++i) {
        if (!oneSided(conditions[i])) continue;
        for (size_t j = i + 1; j < conditions.size(); ++j) {
            TColumnCondition& other = conditions[j];
            if (!oneSided(other) || other.Low.has_value() == conditions[i].Low.has_value()) continue;
            TColumnCondition& c = conditions[i];
            if (!c.Low) c.Low = other.Low;
            if (!c.High) c.High = other.High;
            c.NotNull = c.NotNull || other.NotNull;
            conditions.erase(conditions.begin() + static_cast<std::ptrdiff_t>(j));
            break;
        }
    }
}

std::vector<TColumnCondition> conditionsOn(const std::vector<std::string>& checks,
                                           const std::string& column) {
    std::vector<TColumnCondition> out;
    for (const auto& check : checks)
        for (auto& c : ReadCheck(check).Conditions)
            if (kvl::SameText(c.Column, column)) out.push_back(std::move(c));
    joinBounds(out);
    return out;
}

void applyRules(TFillProject& project, TCustomFillField& f) {
    auto rules = kvl::Supports<kvl::IKVL_ColumnRules>(f.Column);
    if (rules && !rules->EnumLabels().empty()) {
        kvl::TStringList labels;
        for (const auto& l : rules->EnumLabels())
            labels.Add(l);
        setList(f, labels);
    }
    std::vector<TColumnCondition> conditions = conditionsOn(DomainChecksOf(f), "VALUE");
    for (auto& c : conditionsOn(ChecksOfTable(project), f.ColumnName))
        conditions.push_back(std::move(c));
    for (const auto& c : conditions)
        applyCondition(f, c);
    // After the lengths, which may have made the values random characters: a pattern's mask
    // says their length too, and a case holds for whatever makes the values.
    auto* text = dynamic_cast<TTextFillField*>(&f);
    const bool made = f.FillType != fillReferential && f.FillType != fillNothing;
    for (const auto& c : conditions)
        if (text && made && !c.Mask.empty() && c.Values.empty() &&
            !(!c.Shape.empty() && meets(*text, c.Shape)))
            setMask(*text, dateShaped(c.Shape).value_or(c.Mask));
    for (const auto& c : conditions)
        if (text && made && !c.Shape.empty() && c.Values.empty()) meetShape(*text, c.Shape);
    for (const auto& c : conditions)
        if (text && made && c.Case != TTextCase::Any) keepCase(*text, c.Case);
    // a row without a partition key lands in no partition
    auto table = kvl::Supports<kvl::IKVL_TableRules>(project.TableObject);
    if (table && !conditionsOn(table->PartitionBounds(), f.ColumnName).empty()) f.IncludeNulls = false;
}

} // namespace guess_detail
