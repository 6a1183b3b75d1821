// Values per second of the generators that the demo leans on, made through the fill fields as
// a run makes them: full names, e-mail addresses, integers and date-times. Prints
// "<kind> <values per second>"; bench/run.sh sets the same kinds from @faker-js/faker beside them.
#include "ExternalData/ExternalDataReader.h"
#include "UTFillConstants.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/DateTime.h"
#include "base/Random.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

KFillRecord record(TFillProject& project, const char* type) {
    KFillRecord r;
    r.DataTypeName = type;
    r.Size = 80;
    r.Project = &project;
    return r;
}

// The volatile sink keeps the values from being optimised away.
volatile size_t sink = 0;

void rate(const char* kind, TCustomFillField& field, long count) {
    field.prepareInsert();
    // a tenth as many first, unmeasured, as faker_rates.mjs does for its compiler
    for (long i = 0; i < count / 10; ++i)
        sink = sink + (field.getInsertValue().IsNull() ? 0 : 1);
    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < count; ++i) {
        kvl::TVariant v = field.getInsertValue();
        sink = sink + (v.IsNull() ? 0 : 1);
    }
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // a sample on the side shows that real values were made, not a placeholder of a failed list
    std::printf("%s %.0f %s\n", kind, static_cast<double>(count) / s,
                field.getInsertValue().AsString().c_str());
}

} // namespace

int main(int argc, char** argv) {
    long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    const char* dataDir = std::getenv("TDG_DATA_DIR");
    std::string dir = dataDir && *dataDir ? dataDir : TDG_BENCH_DATA_DIR;
    TFillProjects projects;
    projects.OnExternalDataInit = [&](TExternalDataKind kind, kvl::TStringList& target) {
        tdg::LoadExternalData(dir, std::string(TDG_EXTERNALDATA_FILENAMES[kind]),
                              std::string(TDG_EXTERNALDATA_ZIPPEDNAME[kind]),
                              std::string(TDG_EXTERNALDATA_PASSWORDS[kind]), target);
    };
    TFillProject project(&projects);
    // draws from a generator of the thread's own, as a run makes them
    kvl::TRandomGenerator generator(1);
    kvl::TRandomScope scope(generator);

    TTextFillField names(record(project, "Varchar"));
    names.FillType = fillFullNames;
    rate("names", names, count);

    TTextFillField emails(record(project, "Varchar"));
    emails.FillType = fillEmail;
    rate("emails", emails, count);

    TIntegerFillField integers(record(project, "Integer"));
    integers.FillType = fillRandom;
    integers.RangeFrom = 1;
    integers.RangeTo = 1000;
    rate("integers", integers, count);

    TDateFillField dates(record(project, "DateTime"));
    dates.FillType = fillRandom;
    dates.DateFrom = kvl::EncodeDate(2015, 1, 1);
    dates.DateTo = kvl::EncodeDate(2025, 12, 31);
    dates.TimeFrom = 0;
    dates.TimeTo = 86399.0 / 86400.0;
    rate("dates", dates, count);
    return 0;
}
