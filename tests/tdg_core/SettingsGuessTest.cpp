#include "uSettingsGuess.h"

#include "ExternalData/ExternalDataReader.h"
#include "FillFieldTestKit.h"

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
    projects.SetStructureEngine(nullptr);
}

// The word lists give the values; without them, or when one cannot be read, our own small lists do.
TEST(SettingsGuessTest, StatesCompaniesJobsAndSentencesComeFromTheWordListsElseFromOurOwn) {
    RecordingEngine engine;
    engine.AddTable("T", {{"state", "Varchar", true, 40},
                          {"company", "Varchar", true, 40},
                          {"job_title", "Varchar", true, 40},
                          {"title", "Varchar", true, 40},
                          {"description", "Varchar", true, 400}});
    const std::map<TExternalDataKind, std::string> entry = {{xdStates, "Bavaria"},
                                                            {xdCompanies, "Abbott LLC"},
                                                            {xdJobTitles, "Lead Data Agent"},
                                                            {xdWords, "abacus"}};
    const std::vector<TExternalDataKind> eachOnce = {xdStates, xdCompanies, xdJobTitles, xdWords};
    enum class Lists { Read, Missing, NoLoader };
    for (Lists lists : {Lists::Read, Lists::Missing, Lists::NoLoader}) {
        TFillProjects projects;
        projects.SetStructureEngine(&engine);
        projects.CreateStructure();
        std::vector<TExternalDataKind> asked;
        if (lists != Lists::NoLoader)
            projects.OnExternalDataInit = [&](TExternalDataKind kind, kvl::TStringList& target) {
                asked.push_back(kind);
                if (lists == Lists::Missing) throw tdg::EExternalDataMissing("the archive is missing");
                target.Add(entry.at(kind));
            };
        GuessSettings(projects);
        const std::vector<TExternalDataKind> kinds = {xdStates, xdCompanies, xdJobTitles, xdWords, xdWords};
        auto& fields = projects.getFillProject(0)->GetFillFields();
        for (size_t i = 0; i < kinds.size(); ++i) {
            const auto& f = *fields[i];
            ASSERT_EQ(f.FillType, fillList) << f.ColumnName;
            ASSERT_FALSE(f.ListValues.IsEmpty()) << f.ColumnName;
            const bool fromList =
                kvl::LowerCase(f.ListValues[0]).find(kvl::LowerCase(entry.at(kinds[i]))) != std::string::npos;
            EXPECT_EQ(fromList, lists == Lists::Read) << f.ColumnName << ": " << f.ListValues[0];
        }
        EXPECT_EQ(asked, lists == Lists::NoLoader ? std::vector<TExternalDataKind>{} : eachOnce);
        projects.SetStructureEngine(nullptr);
    }
}

} // namespace
