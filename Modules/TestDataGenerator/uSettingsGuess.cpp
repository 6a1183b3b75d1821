#include "uSettingsGuess.h"

#include "ExternalData/ExternalDataReader.h"
#include "UTFillConstants.h"
#include "UTFillObject/TBoolBitFillField.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TGUIDFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/DateTime.h"
#include "base/SysUtils.h"
#include "uCheckReader.h"
#include "uSettingsGuessLists.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace {

enum class Meaning {
    None,
    FirstName,
    LastName,
    FullName,
    Email,
    Phone,
    Street,
    City,
    State,
    PostalCode,
    Country,
    CountryCode,
    Company,
    JobTitle,
    Title,
    Description,
    Username,
    Code,
    Isbn,
    Url,
    Guid,
    Money,
    Quantity,
    Year,
    Rating,
    BirthDate,
    RecentDate,
    Flag,
};

std::vector<std::string> wordsOf(const std::string& name) {
    std::vector<std::string> words;
    std::string word;
    auto flush = [&] {
        if (!word.empty()) words.push_back(kvl::LowerCase(word));
        word.clear();
    };
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (!std::isalnum(c)) {
            flush();
            continue;
        }
        const bool upper = std::isupper(c);
        const bool afterLower = i > 0 && (std::islower(static_cast<unsigned char>(name[i - 1])) ||
                                          std::isdigit(static_cast<unsigned char>(name[i - 1])));
        // "HTTPServer": the last capital of a run starts the next word
        const bool endsCapitals = i > 0 && std::isupper(static_cast<unsigned char>(name[i - 1])) &&
                                  i + 1 < name.size() &&
                                  std::islower(static_cast<unsigned char>(name[i + 1]));
        if (upper && (afterLower || endsCapitals)) flush();
        word += static_cast<char>(c);
    }
    flush();
    // where an address or a name is billed or shipped to says nothing about its kind
    static const std::set<std::string> prefixes = {"billing", "shipping", "delivery", "invoice", "mailing",
                                                   "home",    "work",     "primary",  "main"};
    while (words.size() > 1 && prefixes.count(words.front()))
        words.erase(words.begin());
    return words;
}

std::string joined(const std::vector<std::string>& words, const std::string& separator) {
    std::string out;
    for (const auto& w : words)
        out += (out.empty() ? "" : separator) + w;
    return out;
}

bool oneOf(const std::string& text, std::initializer_list<const char*> list) {
    return std::any_of(list.begin(), list.end(), [&](const char* s) { return text == s; });
}

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// A bare "name" is a person's in a table of people and a thing's elsewhere.
bool tableOfPeople(const std::string& table) {
    static const char* const people[] = {"customer", "person", "people",  "user",  "employee", "contact",
                                         "author",   "member", "student", "staff", "client",   "patient"};
    const std::string name = kvl::LowerCase(table);
    return std::any_of(std::begin(people), std::end(people),
                       [&](const char* p) { return name.find(p) != std::string::npos; });
}

Meaning textMeaning(const std::string& all, const std::string& last, bool people) {
    if (oneOf(all, {"firstname", "fname", "givenname", "forename"})) return Meaning::FirstName;
    if (oneOf(all, {"lastname", "lname", "surname", "familyname"})) return Meaning::LastName;
    if (all == "name") return people ? Meaning::FullName : Meaning::Title;
    if (oneOf(all, {"fullname", "contactname", "customername", "personname", "displayname", "employeename",
                    "authorname"}))
        return Meaning::FullName;
    if (contains(all, "email") || oneOf(all, {"mail", "emailaddress"})) return Meaning::Email;
    if (contains(all, "phone") || oneOf(last, {"tel", "fax", "mobile", "cell"})) return Meaning::Phone;
    if (oneOf(all, {"countrycode", "countryiso", "isocountry", "iso2", "iso3"})) return Meaning::CountryCode;
    if (oneOf(all, {"country", "countryname", "nation", "nationality"})) return Meaning::Country;
    if (oneOf(all, {"postalcode", "postcode", "zip", "zipcode", "postal"})) return Meaning::PostalCode;
    if (contains(all, "street") || oneOf(all, {"address", "address1", "addressline1", "addr", "addressline"}))
        return Meaning::Street;
    if (oneOf(last, {"city", "town"})) return Meaning::City;
    if (oneOf(all, {"state", "region", "province", "county", "statename"})) return Meaning::State;
    if (oneOf(all, {"company", "companyname", "organisation", "organization", "employer", "firm", "supplier",
                    "vendor", "manufacturer"}))
        return Meaning::Company;
    if (oneOf(all, {"jobtitle", "position", "occupation", "job", "profession"})) return Meaning::JobTitle;
    if (oneOf(all, {"username", "login", "loginname", "nickname", "handle", "screenname"}))
        return Meaning::Username;
    if (oneOf(last, {"isbn", "isbn13", "ean", "ean13", "gtin", "barcode"})) return Meaning::Isbn;
    if (oneOf(last, {"code", "sku", "ref", "reference"})) return Meaning::Code;
    if (oneOf(last, {"url", "website", "homepage", "link", "site", "web"})) return Meaning::Url;
    if (oneOf(last, {"guid", "uuid"})) return Meaning::Guid;
    if (oneOf(all, {"title", "subject", "headline", "caption", "heading", "label"}) || last == "name")
        return Meaning::Title;
    if (oneOf(last, {"description", "desc", "remark", "remarks", "comment", "comments", "note", "notes",
                     "summary", "details", "body", "text", "bio", "about", "message", "content"}))
        return Meaning::Description;
    return Meaning::None;
}

