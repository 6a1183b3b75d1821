#pragma once
// The folder's shared test kit: a project on the recording engine for fill-field tests, with a
// fixed random seed so that the draws of one test are repeatable, and small file helpers.
#include "UTFillConstants.h"
#include "UTFillObject/EFillError.h"
#include "UTFillObject/TBlobFillField.h"
#include "UTFillObject/TBoolBitFillField.h"
#include "UTFillObject/TCustomFillField.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TGUIDFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillObject/TUnsupportedFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/DateTime.h"
#include "base/Exceptions.h"
#include "base/Random.h"
#include "base/SysUtils.h"
#include "base/Variant.h"
#include "kvl3_db/TestDatabases.h"
#include "support/RecordingEngine.h"
#include "uTFillStructureEngineVEX.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

class FillFieldTest : public ::testing::Test {
protected:
    FillFieldTest() {
        projects.SetStructureEngine(&engine);
        project = std::make_unique<TFillProject>(&projects);
        kvl::RandSeed(20261206);
    }

    KFillRecord Record(const std::string& type, int16_t scale = 0) {
        KFillRecord r;
        r.DataTypeName = type;
        r.ColumnName = "C";
        r.Scale = scale;
        r.Project = project.get();
        return r;
    }

    static std::vector<kvl::TVariant> Draw(TCustomFillField& field, int count) {
        std::vector<kvl::TVariant> values;
        values.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            values.push_back(field.getInsertValue());
        return values;
    }

    RecordingEngine engine;
    TFillProjects projects;
    std::unique_ptr<TFillProject> project;
};

// A random field of the column's class over the range; a date's days run through to midnight.
inline std::unique_ptr<TCustomFillField> RandomField(const KFillRecord& r, double from, double to) {
    auto f = CreateFillField(r);
    f->FillType = fillRandom;
    if (auto* i = dynamic_cast<TIntegerFillField*>(f.get())) {
        i->RangeFrom = static_cast<int32_t>(from);
        i->RangeTo = static_cast<int32_t>(to);
    } else if (auto* x = dynamic_cast<TFloatFillField*>(f.get())) {
        x->RangeFrom = from;
        x->RangeTo = to;
    } else if (auto* d = dynamic_cast<TDateFillField*>(f.get())) {
        d->DateFrom = from;
        d->DateTo = to;
        d->TimeFrom = 0;
        d->TimeTo = 86399.0 / 86400.0;
    }
    return f;
}

// The whole contents of a stream or a file.
inline std::string ReadAll(std::istream& in) {
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return ReadAll(in);
}

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() { std::filesystem::create_directories(path_); }
    ~TempFolder() { std::filesystem::remove_all(path_, ignored_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Writes the file and gives its path.
    std::string Write(const std::string& name, const std::string& contents) const {
        std::ofstream(Path(name), std::ios::binary) << contents;
        return Path(name);
    }
    void MakeFolder(const std::string& name) const { std::filesystem::create_directories(path_ / name); }
    std::string Path(const std::string& name = "") const {
        return name.empty() ? path_.string() : (path_ / name).string();
    }

private:
    inline static int serial_ = 0;
    std::filesystem::path path_ =
        std::filesystem::temp_directory_path() /
        ("tdg-test-" + std::to_string(::getpid()) + "-" + std::to_string(++serial_));
    std::error_code ignored_;
};

// The message of the exception of type E that the call throws.
template <class E, class Call> std::string MessageOf(Call&& call) {
    try {
        call();
    } catch (const E& e) {
        return e.what();
    }
    ADD_FAILURE() << "no exception";
    return {};
}
