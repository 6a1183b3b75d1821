#include "TTextFillField.h"

#include "EFillError.h"
#include "GuidText.h"
#include "UTFillConstants.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "UserTextFile.h"
#include "base/Format.h"
#include "base/Random.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string_view>

namespace {

const char* const FirstNameFailure = "Could not load the first name repostitory";
const char* const LastNameFailure = "Could not load the last name repostitory";
// Stands in for a word list that could not be loaded, so the failure shows in the data.
const char* const ListPlaceholder = "Guru Meditation";

bool isPoolKind(int32_t fillType) {
    switch (fillType) {
    case fillRandom:
    case fillList:
    case fillReferential:
    case fillGenerator:
    case fillLastNames:
    case fillAddresses:
    case fillCities:
    case fillCountries:
    case fillEmail:
    case fillURL:
    case fillFullNames:
        return true;
    default:
        return false;
    }
}

// Where text must end to keep within limit characters (or bytes), on a character's boundary.
size_t cutPoint(const std::string& text, size_t limit, bool bytes) {
    if (text.size() <= limit) return text.size();
    auto continuation = [&](size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0u) == 0x80u; };
    if (bytes) {
        size_t n = limit;
        while (n > 0 && continuation(n))
            --n;
        return n;
    }
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (continuation(i)) continue;
        if (characters == limit) return i;
        ++characters;
    }
    return text.size();
}

bool drawsAgainWhenUnique(int32_t fillType) {
    return fillType != fillFixed && fillType != fillReferential && fillType != fillIncreasing &&
           fillType != fillNothing;
}

uint32_t drawU(int32_t n) {
    return static_cast<uint32_t>(kvl::Random(n));
}

std::string_view provider() {
    return K_Provider[static_cast<size_t>(kvl::Random(static_cast<int32_t>(K_Provider.size())))];
}

std::string_view postfix() {
    return K_Postfix[static_cast<size_t>(kvl::Random(K_PostfixDrawn))];
}

// The decimal digits of a number, for joined: formatting the whole value cost more than drawing it.
class TNumberText {
public:
    explicit TNumberText(uint32_t n)
        : size_(static_cast<size_t>(std::to_chars(digits_, digits_ + sizeof digits_, n).ptr - digits_)) {}
    operator std::string_view() const { return {digits_, size_}; }

private:
    char digits_[10] = {};
    size_t size_;
};

// The parts in one string of their total length: a value costs one allocation at most, where
// formatting it or adding up its parts cost several.
std::string joined(std::initializer_list<std::string_view> parts) {
    size_t size = 0;
    for (std::string_view part : parts)
        size += part.size();
    std::string text;
    text.reserve(size);
    for (std::string_view part : parts)
        text.append(part);
    return text;
}

// Inline here for the values' loop; the guess reaches them through the functions of the header.
inline std::string emailAddress(char initial, std::string_view name, std::string_view provider,
                                std::string_view ending) {
    return joined({{&initial, 1}, ".", name, "@", provider, ".", ending});
}

inline std::string webAddress(std::string_view name, std::string_view provider, std::string_view ending) {
    return joined({"http://www.", name, ".", provider, ".", ending});
}

} // namespace

TTextFillField::TTextFillField(const KFillRecord& rec) : TCustomFillField(rec) {
    kvl::TDateTime now = kvl::Now();
    DateFrom = DateTo = kvl::DateOf(now);
    TimeFrom = TimeTo = kvl::TimeOf(now);
    LengthFrom = Size > 0 ? Size : UnboundedLengthFrom;
    LengthTo = Size > 0 ? Size : UnboundedLengthTo;
}

TTextFillField::~TTextFillField() = default;

int TTextFillField::GetFieldDatatype() const {
    return DataTypeName == "Char" || DataTypeName == "Varchar" ? 1 : 0;
}