Meaning numberMeaning(const std::string& all, const std::vector<std::string>& words) {
    const std::string& last = words.back();
    if (oneOf(last, {"price", "amount", "total", "cost", "fee", "salary", "balance", "subtotal", "tax",
                     "discount", "limit", "revenue", "payment"}))
        return Meaning::Money;
    if (oneOf(last, {"qty", "quantity", "units"})) return Meaning::Quantity;
    if (oneOf(last, {"year", "yr"})) return Meaning::Year;
    if (oneOf(last, {"rating", "stars", "score"})) return Meaning::Rating;
    if (oneOf(words.front(), {"is", "has", "can"}) ||
        oneOf(all, {"active", "enabled", "deleted", "flag", "visible"}))
        return Meaning::Flag;
    return Meaning::None;
}

Meaning dateMeaning(const std::string& all, const std::vector<std::string>& words) {
    if (contains(all, "birth") || oneOf(all, {"born", "dob", "bornon"})) return Meaning::BirthDate;
    for (const auto& w : words)
        if (oneOf(w, {"created", "updated", "modified", "changed", "inserted", "ordered", "registered"}))
            return Meaning::RecentDate;
    return Meaning::None;
}

// Years for dates: whole calendar years, so that a seed gives the same values all year long.
int currentYear() {
    int year = 0, month = 0, day = 0;
    kvl::DecodeDate(kvl::Now(), year, month, day);
    return year;
}

void setRandomText(TTextFillField& f) {
    f.FillType = fillRandomText;
    // a column without a size gets the lengths a new field and the check give it
    if (f.Size <= 0) {
        f.LengthFrom = TTextFillField::UnboundedLengthFrom;
        f.LengthTo = TTextFillField::UnboundedLengthTo;
        return;
    }
    int32_t longest = std::min(f.Size, 20);
    f.LengthFrom = std::min(longest, 5);
    f.LengthTo = longest;
}

// The archives of states, companies, job titles and words, each read once per guess through the
// host's loader. An archive that is missing or unreadable leaves our small lists in its place:
// a guess should still give the column a meaning.
class TGuessWords {
public:
    explicit TGuessWords(const TExternalDataInit& load) : load_(load) {}

    // The entries of the archive, or nothing when it could not be read.
    const kvl::TStringList* Of(TExternalDataKind kind) {
        auto [at, added] = lists_.try_emplace(kind);
        if (added) at->second = read(kind);
        return at->second.get();
    }

    // Values for a list column: a column's project file keeps its list, so a long archive
    // gives a fixed sample rather than all its entries.
    kvl::TStringList ListOf(TExternalDataKind kind, kvl::TStringList (*own)()) {
        const kvl::TStringList* read = Of(kind);
        return read ? GuessSample(*read, kListEntries) : own();
    }

private:
    static constexpr int kListEntries = 200;

    std::unique_ptr<kvl::TStringList> read(TExternalDataKind kind) const {
        if (!load_) return nullptr;
        auto list = std::make_unique<kvl::TStringList>();
        try {
            load_(kind, *list);
        } catch (const tdg::EExternalDataError&) {
            return nullptr;
        }
        return list->IsEmpty() ? nullptr : std::move(list);
    }

