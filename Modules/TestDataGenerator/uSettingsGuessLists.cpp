#include "uSettingsGuessLists.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace {

constexpr std::array<std::string_view, 50> kStates = {
    "Alabama",     "Alaska",       "Arizona",        "Arkansas",       "California",    "Colorado",
    "Connecticut", "Delaware",     "Florida",        "Georgia",        "Hawaii",        "Idaho",
    "Illinois",    "Indiana",      "Iowa",           "Kansas",         "Kentucky",      "Louisiana",
    "Maine",       "Maryland",     "Massachusetts",  "Michigan",       "Minnesota",     "Mississippi",
    "Missouri",    "Montana",      "Nebraska",       "Nevada",         "New Hampshire", "New Jersey",
    "New Mexico",  "New York",     "North Carolina", "North Dakota",   "Ohio",          "Oklahoma",
    "Oregon",      "Pennsylvania", "Rhode Island",   "South Carolina", "South Dakota",  "Tennessee",
    "Texas",       "Utah",         "Vermont",        "Virginia",       "Washington",    "West Virginia",
    "Wisconsin",   "Wyoming"};

// Country codes of ISO 3166, two and three letters of the same countries in the same order.
constexpr std::array<std::string_view, 40> kCountries2 = {
    "US", "CA", "MX", "BR", "AR", "GB", "IE", "FR", "DE", "NL", "BE", "LU", "CH", "AT",
    "IT", "ES", "PT", "DK", "SE", "NO", "FI", "PL", "CZ", "HU", "GR", "TR", "IL", "EG",
    "ZA", "NG", "KE", "IN", "CN", "JP", "KR", "SG", "AU", "NZ", "CL", "CO"};
constexpr std::array<std::string_view, 40> kCountries3 = {
    "USA", "CAN", "MEX", "BRA", "ARG", "GBR", "IRL", "FRA", "DEU", "NLD", "BEL", "LUX", "CHE", "AUT",
    "ITA", "ESP", "PRT", "DNK", "SWE", "NOR", "FIN", "POL", "CZE", "HUN", "GRC", "TUR", "ISR", "EGY",
    "ZAF", "NGA", "KEN", "IND", "CHN", "JPN", "KOR", "SGP", "AUS", "NZL", "CHL", "COL"};

constexpr std::array<std::string_view, 32> kJobTitles = {"Accountant",
                                                         "Sales Manager",
                                                         "Software Engineer",
                                                         "Project Manager",
                                                         "Office Assistant",
                                                         "Marketing Director",
                                                         "Nurse",
                                                         "Teacher",
                                                         "Electrician",
                                                         "Data Analyst",
                                                         "Graphic Designer",
                                                         "Chief Executive",
                                                         "Customer Advisor",
                                                         "Warehouse Worker",
                                                         "Lawyer",
                                                         "Pharmacist",
                                                         "Architect",
                                                         "Civil Engineer",
                                                         "Receptionist",
                                                         "Financial Controller",
                                                         "Buyer",
                                                         "Consultant",
                                                         "Technician",
                                                         "Head of Operations",
                                                         "HR Officer",
                                                         "Store Manager",
                                                         "Research Scientist",
                                                         "Product Owner",
                                                         "Quality Inspector",
                                                         "Chef",
                                                         "Driver",
                                                         "Translator"};

constexpr std::array<std::string_view, 30> kCompanyStems = {
    "Blue Harbor", "Northfield", "Silverline", "Redwood",    "Granite",   "Oakridge",
    "Bright Lake", "Summit",     "Crescent",   "Ironbridge", "Maple",     "Westgate",
    "Highland",    "Riverbend",  "Starling",   "Copperleaf", "Evergreen", "Foxglove",
    "Hillcrest",   "Kingsway",   "Lakeshore",  "Meadow",     "Pinecone",  "Quarry",
    "Stonewall",   "Sunrise",    "Thornbury",  "Valley",     "Windmill",  "Yellowstone"};
constexpr std::array<std::string_view, 8> kCompanySuffixes = {"Ltd",      "Inc",     "Group", "Systems",
                                                              "Partners", "Trading", "Labs",  "& Co"};

