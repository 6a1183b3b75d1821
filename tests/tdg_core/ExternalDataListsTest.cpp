#include "TextValuesSupport.h"

namespace {

using ExternalDataLists = TextFieldFixture;

TEST(ExternalDataListsNoHandler, AListWithoutHandlerStaysEmptyForGood) {
    TFillProjects projects;
    EXPECT_TRUE(projects.GetStreets().IsEmpty());
    int calls = 0;
    projects.OnExternalDataInit = [&](TExternalDataKind, kvl::TStringList& target) {
        ++calls;
        target.Add("late");
    };
    EXPECT_TRUE(projects.GetStreets().IsEmpty());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(projects.GetCities().Items(), std::vector<std::string>{"late"}) << "other kinds still load";
}

TEST_F(ExternalDataLists, PreparingAskesOnlyForTheKindsInUse) {
    auto phone = field(fillPhone);
    auto email = field(fillEmail);
    auto url = field(fillURL);
    auto last = field(fillLastNames);
    auto text = field(fillRandomText);
    for (auto* f : {phone.get(), email.get(), url.get(), last.get(), text.get()})
        f->prepareInsert();
    // a second run of the same fields reads the kept list again
    email->prepareInsert();
    EXPECT_EQ(asked, std::vector<TExternalDataKind>{xdLastNames});
    EXPECT_EQ(projects.Cities, nullptr);
    EXPECT_EQ(projects.Firstnames, nullptr);
}

// A list is asked for once and then shared, by the fields of every project.
TEST_F(ExternalDataLists, FieldsOfDifferentProjectsShareTheLists) {
    TFillProject other(&projects);
    KFillRecord r;
    r.DataTypeName = "Varchar";
    r.Project = &other;
    TTextFillField otherField(r);
    otherField.FillType = fillCities;
    otherField.prepareInsert();
    auto mine = field(fillCities);
    mine->prepareInsert();
    EXPECT_EQ(asked, std::vector<TExternalDataKind>{xdCities});
    EXPECT_EQ(mine->Values.Items(), words[xdCities]);
    EXPECT_EQ(&projects.GetCities(), &projects.GetCities());
    EXPECT_EQ(asked.size(), 1u);
}

// A list that cannot be read is logged once, in a line of its own kind, and not asked for again;
// its rows say so in the first run and are empty after, and the list itself stays empty.
TEST_F(ExternalDataLists, AListThatFailedIsLoggedOnceThenGivesEmptyTexts) {
    const std::vector<std::tuple<int32_t, TExternalDataKind, std::string, std::string>> kinds = {
        {fillAddresses, xdStreets, "Could not load the adress repostitory", "Guru Meditation \\d{1,3}"},
        {fillCities, xdCities, "Could not load the city repostitory", "Guru Meditation"},
        {fillCountries, xdCountries, "Could not load the country repostitory", "Guru Meditation"},
        {fillGenerator, xdFirstNames, "Could not load the first name repostitory", "Guru Meditation"},
        {fillLastNames, xdLastNames, "Could not load the last name repostitory", "Guru Meditation"},
    };
    for (const auto& [fillType, kind, line, shape] : kinds) {
        failing.insert(kind);
        project.Statistics.Log.Clear();
        auto f = field(fillType);
        for (const auto& s : texts(*f, 10))
            EXPECT_TRUE(std::regex_match(s, std::regex(shape))) << s;
        const std::vector<std::string> logged{"Error while preparing inserts:", line, ""};
        EXPECT_EQ(project.Statistics.Log.Items(), logged);
        for (const auto& s : texts(*f, 3))
            EXPECT_EQ(s, "") << line;
        EXPECT_EQ(project.Statistics.Log.Items(), logged) << "nothing new is logged";
        EXPECT_EQ(asked.back(), kind);
    }
    EXPECT_TRUE(projects.GetCities().IsEmpty());
    EXPECT_EQ(asked,
              (std::vector<TExternalDataKind>{xdStreets, xdCities, xdCountries, xdFirstNames, xdLastNames}));
}

TEST_F(ExternalDataLists, FullNamesWithoutLastNamesFailEveryRow) {
    failing.insert(xdLastNames);
    auto f = field(fillFullNames);
    f->prepareInsert();
    ASSERT_EQ(project.Statistics.Log.Count(), 3);
    EXPECT_EQ(project.Statistics.Log[1], "Could not load the first name repostitory");
    EXPECT_EQ(f->Values.Count(), static_cast<int>(words[xdFirstNames].size()) + 1);
    EXPECT_EQ(f->Values[f->Values.Count() - 1], "Guru Meditation");
    EXPECT_THROW(f->getInsertValue(), kvl::EListError);
}

} // namespace