    const TExternalDataInit& load_;
    std::map<TExternalDataKind, std::unique_ptr<kvl::TStringList>> lists_;
};

void setList(TCustomFillField& f, const kvl::TStringList& values) {
    f.FillType = fillList;
    f.ListValues.Clear();
    f.ListValues.AddStrings(values);
}

void setMask(TTextFillField& f, const std::string& mask) {
    f.FillType = fillMasked;
    f.Mask = mask;
}

void setText(TTextFillField& f, Meaning meaning, TGuessWords& lists) {
    static const std::pair<Meaning, int32_t> kinds[] = {{Meaning::FirstName, fillGenerator},
                                                        {Meaning::LastName, fillLastNames},
                                                        {Meaning::FullName, fillFullNames},
                                                        {Meaning::Email, fillEmail},
                                                        {Meaning::Phone, fillPhone},
                                                        {Meaning::Street, fillAddresses},
                                                        {Meaning::City, fillCities},
                                                        {Meaning::Country, fillCountries},
                                                        {Meaning::Url, fillURL}};
    for (const auto& [m, kind] : kinds)
        if (m == meaning) {
            f.FillType = kind;
            return;
        }
    const bool shortColumn = f.Size > 0 && f.Size < 40;
    switch (meaning) {
    case Meaning::Guid:
        if (f.Size > 0 && f.Size < 36) break;
        f.FillType = fillGUID;
        return;
    case Meaning::State:
        return setList(f, lists.ListOf(xdStates, GuessStates));
    case Meaning::CountryCode:
        return setList(f, GuessCountryCodes(f.Size == 3 ? 3 : 2));
    case Meaning::PostalCode:
        return setMask(f, "NNNNN");
    case Meaning::Company:
        return setList(f, lists.ListOf(xdCompanies, GuessCompanies));
    case Meaning::JobTitle:
        return setList(f, lists.ListOf(xdJobTitles, GuessJobTitles));
    case Meaning::Username:
        return setMask(f, "aaaaaaNN");
    case Meaning::Code:
        return setMask(f, "AAANNNN");
    case Meaning::Isbn: // thirteen digits as books and goods print them
        if (f.Size > 0 && f.Size < 13) break;
        return setMask(f, "[978]NNNNNNNNNN");
    case Meaning::Title:
        return setList(f, GuessSentences(1, 3, false, 120, lists.Of(xdWords)));
    case Meaning::Description:
        return setList(f, shortColumn ? GuessSentences(2, 4, false, 120, lists.Of(xdWords))
                                      : GuessSentences(6, 14, true, 120, lists.Of(xdWords)));
    default:
        break;
    }
    setRandomText(f);
}

void setIntegerRange(TIntegerFillField& f, int32_t from, int32_t to) {
    f.FillType = fillRandom;
    f.RangeFrom = from;
    f.RangeTo = to;
}

void setInteger(TIntegerFillField& f, bool key, Meaning meaning) {
    if (key) {
        f.FillType = fillIncreasing;
        f.RangeFrom = 1;
        f.StaticValue = 1;
        return;
    }
    switch (meaning) {
    case Meaning::Money:
        return setIntegerRange(f, 1, 1000);
    case Meaning::Quantity:
        return setIntegerRange(f, 1, 10);
    case Meaning::Year:
        return setIntegerRange(f, 1990, currentYear() - 1);
    case Meaning::Rating:
        return setIntegerRange(f, 1, 5);
    case Meaning::Flag:
        return setIntegerRange(f, 0, 1);
    default:
        return setIntegerRange(f, 1, f.DataTypeName == "SmallInt" ? 5 : 1000);
    }
}

void setFloat(TFloatFillField& f, Meaning meaning) {
    f.FillType = fillRandom;
    f.RangeFrom = 1;
    f.RangeTo = meaning == Meaning::Rating ? 5 : meaning == Meaning::Quantity ? 10 : 1000;
}

void setDate(TDateFillField& f, Meaning meaning) {
    f.FillType = fillRandom;
    const int year = currentYear();
    // Fixed bounds rather than "the last ten years": a seed then gives the same dates on any day.
    f.DateFrom = kvl::EncodeDate(2015, 1, 1);
    f.DateTo = kvl::EncodeDate(2025, 12, 31);
    if (meaning == Meaning::BirthDate) {
        f.DateFrom = kvl::EncodeDate(year - 89, 1, 1);
        f.DateTo = kvl::EncodeDate(year - 19, 12, 31);
    } else if (meaning == Meaning::RecentDate) {
        f.DateFrom = kvl::EncodeDate(year - 4, 1, 1);
        f.DateTo = kvl::EncodeDate(year - 1, 12, 31);
    }
    f.TimeFrom = 0;
    f.TimeTo = 86399.0 / 86400.0;
}