constexpr std::array<std::string_view, 96> kWords = {
    "quick",   "garden",   "river",    "market",  "simple",  "bright",  "paper",    "window",  "green",
    "travel",  "summer",   "winter",   "coffee",  "planet",  "silver",  "music",    "family",  "office",
    "journey", "little",   "modern",   "classic", "stone",   "light",   "open",     "north",   "south",
    "kitchen", "letter",   "bridge",   "forest",  "island",  "golden",  "secret",   "happy",   "quiet",
    "early",   "second",   "ready",    "strong",  "soft",    "clear",   "warm",     "fresh",   "local",
    "daily",   "useful",   "large",    "small",   "better",  "every",   "friendly", "careful", "honest",
    "special", "common",   "shop",     "order",   "service", "product", "quality",  "value",   "design",
    "report",  "customer", "delivery", "season",  "weekend", "evening", "morning",  "project", "team",
    "idea",    "story",    "picture",  "colour",  "size",    "price",   "material", "feature", "works",
    "fits",    "arrives",  "looks",    "keeps",   "makes",   "brings",  "shows",    "with",    "for",
    "and",     "the",      "from",     "after",   "before",  "about"};

// Drawn without the run's random numbers: a guess must not move the values a seed gives.
class Draws {
public:
    explicit Draws(uint32_t seed) : state_(seed) {}
    size_t Next(size_t n) {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<size_t>((state_ >> 8) % n);
    }

private:
    uint32_t state_;
};

template <size_t N> kvl::TStringList listOf(const std::array<std::string_view, N>& words) {
    kvl::TStringList list;
    for (auto w : words)
        list.Add(std::string(w));
    return list;
}

std::string capitalised(std::string_view word) {
    std::string out(word);
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out;
}

} // namespace

kvl::TStringList GuessStates() {
    return listOf(kStates);
}

kvl::TStringList GuessCountryCodes(int letters) {
    return letters == 3 ? listOf(kCountries3) : listOf(kCountries2);
}

kvl::TStringList GuessJobTitles() {
    return listOf(kJobTitles);
}

kvl::TStringList GuessCompanies() {
    kvl::TStringList list;
    for (size_t i = 0; i < kCompanyStems.size(); ++i)
        for (size_t k = 0; k < 2; ++k)
            list.Add(std::string(kCompanyStems[i]) + " " +
                     std::string(kCompanySuffixes[(i * 3 + k * 5) % kCompanySuffixes.size()]));
    return list;
}

kvl::TStringList GuessSentences(int fewestWords, int mostWords, bool fullStop, int count,
                                const kvl::TStringList* words) {
    const kvl::TStringList own = listOf(kWords);
    const kvl::TStringList& pool = words && !words->IsEmpty() ? *words : own;
    Draws draws(static_cast<uint32_t>(fewestWords * 131 + mostWords * 7 + (fullStop ? 1 : 0)));
    kvl::TStringList list;
    const size_t span = static_cast<size_t>(mostWords - fewestWords + 1);
    for (int i = 0; i < count; ++i) {
        size_t length = static_cast<size_t>(fewestWords) + draws.Next(span);
        std::string sentence;
        for (size_t w = 0; w < length; ++w) {
            const std::string& word = pool[static_cast<int>(draws.Next(static_cast<size_t>(pool.Count())))];
            sentence += w == 0 ? capitalised(word) : " " + (fullStop ? std::string(word) : capitalised(word));
        }
        list.Add(fullStop ? sentence + "." : sentence);
    }
    return list;
}

kvl::TStringList GuessSample(const kvl::TStringList& all, int count) {
    if (all.Count() <= count) return all;
    // a partial shuffle of the indexes, then back in the list's order
    std::vector<int> indexes(static_cast<size_t>(all.Count()));
    for (size_t i = 0; i < indexes.size(); ++i)
        indexes[i] = static_cast<int>(i);
    Draws draws(static_cast<uint32_t>(all.Count()));
    for (size_t i = 0; i < static_cast<size_t>(count); ++i)
        std::swap(indexes[i], indexes[i + draws.Next(indexes.size() - i)]);
    indexes.resize(static_cast<size_t>(count));
    std::sort(indexes.begin(), indexes.end());
    kvl::TStringList sample;
    for (int i : indexes)
        sample.Add(all[i]);
    return sample;
}

kvl::TStringList GuessJsonTexts() {
    kvl::TStringList list;
    list.Add(R"({"id": 1, "active": true, "tags": ["new", "sale"]})");
    list.Add(R"({"colour": "green", "size": 42, "notes": null})");
    list.Add(R"([1, 2, 3, 5, 8])");
    list.Add(R"({"name": "sample", "items": [{"sku": "A-1", "qty": 2}]})");
    list.Add(R"(["red", "blue"])");
    list.Add(R"({})");
    return list;
}