bool TTextFillField::GetReadyForFilling() const {
    switch (FillType) {
    case fillFixed:
        return !StaticValue.empty();
    case fillRandom:
        return !FileName.empty();
    case fillList:
        return !ListValues.IsEmpty();
    case fillGenerator:
    case fillLastNames:
    case fillAddresses:
    case fillCities:
    case fillCountries:
    case fillPhone:
    case fillEmail:
    case fillURL:
    case fillFullNames:
    case fillGUID:
        return true;
    case fillRandomText:
        return LengthFrom > 0 || LengthTo > 0;
    case fillMasked:
        return !Mask.empty();
    case fillIncreasing:
        return IncStep > 0 && (!IncFixedDigits || IncDigits > 0);
    default:
        return TCustomFillField::GetReadyForFilling();
    }
}

void TTextFillField::logPrepareFailure(const std::string& line) {
    if (!Project) return;
    kvl::TStringList& log = Project->Statistics.Log;
    log.Add("Error while preparing inserts:");
    log.Add(line);
    log.Add("");
}

const kvl::TStringList& TTextFillField::externalList(TExternalDataKind kind) {
    // A field outside a project set has no word lists at all; the generator then sees an empty one.
    static const kvl::TStringList none;
    TFillProjects* owner = Project ? Project->FillProjects : nullptr;
    if (!owner) return none;
    switch (kind) {
    case xdCities:
        return owner->GetCities();
    case xdCountries:
        return owner->GetCountries();
    case xdFirstNames:
        return owner->GetFirstnames();
    case xdLastNames:
        return owner->GetLastnames();
    case xdStreets:
    default: // the guesses' lists are no fill type's
        break;
    }
    return owner->GetStreets();
}

// A list that fails to load must not end the table's fill: the failure goes to the log and the
// placeholder makes it visible in the data.
void TTextFillField::prepareExternal(TExternalDataKind kind, const char* failureLine) {
    Values.Clear();
    try {
        Values.AddStrings(externalList(kind));
    } catch (const std::exception&) {
        Values.Add(ListPlaceholder);
        logPrepareFailure(failureLine);
    }
}

void TTextFillField::prepareFullNames() {
    Values.Clear();
    Values2.Clear();
    try {
        Values.AddStrings(externalList(xdFirstNames));
        Values2.AddStrings(externalList(xdLastNames));
    } catch (const std::exception&) {
        Values.Add(ListPlaceholder);
        logPrepareFailure(FirstNameFailure);
    }
}

void TTextFillField::prepareCustomFile() {
    Values.Clear();
    bool converted = false;
    try {
        converted = LoadUserLines(FileName, Values);
    } catch (const EUserTextEncoding&) {
        // A readable file in an encoding of 16-bit units is no reason for placeholder rows: the
        // table is not filled, and the message says which file to convert.
        throw;
    } catch (const std::exception&) {
        Values.Add("Custom failed");
        logPrepareFailure("Could not laod the custom file");
        return;
    }
    if (converted) logNotice(Latin1Notice(FileName));
}

// Once per file and preparation: a mask may name the same file many times.
void TTextFillField::loadMaskFiles() {
    kvl::LoadMaskedFiles(MaskCommands, *MaskFiles,
                         [this](const std::string& fileName, kvl::TStringList& lines) {
                             if (LoadUserLines(fileName, lines)) logNotice(Latin1Notice(fileName));
                             return true;
                         });
}

void TTextFillField::logNotice(const std::string& line) {
    if (Project) Project->Statistics.Log.Add(line);
}