// Every column a user could fill gets a kind by its type and its name; computed and identity
// columns are left to the server, BLOBs need files of the user's.
void setColumn(TCustomFillField& f, bool key, bool people, TGuessWords& lists) {
    const std::vector<std::string> words = wordsOf(f.ColumnName);
    const std::string all = joined(words, "");
    if (auto* i = dynamic_cast<TIntegerFillField*>(&f)) {
        setInteger(*i, key, words.empty() ? Meaning::None : numberMeaning(all, words));
    } else if (auto* r = dynamic_cast<TFloatFillField*>(&f)) {
        setFloat(*r, words.empty() ? Meaning::None : numberMeaning(all, words));
    } else if (auto* d = dynamic_cast<TDateFillField*>(&f)) {
        setDate(*d, dateMeaning(all, words));
    } else if (auto* t = dynamic_cast<TTextFillField*>(&f)) {
        const std::string type = f.Column ? kvl::LowerCase(f.Column->DataTypeText()) : std::string();
        if (contains(type, "json"))
            setList(*t, GuessJsonTexts());
        else if (auto typed = GuessTypedTexts(type); typed && typed->Mask.empty())
            setList(*t, typed->List);
        else if (typed)
            setMask(*t, typed->Mask);
        else
            setText(*t, words.empty() ? Meaning::None : textMeaning(all, words.back(), people), lists);
    } else if (dynamic_cast<TBoolBitFillField*>(&f)) {
        f.FillType = fillRandom;
    } else if (dynamic_cast<TGUIDFillField*>(&f)) {
        f.FillType = fillGUID;
    }
}

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

// Only the mask's letters and its literal texts: the other elements make what they make.
bool plainMask(const std::string& mask) {
    bool literal = false;
    for (char ch : mask) {
        if (ch == '[' || ch == ']')
            literal = ch == '[';
        else if (!literal && std::string_view("AaCcNn").find(ch) == std::string_view::npos)
            return false;
    }
    return true;
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
    if (f.FillType == fillMasked && plainMask(f.Mask)) {
        bool literal = false;
        for (char& ch : f.Mask) {
            if (ch == '[' || ch == ']')
                literal = ch == '[';
            else if (literal)
                ch = cased(std::string(1, ch))[0];
            else if (ch != 'N' && ch != 'n')
                ch = lower ? 'a' : 'A';
        }
        return;
    }
    const int32_t length = f.FillType == fillRandomText ? std::clamp(8, f.LengthFrom, std::max(f.LengthTo, 1))
                                                        : (f.Size > 0 ? std::min(f.Size, 8) : 8);
    setMask(f, std::string(static_cast<size_t>(length), lower ? 'a' : 'A'));
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
        if (text && made && !c.Mask.empty() && c.Values.empty()) setMask(*text, c.Mask);
    for (const auto& c : conditions)
        if (text && made && c.Case != TTextCase::Any) keepCase(*text, c.Case);
    // a row without a partition key lands in no partition
    auto table = kvl::Supports<kvl::IKVL_TableRules>(project.TableObject);
    if (table && !conditionsOn(table->PartitionBounds(), f.ColumnName).empty()) f.IncludeNulls = false;
}

// --- columns in order within a row ---------------------------------------------------------

bool boundedAbove(TFillProject& project, const TCustomFillField& f) {
    std::vector<TColumnCondition> conditions = conditionsOn(ChecksOfTable(project), f.ColumnName);
    for (auto& c : conditionsOn(DomainChecksOf(f), "VALUE"))
        conditions.push_back(std::move(c));
    return std::any_of(conditions.begin(), conditions.end(),
                       [](const TColumnCondition& c) { return c.High; });
}

// The run makes the later column from the earlier one, up to the end of its own range: that
// range reaches as far as the earlier column's, unless a condition of its own ends it, and then
// the earlier column ends there too.
template <class T> void reachAlike(T& lowTo, T& highTo, bool highBounded) {
    if (highTo >= lowTo) return;
    if (highBounded)
        lowTo = highTo;
    else
        highTo = lowTo;
}

