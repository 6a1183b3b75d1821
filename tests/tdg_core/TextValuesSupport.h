#pragma once
// A text field inside a project set whose word lists come from small in-memory lists, with a
// record of which lists were asked for.
#include "FillFieldTestKit.h"

class TextFieldFixture : public ::testing::Test {
protected:
    void SetUp() override {
        kvl::RandSeed(20261206);
        projects.OnExternalDataInit = [this](TExternalDataKind kind, kvl::TStringList& target) {
            asked.push_back(kind);
            if (failing.count(kind)) throw kvl::EFileError("The data file is damaged.");
            for (const auto& w : words[kind])
                target.Add(w);
        };
    }

    std::unique_ptr<TTextFillField> field(int32_t fillType, int32_t size = 40,
                                          const std::string& type = "Varchar") {
        KFillRecord r;
        r.DataTypeName = type;
        r.ColumnName = "C";
        r.Size = size;
        r.Project = &project;
        auto f = std::make_unique<TTextFillField>(r);
        f->FillType = fillType;
        return f;
    }

    // Prepares the field and collects the texts of that many rows.
    static std::vector<std::string> texts(TTextFillField& f, int rows) {
        f.prepareInsert();
        std::vector<std::string> out;
        for (int i = 0; i < rows; ++i) {
            kvl::TVariant v = f.getInsertValue();
            EXPECT_EQ(v.GetKind(), kvl::TVariant::Kind::String);
            out.push_back(v.AsString());
        }
        return out;
    }

    std::map<TExternalDataKind, std::vector<std::string>> words = {
        {xdCities, {"Springfield", "Lakeside", "Oakham"}},
        {xdCountries, {"Norway", "Chile", "Kenya"}},
        {xdFirstNames, {"Anna", "Ben", "Carla", "Dmitri"}},
        {xdLastNames, {"Miller", "Ortiz", "Novak", "Sato"}},
        {xdStreets, {"Elm Street", "Main Road", "Harbour Lane"}},
    };
    std::set<TExternalDataKind> failing;
    std::vector<TExternalDataKind> asked;
    TFillProjects projects;
    TFillProject project{&projects};
};
