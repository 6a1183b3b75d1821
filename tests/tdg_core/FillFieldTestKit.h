#pragma once
// A project on the recording engine for fill-field tests, with a fixed random seed so that the
// draws of one test are repeatable.
#include "support/RecordingEngine.h"

#include "UTFillObject/TCustomFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "base/Random.h"
#include "base/Variant.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
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