void keepReach(TCustomFillField& low, TCustomFillField& high, bool highBounded) {
    if (low.FillType != fillRandom || high.FillType != fillRandom) return;
    auto* li = dynamic_cast<TIntegerFillField*>(&low);
    auto* lr = dynamic_cast<TFloatFillField*>(&low);
    if (auto* hi = dynamic_cast<TIntegerFillField*>(&high); hi && li)
        return reachAlike(li->RangeTo, hi->RangeTo, highBounded);
    if (auto* hr = dynamic_cast<TFloatFillField*>(&high); hr && lr)
        return reachAlike(lr->RangeTo, hr->RangeTo, highBounded);
    auto* ld = dynamic_cast<TDateFillField*>(&low);
    if (auto* hd = dynamic_cast<TDateFillField*>(&high); hd && ld)
        reachAlike(ld->DateTo, hd->DateTo, highBounded);
}

void keepOrders(TFillProject& project, const std::set<TCustomFillField*>& guessed) {
    auto table = kvl::Supports<kvl::IKVL_TableRules>(project.TableObject);
    if (!table) return;
    auto field = [&](const std::string& name) -> TCustomFillField* {
        for (auto& f : project.GetFillFields())
            if (kvl::SameText(f->ColumnName, name) && guessed.count(f.get())) return f.get();
        return nullptr;
    };
    for (const auto& check : table->Checks())
        for (const auto& order : ReadCheck(check).Orders)
            if (auto* low = field(order.Low), *high = field(order.High); low && high && low != high)
                keepReach(*low, *high, boundedAbove(project, *high));
}

// --- foreign keys and the tables --------------------------------------------------------

void linkForeignKeys(TFillProject& project, bool keepSettings) {
    auto table = kvl::Supports<kvl::IKVL_Table>(project.TableObject);
    if (!table || !table->ForeignKeys()) return;
    for (const auto& item : *table->ForeignKeys()) {
        auto fk = kvl::Supports<kvl::IKVL_ForeignKey>(item);
        auto columns = fk->ColumnNames();
        auto referenced = fk->ReferencedColumnNames();
        for (size_t i = 0; i < columns.size() && i < referenced.size(); ++i)
            for (auto& f : project.GetFillFields())
                if (kvl::SameText(f->ColumnName, columns[i])) {
                    if (keepSettings && f->FillType != fillNothing && f->FillType != fillReferential)
                        continue;
                    f->FillType = fillReferential;
                    f->RefTable = fk->ReferencedTable();
                    f->RefTableOwner = fk->ReferencedTableOwner();
                    f->RefColumn = referenced[i];
                }
    }
}

// A list too short for a column unique on its own numbers its values again ("Sales",
// "Sales 2", ...), so that every row can have a value of its own; the number stays within the
// column's length. The list is kept in the project file, so it grows no further than
// kWidestList values; beyond, tdg check says the values run short.
void widenForUnique(TCustomFillField& f, int32_t rowsAsked) {
    constexpr int32_t kWidestList = 20000;
    const int32_t n = f.ListValues.Count();
    if (f.FillType != fillList || n == 0 || n >= rowsAsked || !f.UniqueOnItsOwn()) return;
    // twice the rows: a unique column draws again a value it gave, and the last rows of a list
    // just long enough would seldom find the few left
    const int32_t size = static_cast<int32_t>(std::min<int64_t>(2 * int64_t{rowsAsked}, kWidestList));
    kvl::TStringList values;
    for (int32_t i = 0; i < size; ++i) {
        std::string value = f.ListValues[i % n];
        if (i >= n) {
            const std::string number = " " + std::to_string(i / n + 1);
            if (f.Size > 0 && value.size() + number.size() > static_cast<size_t>(f.Size))
                value.resize(
                    static_cast<size_t>(std::max<int32_t>(0, f.Size - static_cast<int32_t>(number.size()))));
            value += number;
        }
        values.Add(value);
    }
    setList(f, values);
}