namespace {

TTypedTexts listOf(std::initializer_list<const char*> values) {
    TTypedTexts t;
    for (const char* v : values)
        t.List.Add(v);
    return t;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// An array of numbers, of texts, or of anything: "{}" is an empty array of every element type.
TTypedTexts arrayOf(const std::string& element) {
    for (const char* number : {"smallint", "integer", "bigint", "numeric", "real", "double"})
        if (startsWith(element, number)) return listOf({"{}", "{1}", "{1,2,3}", "{7,42}", "{5,8,13,21}"});
    for (const char* text : {"text", "character", "citext"})
        if (startsWith(element, text))
            return listOf({"{}", "{red}", "{red,green}", "{new,sale,gift}", "{blue}"});
    return listOf({"{}"});
}

// "bit(8)": strings of that many binary digits; "bit varying" any number of them.
TTypedTexts bitsOf(const std::string& type) {
    int length = 8;
    if (const size_t open = type.find('('); open != std::string::npos)
        length = std::atoi(type.c_str() + open + 1);
    if (length <= 0 || length > 64) length = 8;
    TTypedTexts t;
    for (uint64_t pattern : {0x0ULL, 0xFFFFFFFFFFFFFFFFULL, 0x5555555555555555ULL, 0x3333333333333333ULL,
                             0x0F0F0F0F0F0F0F0FULL, 0x9249249249249249ULL}) {
        std::string bits;
        for (int i = 0; i < length; ++i)
            bits += (pattern >> i) & 1 ? '1' : '0';
        if (t.List.IndexOf(bits) < 0) t.List.Add(bits);
    }
    return t;
}

} // namespace

std::optional<TTypedTexts> GuessTypedTexts(const std::string& type) {
    if (type.find("json") != std::string::npos) return TTypedTexts{{}, GuessJsonTexts()};
    if (type.size() > 2 && type.compare(type.size() - 2, 2, "[]") == 0) return arrayOf(type);
    if (type == "inet" || type == "inet4") return TTypedTexts{"[10.]N[.]NN[.]NN", {}};
    if (type == "inet6") return TTypedTexts{"[fd00::]HHHH[:]HHHH[:]HHHH", {}};
    if (startsWith(type, "binary(") || startsWith(type, "varbinary(")) {
        const int bytes = std::atoi(type.c_str() + type.find('(') + 1);
        return TTypedTexts{std::string(static_cast<size_t>(std::clamp(bytes, 1, 32)), 'H'), {}};
    }
    if (type == "cidr") return TTypedTexts{"[10.]N[.]NN[.0/24]", {}};
    if (type == "macaddr") return TTypedTexts{"HH[:]HH[:]HH[:]HH[:]HH[:]HH", {}};
    if (type == "macaddr8") return TTypedTexts{"HH[:]HH[:]HH[:]HH[:]HH[:]HH[:]HH[:]HH", {}};
    if (startsWith(type, "interval")) return TTypedTexts{"N[ days ]N[ hours ]NN[ minutes]", {}};
    if (type == "money") return TTypedTexts{"NNN[.]NN", {}};
    if (startsWith(type, "time") && type.find("with time zone") != std::string::npos)
        return TTypedTexts{"[1]N[:0]N[:0]N[+00]", {}};
    if (type == "tsvector") return TTypedTexts{"aaaaaa[ ]aaaaa[ ]aaaa", {}};
    if (type == "point") return TTypedTexts{"[(]NN[.]N[,]NN[.]N[)]", {}};
    if (startsWith(type, "bit")) return bitsOf(type);
    if (type == "xml") return listOf({"<item/>", "<item id=\"1\"/>", "<note>sample</note>"});
    if (type == "daterange")
        return listOf(
            {"[2024-01-01,2024-01-08)", "[2024-03-10,2024-03-12)", "[2025-06-01,2025-07-01)", "empty"});
    if (type == "int4range" || type == "int8range" || type == "numrange")
        return listOf({"[1,10)", "[5,6)", "[100,250)", "empty"});
    if (type == "tsrange" || type == "tstzrange")
        return listOf(
            {"[2024-01-01 10:00,2024-01-01 12:00)", "[2025-02-03 08:30,2025-02-03 17:00)", "empty"});
    return std::nullopt;
}

std::string GuessDateTextMask(int fromYear, int years, bool withTime) {
    const std::string date =
        "#R:4:" + std::to_string(fromYear) + ":" + std::to_string(years) + ";[-]#R:2:1:12;[-]#R:2:1:28";
    return withTime ? date + ";[ ]#R:2:0:24;[:]#R:2:0:60;[:]#R:2:0:60" : date;
}
