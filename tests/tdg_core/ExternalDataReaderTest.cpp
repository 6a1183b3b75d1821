#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "ExternalData/ExternalDataPasswords.h"
#include "ExternalData/ExternalDataReader.h"
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

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

struct ShippedList {
    const char* Name; // archive and member name without extension
    int PasswordIndex;
    int MinEntries;
    const char* KnownEntry;
};

void PrintTo(const ShippedList& list, std::ostream* os) {
    *os << list.Name;
}

class ShippedArchiveTest : public testing::TestWithParam<ShippedList> {};

TEST_P(ShippedArchiveTest, OpensWithTheProgramsPasswordAndMatchesThePlainList) {
    const ShippedList& p = GetParam();
    const std::string dir = shippedDataDir();
    kvl::TStringList words;
    tdg::LoadExternalData(dir, std::string(p.Name) + ".qdz", std::string(p.Name) + ".txt",
                          std::string(TDG_EXTERNALDATA_PASSWORDS[static_cast<size_t>(p.PasswordIndex)]),
                          words);

    EXPECT_GE(words.Count(), p.MinEntries);
    EXPECT_GE(words.IndexOf(p.KnownEntry), 0) << p.KnownEntry;
    for (const auto& w : words)
        ASSERT_FALSE(w.empty());

    // The archive must have been rebuilt from the committed list, not left behind by an edit.
    kvl::TStringList plain;
    plain.LoadFromFile(dir + "wordlists/" + p.Name + ".txt");
    EXPECT_TRUE(words == plain);
}

INSTANTIATE_TEST_SUITE_P(ExternalData, ShippedArchiveTest,
                         testing::Values(ShippedList{"Cities", 0, 1000, "Berlin"},
                                         ShippedList{"Countries", 1, 200, "Germany"},
                                         ShippedList{"Firstnames", 2, 1000, "Mary"},
                                         ShippedList{"Lastnames", 3, 1000, "Smith"},
                                         ShippedList{"Streets", 4, 1000, "Abbey Road"}),
                         [](const auto& info) { return std::string(info.param.Name); });

// A private folder with a copy of the countries archive, the smallest one.
class ExternalDataFailureTest : public testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = fs::temp_directory_path() / ("tdg_external_" + std::to_string(rd()));
        fs::create_directories(dir_);
        archive_ = readFile(shippedDataDir() + "Countries.qdz");
        ASSERT_GT(archive_.size(), 200u);
        target_.Add("kept");
        target_.Add("as it was");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string dataDir() const { return dir_.string() + "/"; }
    std::string path(const char* file) const { return (dir_ / file).string(); }
    std::string password() const { return std::string(TDG_EXTERNALDATA_PASSWORDS[1]); }

    void load(const char* file, const std::string& member, const std::string& pw) {
        tdg::LoadExternalData(dataDir(), file, member, pw, target_);
    }

    // Runs load and returns its failure, checking that it names the file and left the list alone.
    template <class E>
    std::string expectFailure(const char* file, const std::string& member, const std::string& pw) {
        try {
            load(file, member, pw);
        } catch (const E& e) {
            EXPECT_NE(e.Message().find(path(file)), std::string::npos) << e.Message();
            EXPECT_EQ(target_.Items(), (std::vector<std::string>{"kept", "as it was"}));
            return e.Message();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "other exception: " << e.what();
            return {};
        }
        ADD_FAILURE() << "no exception";
        return {};
    }

    fs::path dir_;
    std::string archive_;
    kvl::TStringList target_;
};

TEST_F(ExternalDataFailureTest, LoadReplacesTheListsEarlierContent) {
    writeFile(dir_ / "Countries.qdz", archive_);
    load("Countries.qdz", "Countries.txt", password());
    EXPECT_EQ(target_.IndexOf("kept"), -1);
    EXPECT_EQ(target_.Get(0), "Afghanistan");
}

TEST_F(ExternalDataFailureTest, MissingArchive) {
    std::string msg = expectFailure<tdg::EExternalDataMissing>("Countries.qdz", "Countries.txt", password());
    EXPECT_EQ(msg, "The data file \"" + path("Countries.qdz") + "\" does not exist.");
}

TEST_F(ExternalDataFailureTest, WrongOrNoPassword) {
    writeFile(dir_ / "Countries.qdz", archive_);
    std::string msg =
        expectFailure<tdg::EExternalDataWrongPassword>("Countries.qdz", "Countries.txt", password() + "x");
    EXPECT_NE(msg.find("\"Countries.txt\""), std::string::npos) << msg;
    expectFailure<tdg::EExternalDataWrongPassword>("Countries.qdz", "Countries.txt", "");
    // Another list's password is a realistic mistake.
    expectFailure<tdg::EExternalDataWrongPassword>("Countries.qdz", "Countries.txt",
                                                   std::string(TDG_EXTERNALDATA_PASSWORDS[0]));
}

TEST_F(ExternalDataFailureTest, MissingMember) {
    writeFile(dir_ / "Countries.qdz", archive_);
    std::string msg = expectFailure<tdg::EExternalDataNoMember>("Countries.qdz", "Cities.txt", password());
    EXPECT_NE(msg.find("\"Cities.txt\""), std::string::npos) << msg;
    // Member names are matched exactly.
    expectFailure<tdg::EExternalDataNoMember>("Countries.qdz", "countries.txt", password());
}

TEST_F(ExternalDataFailureTest, FileThatIsNoZipArchive) {
    writeFile(dir_ / "Countries.qdz", "Germany\nFrance\n");
    expectFailure<tdg::EExternalDataCorrupt>("Countries.qdz", "Countries.txt", password());
    writeFile(dir_ / "Countries.qdz", "");
    expectFailure<tdg::EExternalDataCorrupt>("Countries.qdz", "Countries.txt", password());
}

TEST_F(ExternalDataFailureTest, TruncatedArchive) {
    for (size_t keep : {archive_.size() / 2, archive_.size() - 10}) {
        writeFile(dir_ / "Countries.qdz", archive_.substr(0, keep));
        expectFailure<tdg::EExternalDataCorrupt>("Countries.qdz", "Countries.txt", password());
    }
}

TEST_F(ExternalDataFailureTest, DamagedMemberData) {
    // A flipped byte in the middle of the encrypted data is caught by the member's authentication
    // code once the member has been read, so nothing of it may reach the list.
    std::string damaged = archive_;
    damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x40);
    writeFile(dir_ / "Countries.qdz", damaged);
    expectFailure<tdg::EExternalDataCorrupt>("Countries.qdz", "Countries.txt", password());
}

TEST_F(ExternalDataFailureTest, FolderInPlaceOfTheArchive) {
    fs::create_directories(dir_ / "Countries.qdz");
    std::string msg = expectFailure<tdg::EExternalDataError>("Countries.qdz", "Countries.txt", password());
    EXPECT_EQ(msg, "The data file \"" + path("Countries.qdz") + "\" is a folder.");
}

} // namespace