void guessProject(TFillProject& project, bool keepSettings, TGuessWords& lists) {
    project.doFill = true;
    auto table = kvl::Supports<kvl::IKVL_Table>(project.TableObject);
    auto key = table ? table->PrimaryKey() : nullptr;
    std::set<TCustomFillField*> guessed;
    for (auto& f : project.GetFillFields()) {
        if (f->Column && (f->Column->Computed() || f->Column->IsIdentity())) continue;
        if (keepSettings && f->FillType != fillNothing) continue;
        guessed.insert(f.get());
        // ranges of an earlier guess would count twice beside the new ones
        f->RangeParts.clear();
        bool inKey = f->Column && f->Column->InPrimaryKey();
        bool soleKey = inKey && key && key->Columns()->Count() == 1;
        setColumn(*f, soleKey || kvl::LowerCase(f->ColumnName) == "line_no", tableOfPeople(project.TableName),
                  lists);
        widenForUnique(*f, project.Rows);
        if (f->Nullable && !inKey && f->FillType != fillNothing) {
            f->IncludeNulls = true;
            f->NullPercentage = 5;
        }
    }
    linkForeignKeys(project, keepSettings);
    for (auto& f : project.GetFillFields())
        if (guessed.count(f.get())) applyRules(project, *f);
    keepOrders(project, guessed);
}

} // namespace

std::string NormalisedColumnName(const std::string& name) {
    return joined(wordsOf(name), "_");
}

std::vector<std::string> ChecksOfTable(const TFillProject& project) {
    auto table = kvl::Supports<kvl::IKVL_TableRules>(project.TableObject);
    if (!table) return {};
    std::vector<std::string> checks = table->Checks();
    for (auto& b : table->PartitionBounds())
        checks.push_back(std::move(b));
    return checks;
}

std::vector<std::string> DomainChecksOf(const TCustomFillField& field) {
    auto rules = kvl::Supports<kvl::IKVL_ColumnRules>(field.Column);
    return rules ? rules->DomainChecks() : std::vector<std::string>();
}

std::optional<int64_t> HighestCounterValue(const TFillProject& project, const TCustomFillField& field) {
    const auto* f = dynamic_cast<const TIntegerFillField*>(&field);
    if (!f || f->FillType != fillIncreasing || f->StaticValue <= 0) return std::nullopt;
    int64_t top = f->TypeRange().second;
    std::vector<TColumnCondition> conditions = conditionsOn(ChecksOfTable(project), f->ColumnName);
    for (auto& c : conditionsOn(DomainChecksOf(*f), "VALUE"))
        conditions.push_back(std::move(c));
    for (const auto& c : conditions)
        if (auto high = wholeBound(numberOf(c.High), c.High && c.High->Inclusive, false))
            top = std::min<int64_t>(top, *high);
    return top;
}

std::optional<TNumberedKey> NumberedKeyCounter(TFillProject& project) {
    auto table = kvl::Supports<kvl::IKVL_Table>(project.TableObject);
    auto key = table ? table->PrimaryKey() : nullptr;
    if (!key || !key->Columns() || !table->ForeignKeys()) return std::nullopt;
    std::optional<TNumberedKey> found;
    std::vector<std::string> rest;
    for (const auto& c : *key->Columns()) {
        TCustomFillField* f = nullptr;
        for (const auto& field : project.GetFillFields())
            if (kvl::SameText(field->ColumnName, c->Name())) f = field.get();
        if (!f) return std::nullopt;
        auto top = HighestCounterValue(project, *f);
        if (!top) {
            if (f->FillType != fillReferential) return std::nullopt;
            rest.push_back(c->Name());
            continue;
        }
        if (found) return std::nullopt;
        found = TNumberedKey{dynamic_cast<TIntegerFillField*>(f), *top, {}, "", ""};
    }
    if (!found) return std::nullopt;
    for (const auto& item : *table->ForeignKeys()) {
        auto fk = kvl::Supports<kvl::IKVL_ForeignKey>(item);
        auto columns = fk->ColumnNames();
        if (columns.size() != rest.size() ||
            !std::all_of(columns.begin(), columns.end(), [&](const std::string& c) {
                return std::any_of(rest.begin(), rest.end(),
                                   [&](const std::string& r) { return kvl::SameText(r, c); });
            }))
            continue;
        found->Columns = columns;
        found->Table = fk->ReferencedTable();
        found->Owner = fk->ReferencedTableOwner();
        return found;
    }
    return std::nullopt;
}

void GuessSettings(TFillProjects& projects, const TGuessOptions& options) {
    TGuessWords lists(projects.OnExternalDataInit);
    for (TFillProject* project : projects.Projects)
        if (!options.Only || options.Only(*project)) guessProject(*project, options.KeepSettings, lists);
}
