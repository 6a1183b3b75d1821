#pragma once
#include "TCustomFillField.h"
#include "UTFillProjects/Events.h"
#include "base/DateTime.h"
#include "uMaskedValue.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// Texts of every kind: fixed, random characters, words from the external lists, addresses built
// from patterns, lines of the user's file, list and referential values, increasing numbers,
// masked values and GUIDs. Values longer than the column are cut to it, by characters, or by bytes
// where the column's character set has one byte a character; references and counters are left
// whole. A column without a size (text, SQLite's TEXT) starts at 1 to 255 random characters and
// takes up to 32,767. A column unique on its own draws again a value it already gave.
class TTextFillField : public TCustomFillField {
public:
    static constexpr int32_t UnboundedLengthFrom = 1;
    static constexpr int32_t UnboundedLengthTo = 255;
    static constexpr int32_t UnboundedLengthLimit = 32767;

    explicit TTextFillField(const KFillRecord& rec);
    // The longest random text the settings offer: the column's size, or the limit of a column
    // without one.
    int32_t LengthLimit() const { return Size > 0 ? Size : UnboundedLengthLimit; }
    ~TTextFillField() override;

    bool GetReadyForFilling() const override;
    kvl::TVariant getInsertValue() override;
    void prepareInsert() override;
    void unprepareInsert() override;
    int GetFieldDatatype() const override;

    kvl::TStringList Values;  // candidates of the list-based kinds, rebuilt by prepareInsert
    kvl::TStringList Values2; // last names of full names
    std::string Buffer;       // work text of random characters
    std::string IncFormat;
    int32_t Counter = 0;
    std::string FileName;
    std::string StaticValue = "Fixed String value";
    std::string Mask = "AAANNN[CONSTANT]";
    int32_t IncStart = 0; // also the lower bound of integers as text
    int32_t IncStep = 0;
    int32_t IncDigits = 0;
    bool IncFixedDigits = false;
    int32_t IntegerTo = 0;
    long double FloatFrom = 0;
    long double FloatTo = 0;
    kvl::TDateTime DateFrom = 0;
    kvl::TDateTime DateTo = 0;
    kvl::TDateTime TimeFrom = 0;
    kvl::TDateTime TimeTo = 0;
    int32_t LengthFrom = 0;
    int32_t LengthTo = 0;
    kvl::TMaskedCommands MaskCommands;
    std::unique_ptr<kvl::TMaskFiles> MaskFiles; // absent until the first masked preparation

    // The next value of the compiled mask, also left in Buffer.
    std::string GetNextMaskedValue();
    void FreeMaskedFiles() { MaskFiles.reset(); }
    // Whether a column unique on its own draws again a value given before; after the preparation.
    bool DrawsUnique() const { return unique_; }
    // Values the table holds already, which a unique column draws again like its own.
    void TakeGiven(const std::vector<std::string>& values);

private:
    const kvl::TStringList& externalList(TExternalDataKind kind);
    void prepareExternal(TExternalDataKind kind, const char* failureLine);
    void prepareFullNames();
    void prepareCustomFile();
    void loadMaskFiles();
    void logNotice(const std::string& line);
    void logPrepareFailure(const std::string& line);

    kvl::TVariant nextValue();
    void keepToColumn(kvl::TVariant& value) const;
    kvl::TVariant nextUniqueValue();

    int32_t cutAt_ = 0; // 0: not cut
    bool cutBytes_ = false;
    bool unique_ = false;
    // Hashes of the values given, not their texts: a copy of each text cost more than making it.
    // Two texts of one hash only make the later one be drawn again.
    std::unordered_set<size_t> given_;

    std::string poolEntry() const;
    std::string randomText();
    int32_t randomInteger() const;
};

// The forms of the e-mail and web addresses a text field makes, from their drawn parts: an
// initial and a name, a provider and an ending.
std::string EmailAddressOf(char initial, std::string_view name, std::string_view provider,
                           std::string_view ending);
std::string WebAddressOf(std::string_view name, std::string_view provider, std::string_view ending);