void TTextFillField::prepareInsert() {
    TCustomFillField::prepareInsert();
    auto rules = kvl::Supports<kvl::IKVL_ColumnRules>(Column);
    cutBytes_ = rules && rules->BytesPerCharacter() == 1;
    // A cut reference points nowhere and a cut counter repeats earlier numbers: both are left whole.
    cutAt_ = FillType == fillReferential || FillType == fillIncreasing ? 0 : Size;
    unique_ = drawsAgainWhenUnique(FillType) && UniqueOnItsOwn();
    given_.clear();
    Buffer.resize(static_cast<size_t>(std::max(LengthFrom, 0)));
    switch (FillType) {
    case fillIncreasing:
        Counter = IncStart;
        IncFormat = IncFixedDigits ? "%." + std::to_string(IncDigits) + "d" : "%d";
        break;
    case fillMasked:
        FreeMaskedFiles();
        MaskCommands = kvl::GetMaskedCommands(Mask);
        MaskFiles = std::make_unique<kvl::TMaskFiles>();
        loadMaskFiles();
        break;
    case fillRandom:
        prepareCustomFile();
        break;
    case fillList:
        Values.Clear();
        Values.AddStrings(ListValues);
        if (Values.IsEmpty()) throw EFillNoListValuesError();
        break;
    case fillReferential:
        Values.Clear();
        Values.AddStrings(RefValues);
        if (Values.IsEmpty() && !Linked) throw EFillNoReferentialValuesError(RefTable, RefColumn);
        break;
    case fillAddresses:
        prepareExternal(xdStreets, "Could not load the adress repostitory");
        break;
    case fillCities:
        prepareExternal(xdCities, "Could not load the city repostitory");
        break;
    case fillCountries:
        prepareExternal(xdCountries, "Could not load the country repostitory");
        break;
    case fillGenerator:
        prepareExternal(xdFirstNames, FirstNameFailure);
        break;
    case fillFullNames:
        prepareFullNames();
        break;
    case fillLastNames:
    case fillEmail:
    case fillURL:
        prepareExternal(xdLastNames, LastNameFailure);
        break;
    default:
        break;
    }
}

void TTextFillField::unprepareInsert() {
    TCustomFillField::unprepareInsert();
    given_.clear();
    Values.Clear();
}

std::string TTextFillField::poolEntry() const {
    return RandomEntry(Values);
}

// A reversed pair of lengths is taken as meant the other way round, rather than giving nothing.
std::string TTextFillField::randomText() {
    int64_t low = std::min(LengthFrom, LengthTo);
    int64_t high = std::max(LengthFrom, LengthTo);
    int64_t span = std::min<int64_t>(high - low + 1, std::numeric_limits<int32_t>::max());
    int64_t length = low + kvl::Random(static_cast<int32_t>(span));
    if (length <= 0) return std::string();
    Buffer.resize(static_cast<size_t>(length));
    for (char& c : Buffer)
        c = CharSet89[static_cast<size_t>(kvl::Random(static_cast<int32_t>(CharSet89.size())))];
    return Buffer;
}

int32_t TTextFillField::randomInteger() const {
    int64_t span = static_cast<int64_t>(IntegerTo) - IncStart + 1;
    int64_t offset = span <= std::numeric_limits<int32_t>::max()
                         ? kvl::Random(static_cast<int32_t>(span))
                         : static_cast<int64_t>(std::floor(kvl::Random() * static_cast<double>(span)));
    return static_cast<int32_t>(IncStart + offset);
}

kvl::TVariant TTextFillField::getInsertValue() {
    if (unique_) return nextUniqueValue();
    kvl::TVariant value = nextValue();
    keepToColumn(value);
    return value;
}

void TTextFillField::keepToColumn(kvl::TVariant& value) const {
    if (cutAt_ <= 0 || value.GetKind() != kvl::TVariant::Kind::String) return;
    const std::string& text = value.String();
    size_t end = cutPoint(text, static_cast<size_t>(cutAt_), cutBytes_);
    if (end == text.size()) return;
    // a word cut off at a blank leaves no trailing blank
    while (end > 0 && text[end - 1] == ' ')
        --end;
    value = kvl::TVariant(text.substr(0, end));
}

void TTextFillField::TakeGiven(const std::vector<std::string>& values) {
    for (const std::string& v : values)
        given_.insert(std::hash<std::string>{}(v));
}

// Chance alone should fail no row of a unique column: a value given before is drawn again, up
// to a hundred times, and then left to the server.
kvl::TVariant TTextFillField::nextUniqueValue() {
    kvl::TVariant value;
    for (int attempt = 0; attempt < 100; ++attempt) {
        value = nextValue();
        keepToColumn(value);
        if (value.GetKind() != kvl::TVariant::Kind::String) return value;
        if (given_.insert(std::hash<std::string>{}(value.String())).second) return value;
    }
    return value;
}

