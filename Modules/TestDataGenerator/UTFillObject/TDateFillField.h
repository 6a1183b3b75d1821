#pragma once
#include "TCustomFillField.h"
#include "TRangeDraw.h"
#include "base/DateTime.h"

#include <cstdint>

// Dates, times and date-times; the column's category decides which parts of a value are set
// and which parameter type is reported.
class TDateFillField : public TCustomFillField {
public:
    explicit TDateFillField(const KFillRecord& rec);

    bool GetReadyForFilling() const override;
    kvl::TVariant getInsertValue() override;
    void FillValues(std::span<kvl::TVariant> out, const TNullDraw& nulls) override;
    void prepareInsert() override;
    int GetFieldDatatype() const override;
    std::optional<kvl::TVariant> ValueFrom(const kvl::TVariant& low, bool strict) override;

    kvl::TDateTime Counter = 0;
    kvl::TDateTime DateFrom = 0; // first date of random values; date of the start of increasing values
    kvl::TDateTime DateTo = 0;
    kvl::TDateTime TimeFrom = 0; // earliest time of random values; time of the start of increasing values
    kvl::TDateTime TimeTo = 0;
    kvl::TDateTime StaticDate = 0;
    kvl::TDateTime StaticTime = 0;
    int64_t IncSeconds = 0;
    int64_t IncMinutes = 0;
    int64_t IncHours = 0;
    int64_t IncDays = 0;

private:
    bool DatePart = false;
    bool TimePart = false;
    double LinearFrom = 0; // DateFrom as a plain count of days
    double LinearSpan = 0; // days from DateFrom to the end of DateTo
    TRangeDraw parts_;     // linear days of the own range and RangeParts, when there are parts
    bool HasDatePart() const;
    bool HasTimePart() const;
    bool TryConvertRefValue(const std::string& text, kvl::TDateTime& value) const;
    kvl::TDateTime FixedValue() const;
    kvl::TDateTime RandomValue() const;
    double RandomDay() const;
    std::optional<kvl::TVariant> TimeAfter(const kvl::TVariant& low, bool strict) const;
    void AdvanceCounter();
};
