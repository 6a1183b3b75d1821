#include "FillFieldTestKit.h"

#include <cstdlib>

#include "ExternalData/ExternalDataPasswords.h"
#include "ExternalData/ExternalDataReader.h"
#include "UTFillProjects/Events.h"
#include "base/Usettings.h"

namespace fs = std::filesystem;
using tdg::TDG_EXTERNALDATA_PASSWORDS;

namespace {

// ctest passes the shipped data folder; a test binary started by hand finds it next to the
// sources.
std::string shippedDataDir() {
    if (const char* dir = std::getenv("TDG_DATA_DIR"); dir && *dir)
        return kvl::IncludeTrailingPathDelimiter(dir);
    return (fs::path(__FILE__).parent_path() / ".." / ".." / "data").lexically_normal().string() + "/";
}

struct ShippedList {
    TExternalDataKind Kind;
    int MinEntries;
    const char* KnownEntry;
};

void PrintTo(const ShippedList& list, std::ostream* os) {
    *os << TDG_EXTERNALDATA_ZIPPEDNAME[list.Kind];
}

class ShippedArchiveTest : public testing::TestWithParam<ShippedList> {};

// Each kind's archive, member and password, as the program names them.
TEST_P(ShippedArchiveTest, OpensWithTheProgramsPasswordAndMatchesThePlainList) {
    const ShippedList& p = GetParam();
    const std::string dir = shippedDataDir();
    const std::string member(TDG_EXTERNALDATA_ZIPPEDNAME[p.Kind]);
    kvl::TStringList words;
    words.Add("left from before");
    tdg::LoadExternalData(dir, std::string(TDG_EXTERNALDATA_FILENAMES[p.Kind]), member,
                          std::string(TDG_EXTERNALDATA_PASSWORDS[p.Kind]), words);

    EXPECT_GE(words.Count(), p.MinEntries);
    EXPECT_GE(words.IndexOf(p.KnownEntry), 0) << p.KnownEntry;
    for (const auto& w : words)
        ASSERT_FALSE(w.empty());

    // The archive must have been rebuilt from the committed list, not left behind by an edit; the
    // list's earlier content is gone.
    kvl::TStringList plain;
    plain.LoadFromFile(dir + "wordlists/" + member);
    EXPECT_TRUE(words == plain);
}

INSTANTIATE_TEST_SUITE_P(
    ExternalData, ShippedArchiveTest,
    testing::Values(ShippedList{xdCities, 1000, "Berlin"}, ShippedList{xdCountries, 200, "Norway"},
                    ShippedList{xdFirstNames, 1000, "Mary"}, ShippedList{xdLastNames, 1000, "Smith"},
                    ShippedList{xdStreets, 1000, "Abbey Road"}, ShippedList{xdStates, 1000, "Ontario"},
                    ShippedList{xdCompanies, 1000, "Abbott LLC"},
                    ShippedList{xdJobTitles, 10000, "Lead Data Agent"},
                    ShippedList{xdWords, 1000, "abacus"}));

template <class E> bool isA(const std::exception& e) {
    return dynamic_cast<const E*>(&e) != nullptr;
}

// Every failure names the file and leaves the list as it was. A flipped byte in the middle of the
// encrypted data is caught by the member's authentication code once the member has been read.
// The archive is a copy of the countries list, the smallest one, in a private folder.
TEST(ExternalDataFailure, FailuresNameTheFileAndLeaveTheListAlone) {
    using Is = bool (*)(const std::exception&);
    TempFolder folder;
    const std::string archive = ReadFile(shippedDataDir() + "Countries.qdz");
    ASSERT_GT(archive.size(), 200u);
    kvl::TStringList target;
    target.Add("kept");
    target.Add("as it was");
    std::string flipped = archive;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x40);
    const std::string missing = "(missing)", isFolder = "(folder)", own(TDG_EXTERNALDATA_PASSWORDS[1]);
    const std::string path = folder.Path("Countries.qdz"), file = "\"" + path + "\"";
    struct Case {
        std::string bytes, member, password;
        Is is;
        std::string message;
    };
    const Case cases[] = {
        {missing, "Countries.txt", own, isA<tdg::EExternalDataMissing>,
         "The data file " + file + " does not exist."},
        {isFolder, "Countries.txt", own, isA<tdg::EExternalDataError>,
         "The data file " + file + " is a folder."},
        {archive, "Countries.txt", own + "x", isA<tdg::EExternalDataWrongPassword>, "\"Countries.txt\""},
        {archive, "Countries.txt", "", isA<tdg::EExternalDataWrongPassword>, ""},
        // another list's password is a realistic mistake
        {archive, "Countries.txt", std::string(TDG_EXTERNALDATA_PASSWORDS[0]),
         isA<tdg::EExternalDataWrongPassword>, ""},
        {archive, "Cities.txt", own, isA<tdg::EExternalDataNoMember>, "\"Cities.txt\""},
        {archive, "countries.txt", own, isA<tdg::EExternalDataNoMember>, ""}, // names match exactly
        {"Germany\nFrance\n", "Countries.txt", own, isA<tdg::EExternalDataCorrupt>, ""},
        {"", "Countries.txt", own, isA<tdg::EExternalDataCorrupt>, ""},
        {archive.substr(0, archive.size() / 2), "Countries.txt", own, isA<tdg::EExternalDataCorrupt>, ""},
        {archive.substr(0, archive.size() - 10), "Countries.txt", own, isA<tdg::EExternalDataCorrupt>, ""},
        {flipped, "Countries.txt", own, isA<tdg::EExternalDataCorrupt>, ""},
    };
    for (size_t k = 0; k < std::size(cases); ++k) {
        const Case& c = cases[k];
        SCOPED_TRACE(k);
        fs::remove_all(path);
        if (c.bytes == isFolder)
            folder.MakeFolder("Countries.qdz");
        else if (c.bytes != missing)
            folder.Write("Countries.qdz", c.bytes);
        try {
            tdg::LoadExternalData(folder.Path() + "/", "Countries.qdz", c.member, c.password, target);
            ADD_FAILURE() << "no exception";
        } catch (const tdg::EExternalDataError& e) {
            EXPECT_TRUE(c.is(e)) << e.Message();
            EXPECT_NE(e.Message().find(file), std::string::npos) << e.Message();
            EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.Message();
        }
        EXPECT_EQ(target.Items(), (std::vector<std::string>{"kept", "as it was"}));
    }
}

} // namespace
