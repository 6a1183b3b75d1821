// Values per second of the generators that the demo leans on, made through the fill fields as
// a run makes them, a block of rows at a time: full names, e-mail addresses, integers and
// date-times, and beside them reals and GUIDs. Prints "<kind> <values per second> <a sample>";
// bench/run.sh sets the first four kinds from @faker-js/faker beside them.
#include "ExternalData/ExternalDataReader.h"
#include "UTFillConstants.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TGUIDFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "UTFillProjects/TFillRowBlock.h"
#include "base/DateTime.h"
#include "base/Random.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

// One block's worth of rows, without NULLs, as the run asks a column for them.
size_t fillBlocks(TCustomFillField& field, std::vector<kvl::TVariant>& block, long values) {
    size_t made = 0;
    for (long done = 0; done < values; done += TFillRowBlock::Rows) {
        field.FillValues(block, TNullDraw{});
        made += block.back().IsNull() ? 0 : 1;
    }
    return made;
}

void rate(const char* kind, TCustomFillField& field, long count) {
    field.prepareInsert();
    std::vector<kvl::TVariant> block(TFillRowBlock::Rows);
    const long blocks = (count + TFillRowBlock::Rows - 1) / TFillRowBlock::Rows;
    const long values = blocks * TFillRowBlock::Rows;
    // a tenth as many first, unmeasured, as faker_rates.mjs does for its compiler
    sink = sink + fillBlocks(field, block, values / 10);
    // The fastest kinds make a million values in a millisecond: the count is made again until a
    // fifth of a second has passed, so that the clock's grain and a passing stall weigh little.
    const auto start = std::chrono::steady_clock::now();
    double s = 0;
    long made = 0;
    do {
        sink = sink + fillBlocks(field, block, values);
        made += values;
        s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    } while (s < 0.2);
    // a sample on the side shows that real values were made, not a placeholder of a failed list
    std::printf("%s %.0f %s\n", kind, static_cast<double>(made) / s, block.front().AsString().c_str());
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

    TFloatFillField reals(record(project, "Double Precision"));
    reals.FillType = fillRandom;
    reals.RangeFrom = -1000;
    reals.RangeTo = 1000;
    rate("reals", reals, count);

    TGUIDFillField guids(record(project, "GUID"));
    guids.FillType = fillGUID;
    rate("guids", guids, count);
    return 0;
}
