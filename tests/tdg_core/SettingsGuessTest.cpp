#include "uSettingsGuess.h"

#include "UTFillConstants.h"
#include "UTFillObject/TTextFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "support/RecordingEngine.h"

#include <gtest/gtest.h>

namespace {

TEST(SettingsGuessTest, ColumnNamesAreReadAsWordsWhateverTheirSpelling) {
    const std::pair<const char*, const char*> cases[] = {
        {"first name", "first_name"},
        {"FirstName", "first_name"},
        {"FIRST_NAME", "first_name"},
        {"firstName", "first_name"},
        {"billing_first_name", "first_name"},
        {"ShippingCity", "city"},
        {"HTTPServerURL", "http_server_url"},
        {"address1", "address1"},
        {"e-mail", "e_mail"},
        {"billing", "billing"},
        {"  ", ""},
        {"Line2Text", "line2_text"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(NormalisedColumnName(name), expected) << name;
}

TEST(SettingsGuessTest, TextOfNoKnownMeaningGetsRandomLengthsAsANewFieldOfItsSizeHasThem) {
    RecordingEngine engine;
    engine.AddTable("T",
                    {{"zq", "Varchar", true, 0}, {"zr", "Varchar", true, 40}, {"zs", "Varchar", true, 3}});
    TFillProjects projects;
    projects.SetStructureEngine(&engine);
    projects.CreateStructure();
    GuessSettings(projects);
    struct Expected {
        int32_t From, To;
    };
    // without a size as a new field has it; with one, short words within it
    const Expected expected[] = {{1, 255}, {5, 20}, {3, 3}};
    auto& fields = projects.getFillProject(0)->GetFillFields();
    for (size_t i = 0; i < std::size(expected); ++i) {
        auto& f = dynamic_cast<TTextFillField&>(*fields[i]);
        EXPECT_EQ(f.FillType, fillRandomText) << f.ColumnName;
        EXPECT_EQ(f.LengthFrom, expected[i].From) << f.ColumnName;
        EXPECT_EQ(f.LengthTo, expected[i].To) << f.ColumnName;
    }
    KFillRecord unbounded;
    unbounded.DataTypeName = "Varchar";
    TTextFillField fresh(unbounded);
    EXPECT_EQ(fresh.LengthFrom, expected[0].From);
    EXPECT_EQ(fresh.LengthTo, expected[0].To);
    projects.SetStructureEngine(nullptr);
}

} // namespace