kvl::TVariant TTextFillField::nextValue() {
    if (isPoolKind(FillType) && Values.IsEmpty()) return kvl::TVariant(std::string());
    switch (FillType) {
    case fillNothing:
        return kvl::TVariant::Null();
    case fillFixed:
        return kvl::TVariant(StaticValue);
    case fillRandom:
    case fillList:
    case fillReferential:
    case fillGenerator:
    case fillLastNames:
    case fillCities:
    case fillCountries:
        return kvl::TVariant(poolEntry());
    case fillAddresses: {
        const std::string& street = RandomEntry(Values);
        TNumberText number(drawU(1000));
        return kvl::TVariant(joined({street, " ", number}));
    }
    case fillPhone: {
        TNumberText area(drawU(900) + 100);
        TNumberText exchange(drawU(900) + 100);
        TNumberText line(drawU(9000) + 1000);
        return kvl::TVariant(joined({"(1-", area, ") ", exchange, "-", line}));
    }
    case fillEmail: {
        const std::string& name = RandomEntry(Values);
        const char initial = static_cast<char>('A' + kvl::Random(26));
        const std::string_view middle = provider();
        const std::string_view ending = postfix();
        return kvl::TVariant(emailAddress(initial, name, middle, ending));
    }
    case fillURL: {
        const std::string& name = RandomEntry(Values);
        const std::string_view middle = provider();
        const std::string_view ending = postfix();
        return kvl::TVariant(webAddress(name, middle, ending));
    }
    case fillDateText:
        return kvl::TVariant(kvl::DateToStr(DateFrom + kvl::Random() * (DateTo - DateFrom)));
    case fillTimeText:
        return kvl::TVariant(kvl::TimeToStr(TimeFrom + kvl::Random() * (TimeTo - TimeFrom)));
    case fillDateTimeText: {
        kvl::TDateTime date = kvl::DateOf(DateFrom + kvl::Random() * (DateTo - DateFrom));
        kvl::TDateTime time = TimeFrom + kvl::Random() * (TimeTo - TimeFrom);
        return kvl::TVariant(kvl::DateTimeToStr(date + time));
    }
    case fillIntegerText:
        return kvl::TVariant(randomInteger());
    case fillFloatText:
        return kvl::TVariant(static_cast<double>(FloatFrom + kvl::Random() * (FloatTo - FloatFrom)));
    case fillRandomText:
        return kvl::TVariant(randomText());
    case fillFullNames: {
        const std::string& first = RandomEntry(Values);
        return kvl::TVariant(joined({first, " ", RandomEntry(Values2)}));
    }
    case fillMasked:
        return kvl::TVariant(GetNextMaskedValue());
    case fillIncreasing: {
        // The digit count is meant without the sign, but kvl::Format counts the sign as one of
        // the digits; format the magnitude and put the sign in front.
        int64_t number = Counter;
        std::string text =
            number < 0 ? "-" + kvl::Format(IncFormat, {-number}) : kvl::Format(IncFormat, {number});
        Counter = static_cast<int32_t>(static_cast<uint32_t>(Counter) + static_cast<uint32_t>(IncStep));
        return kvl::TVariant(text);
    }
    case fillGUID:
        return kvl::TVariant(NewGuidText());
    default:
        return kvl::TVariant();
    }
}

std::string TTextFillField::GetNextMaskedValue() {
    Buffer.clear();
    kvl::AppendMaskedValue(MaskCommands, MaskFiles.get(), Buffer);
    return Buffer;
}

std::string EmailAddressOf(char initial, std::string_view name, std::string_view provider,
                           std::string_view ending) {
    return emailAddress(initial, name, provider, ending);
}

std::string WebAddressOf(std::string_view name, std::string_view provider, std::string_view ending) {
    return webAddress(name, provider, ending);
}
