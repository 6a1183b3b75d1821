#include "uSettingsGuess.h"

#include "ExternalData/ExternalDataReader.h"
#include "UTFillConstants.h"
#include "UTFillObject/TBlobFillField.h"
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
#include "uSettingsGuessConditions.h"
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

namespace guess_detail {

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

void setList(TCustomFillField& f, const kvl::TStringList& values) {
    f.FillType = fillList;
    f.ListValues.Clear();
    f.ListValues.AddStrings(values);
}

void setMask(TTextFillField& f, const std::string& mask) {
    f.FillType = fillMasked;
    f.Mask = mask;
}

} // namespace guess_detail

using namespace guess_detail;

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

// The first year and the count of years of dates of a meaning: birth dates of people 19 to 89
// years old, recent ones in the last four whole years, others in the fixed years.
std::pair<int, int> yearsOf(Meaning meaning) {
    const int year = currentYear();
    if (meaning == Meaning::BirthDate) return {year - 89, 71};
    if (meaning == Meaning::RecentDate) return {year - 4, 4};
    return {GuessFirstYear, GuessYears};
}

void setDate(TDateFillField& f, Meaning meaning) {
    f.FillType = fillRandom;
    const auto [from, years] = yearsOf(meaning);
    f.DateFrom = kvl::EncodeDate(from, 1, 1);
    f.DateTo = kvl::EncodeDate(from + years - 1, 12, 31);
    f.TimeFrom = 0;
    f.TimeTo = 86399.0 / 86400.0;
}

// ISO dates, with the time where the name says a moment, for a text column whose name says it
// holds one (SQLite keeps its dates so): days up to the 28th, so that every value is a date;
// years as for a date column of that name.
std::optional<std::string> dateTextMask(const std::string& all, const std::vector<std::string>& words,
                                        int32_t size) {
    const std::string& last = words.back();
    const Meaning meaning = dateMeaning(all, words);
    const bool day = meaning == Meaning::BirthDate || oneOf(last, {"date", "day", "dob", "birthday"});
    const bool moment =
        !day && (meaning == Meaning::RecentDate || oneOf(last, {"at", "time", "timestamp", "datetime"}));
    if (!day && !moment) return std::nullopt;
    const auto [from, years] = yearsOf(meaning);
    if (moment && (size <= 0 || size >= 19)) return GuessDateTextMask(from, years, true);
    if (size <= 0 || size >= 10) return GuessDateTextMask(from, years, false);
    return std::nullopt;
}

// Every column a user could fill gets a kind by its type and its name; computed and identity
// columns are left to the server, BLOBs take the files of the folder given for them.
void setColumn(TCustomFillField& f, bool key, bool people, TGuessWords& lists, const TGuessOptions& options) {
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
        if (auto typed = GuessTypedTexts(type); typed && typed->Mask.empty())
            setList(*t, typed->List);
        else if (typed)
            setMask(*t, typed->Mask);
        else if (auto when = words.empty() ? std::nullopt : dateTextMask(all, words, f.Size))
            setMask(*t, *when);
        else
            setText(*t, words.empty() ? Meaning::None : textMeaning(all, words.back(), people), lists);
    } else if (dynamic_cast<TBoolBitFillField*>(&f)) {
        f.FillType = fillRandom;
    } else if (dynamic_cast<TGUIDFillField*>(&f)) {
        f.FillType = fillGUID;
    } else if (auto* b = dynamic_cast<TBlobFillField*>(&f)) {
        const std::string folder = IsGeometryColumn(f) ? options.GeometryFolder : options.BlobFolder;
        if (folder.empty()) return;
        b->FillType = fillRandom; // every file of the folder
        b->Directory = folder;
        b->FileFilter = "*.*";
        b->MaxFiles = 0;
    }
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

void guessProject(TFillProject& project, const TGuessOptions& options, TGuessWords& lists) {
    const bool keepSettings = options.KeepSettings;
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
                  lists, options);
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

bool IsGeometryColumn(const TCustomFillField& field) {
    if (!field.Column || !dynamic_cast<const TBlobFillField*>(&field)) return false;
    const std::string type = kvl::LowerCase(field.Column->DataTypeText());
    return type == "point" || type == "geometry";
}

void GuessSettings(TFillProjects& projects, const TGuessOptions& options) {
    TGuessWords lists(projects.OnExternalDataInit);
    for (TFillProject* project : projects.Projects)
        if (!options.Only || options.Only(*project)) guessProject(*project, options, lists);
}
