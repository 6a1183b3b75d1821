// Files of the user's that are damaged, enormous, unreadable or in the wrong encoding: each
// ends with a message that names the file, and neither the settings in memory nor the
// database change.
#include "FillKit.h"
#include "TestDatabases.h"
#include "UTFillConstants.h"
#include "UTFillObject/TBlobFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "base/Exceptions.h"

#include <gmock/gmock.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace kvl::test {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

void WriteAll(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

class BadFilesTest : public testing::Test {
protected:
    void SetUp() override {
        db_ = std::make_unique<TTestDatabase>(Engine::SQLite);
        conn_ = db_->Open();
        conn_->ExecuteCommand("CUSTOM", "create table items (id integer, name varchar(40), picture blob)");
        fill_ = std::make_unique<TEngineFill>(*conn_);
        auto& id = fill_->FieldAs<TIntegerFillField>("items", "id", fillIncreasing);
        id.RangeFrom = 1;
        id.StaticValue = 1;
        id.ListValues.Add("0"); // what every preparation puts into an empty list anyway
        fill_->FieldAs<TTextFillField>("items", "name", fillFixed).StaticValue = "kept";
        fill_->Rows("items", 10, 5);
    }
    void TearDown() override {
        for (const auto& path : made_)
            fs::remove_all(path);
    }

    std::string Made(const std::string& name) {
        made_.push_back(TempPath(name));
        return made_.back();
    }

    // The settings of every project, as the project file would keep them.
    std::string Settings() {
        const std::string path = Made("snapshot.tdg");
        fill_->Projects.SaveToFile(path);
        return ReadAll(path);
    }

    int Rows() { return CountRows(db_->ConnectionString(), "items"); }

    // Permission bits do not stop root: as root, the run reads the files as the user nobody, who
    // owns them. The database connection was opened before, and its journal goes into the
    // world-writable temporary folder.
    std::string runAsNobody() {
        const bool root = geteuid() == 0;
        if (root && seteuid(65534) != 0) ADD_FAILURE() << "cannot become the user nobody";
        const std::string message = fill_->Run();
        if (root && seteuid(0) != 0) std::abort();
        return message;
    }

    void ExpectProjectFileRefused(const std::string& content, const std::string& words) {
        const std::string before = Settings();
        const std::string path = Made("bad.tdg");
        WriteAll(path, content);
        try {
            fill_->Projects.LoadFromFile(path);
            ADD_FAILURE() << "a bad project file was taken: " << words;
        } catch (const Exception& e) {
            EXPECT_THAT(e.what(), HasSubstr(words));
        }
        EXPECT_EQ(Settings(), before);
    }

    std::unique_ptr<TTestDatabase> db_;
    std::unique_ptr<TKVL_Connection> conn_;
    std::unique_ptr<TEngineFill> fill_;
    std::vector<std::string> made_;
};

TEST_F(BadFilesTest, ProjectFilesThatAreDamagedBinaryOrHugeChangeNothing) {
    const std::string xml = Settings();
    // the settings the file would bring, so that a wrongly taken file would show
    fill_->Project("items").Rows = 77;

    std::mt19937 bytes(20261206);
    std::string binary(64 * 1024, '\0');
    for (char& c : binary)
        c = static_cast<char>(bytes());
    ExpectProjectFileRefused(binary, "no well-formed XML");

    // Forty megabytes: a root and one table with an endless list of values that is never closed.
    std::string huge = xml.substr(0, xml.find("<TABLE_PROJECTS>")) + "<TABLE_PROJECTS><TABLE NAME=\"items\">";
    huge += std::string(40 * 1024 * 1024, 'x');
    ExpectProjectFileRefused(huge, "no well-formed XML");
    // Nesting a hundred thousand levels deep, well formed, in the wrong place.
    std::string opening, closing;
    for (int i = 0; i < 100000; ++i) {
        opening += "<A>";
        closing += "</A>";
    }
    ExpectProjectFileRefused("<TEST_DATA_GENERATOR><TABLE_PROJECTS>" + opening + closing +
                                 "</TABLE_PROJECTS></TEST_DATA_GENERATOR>",
                             "the attribute \"NAME\" is missing");

    const std::string folder = Made("a-folder.tdg");
    fs::create_directories(folder);
    const std::string before = Settings();
    EXPECT_THROW(fill_->Projects.LoadFromFile(folder), Exception);
    EXPECT_EQ(Settings(), before);
}

// Value and mask files come from any editor: a byte-order mark is dropped, Latin-1 is converted
// and the log says so once, whatever the mask makes of the file.
TEST_F(BadFilesTest, ValueAndMaskFilesInAnotherEncodingGiveTheirWords) {
    struct Case {
        const char* file;
        std::string bytes;
        bool latin1;
    };
    const std::string words = "Stra\u00DFe\r\nK\u00F6ln\r\n", latin1 = "Stra\xDF\x65\r\nK\xF6ln\r\n";
    const std::string a = "'Stra\u00DFe'", b = "'K\u00F6ln'";
    for (const Case& c : {Case{"bom.txt", "\xEF\xBB\xBF" + words, false}, Case{"latin1.txt", latin1, true}}) {
        const std::string path = Made(c.file);
        WriteAll(path, c.bytes);
        for (const bool masked : {false, true}) {
            SCOPED_TRACE(std::string(c.file) + (masked ? " as a mask file" : " as a value file"));
            auto& name = fill_->FieldAs<TTextFillField>("items", "name", masked ? fillMasked : fillRandom);
            name.FileName = path;
            name.Mask = "{F:" + path + "}[|]{F:" + path + "}";
            conn_->ExecuteCommand("CUSTOM", "delete from items");
            ASSERT_EQ(fill_->Run(), "");
            EXPECT_EQ(Rows(), 10);
            const std::string expected = masked ? a + "||'|'||" + a + ", " + a + "||'|'||" + b + ", " + b +
                                                      "||'|'||" + a + ", " + b + "||'|'||" + b
                                                : a + ", " + b;
            EXPECT_EQ(CountRows(db_->ConnectionString(), "items where name not in (" + expected + ")"), 0);
            const TStringList& log = fill_->Project("items").Statistics.Log;
            int notices = 0;
            for (const auto& line : log)
                notices += line.find("is no UTF-8 text; it was read as Latin-1") != std::string::npos;
            EXPECT_EQ(notices, c.latin1 ? 1 : 0) << log.Text();
            if (c.latin1) EXPECT_THAT(log.Text(), HasSubstr(path));
        }
    }
}

// A value file in units of sixteen bits, a blob folder that cannot be listed or entered: the
// table ends before any row, with the file's name in the message.
TEST_F(BadFilesTest, FilesThatCannotBeReadEndTheTableBeforeAnyRow) {
    const std::string utf16 = Made("utf16.txt"), folder = Made("pictures");
    WriteAll(utf16, std::string("\xFF\xFE"
                                "A\0B\0\r\0\n\0",
                                10));
    fs::create_directories(folder);
    WriteAll(folder + "/one.png", "PNG");
    if (geteuid() == 0) // the owner's bits are the ones that count for the reader
        for (const std::string& path : {folder, folder + "/one.png"})
            ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    fill_->FieldAs<TBlobFillField>("items", "picture", fillRandom).Directory = folder;
    struct Case {
        int nameFill;
        fs::perms locked;
        std::vector<std::string> words;
    };
    const Case cases[] = {{fillRandom, fs::perms::owner_all, {"\"name\"", utf16, "UTF-8"}},
                          {fillFixed, fs::perms::none, {"pictures"}},
                          {fillFixed, fs::perms::owner_exec, {"pictures"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words.front());
        fill_->FieldAs<TTextFillField>("items", "name", c.nameFill).FileName = utf16;
        fs::permissions(folder, c.locked);
        const std::string before = Settings();
        const std::string message = runAsNobody();
        fs::permissions(folder, fs::perms::owner_all);
        EXPECT_THAT(message, HasSubstr("Error during project: items"));
        for (const std::string& word : c.words)
            EXPECT_THAT(message, HasSubstr(word));
        EXPECT_EQ(Settings(), before);
        EXPECT_EQ(Rows(), 0);
    }
    // A readable folder whose only file cannot be read: every row fails on the empty choice and
    // is logged, so nothing goes in either.
    fs::permissions(folder + "/one.png", fs::perms::none);
    EXPECT_EQ(runAsNobody(), "");
    EXPECT_EQ(fill_->Project("items").Statistics.ErrorCount, 10);
    EXPECT_EQ(Rows(), 0);
}

} // namespace
} // namespace kvl::test
