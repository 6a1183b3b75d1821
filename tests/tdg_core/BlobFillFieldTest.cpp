#include "FillFieldTestKit.h"

namespace {

class BlobFillFieldTest : public FillFieldTest {
protected:
    std::set<std::string> ContentsDrawn(TBlobFillField& f, int count) {
        std::set<std::string> seen;
        for (int i = 0; i < count; ++i)
            seen.insert(ReadAll(f.getInsertBlobValue()));
        return seen;
    }

    TempFolder folder;
};

TEST_F(BlobFillFieldTest, SingleFileIsLoadedOnceAndServedFromItsStart) {
    TBlobFillField f(Record("Blob"));
    f.FillType = fillFixed;
    f.FileName = folder.Write("one.bin", std::string("a\0b", 3));
    EXPECT_TRUE(f.GetReadyForFilling());
    f.prepareInsert();
    ASSERT_EQ(f.Streams.size(), 1u);
    EXPECT_EQ(ReadAll(f.getInsertBlobValue()), std::string("a\0b", 3));
    // a caller that forgot to rewind still gets the whole contents
    EXPECT_EQ(ReadAll(f.getInsertBlobValue()), std::string("a\0b", 3));
    EXPECT_TRUE(f.getInsertValue().IsEmpty());
    f.unprepareInsert();
    EXPECT_TRUE(f.Streams.empty());
}

// Without anything to read the column is switched off, and no referential values are read.
TEST_F(BlobFillFieldTest, NothingToReadSwitchesTheColumnOff) {
    folder.Write("a.txt", "x");
    struct Case {
        int32_t code;
        std::string name, directory, filter, listed;
    };
    const Case cases[] = {{fillFixed, folder.Path() + "/missing.bin", "", "*.*", ""},
                          {fillFixed, folder.Path(), "", "*.*", ""}, // a folder is no file
                          {fillRandom, "", folder.Path(), "*.png", ""},
                          {fillRandom, "", folder.Path() + "/nowhere", "*.*", ""},
                          {fillRandom, "", "", "*.*", ""},
                          {fillList, "", "", "*.*", ""},
                          {fillList, "", "", "*.*", folder.Path() + "/gone"},
                          {fillReferential, "", "", "*.*", ""},
                          {fillGenerator, "", "", "*.*", ""}};
    for (const Case& c : cases) {
        TBlobFillField f(Record("Blob"));
        f.FillType = c.code;
        f.FileName = c.name;
        f.Directory = c.directory;
        f.FileFilter = c.filter;
        if (!c.listed.empty()) f.ListValues.Add(c.listed);
        f.RefTable = "T";
        f.RefColumn = "C";
        f.prepareInsert();
        EXPECT_EQ(f.FillType, fillNothing) << c.code << " " << c.name << c.directory << c.listed;
        EXPECT_TRUE(f.Streams.empty());
    }
    EXPECT_TRUE(engine.Calls.empty());
}

TEST_F(BlobFillFieldTest, DirectoryLoadsUpToMaxFilesWithOrWithoutTrailingSeparator) {
    for (int i = 0; i < 10; ++i)
        folder.Write("f" + std::to_string(i) + ".dat", "content " + std::to_string(i));
    folder.Write("other.txt", "not matching");
    TBlobFillField f(Record("Blob"));
    f.FillType = fillRandom;
    f.Directory = folder.Path();
    f.FileFilter = "*.dat";
    f.MaxFiles = 3;
    EXPECT_TRUE(f.GetReadyForFilling());
    f.prepareInsert();
    EXPECT_EQ(f.Streams.size(), 3u);
    EXPECT_EQ(ContentsDrawn(f, 200).size(), 3u);

    f.MaxFiles = 0;
    f.Directory = folder.Path() + "/";
    f.prepareInsert();
    EXPECT_EQ(f.FillType, fillRandom);
    EXPECT_EQ(f.Streams.size(), 10u);
    std::set<std::string> seen = ContentsDrawn(f, 1000);
    EXPECT_EQ(seen.size(), 10u);
    EXPECT_FALSE(seen.contains("not matching"));
}

TEST_F(BlobFillFieldTest, FolderOfSubFoldersOnlyLeavesEveryRowFailing) {
    folder.MakeFolder("sub1");
    folder.MakeFolder("sub2.d");
    TBlobFillField f(Record("Blob"));
    f.FillType = fillRandom;
    f.Directory = folder.Path();
    f.prepareInsert();
    EXPECT_EQ(f.FillType, fillRandom);
    EXPECT_TRUE(f.Streams.empty());
    EXPECT_THROW(f.getInsertBlobValue(), kvl::EListError);
}

TEST_F(BlobFillFieldTest, AnyExtensionFilterAlsoTakesNamesWithoutOne) {
    folder.Write("README", "r");
    folder.Write("photo.JPG", "p");
    folder.Write(".hidden", "h");
    EXPECT_TRUE(MatchesFileFilter("README", "*.*"));
    EXPECT_TRUE(MatchesFileFilter("photo.JPG", "*.jpg"));
    EXPECT_TRUE(MatchesFileFilter("photo", "photo.*"));
    EXPECT_FALSE(MatchesFileFilter("photo", "*.jpg"));
    EXPECT_FALSE(MatchesFileFilter("photo.png", "*.jpg"));
    TBlobFillField f(Record("Blob"));
    f.FillType = fillRandom;
    f.Directory = folder.Path();
    f.prepareInsert();
    EXPECT_EQ(f.Streams.size(), 3u);
}

TEST_F(BlobFillFieldTest, ListSkipsUnreadableFiles) {
    TBlobFillField f(Record("Blob"));
    f.FillType = fillList;
    f.ListValues.Add(folder.Write("first", "1"));
    f.ListValues.Add(folder.Path() + "/second");
    f.ListValues.Add(folder.Write("third", "3"));
    f.prepareInsert();
    EXPECT_EQ(f.FillType, fillList);
    EXPECT_EQ(ContentsDrawn(f, 100), (std::set<std::string>{"1", "3"}));
}

TEST_F(BlobFillFieldTest, ReadinessLooksAtTheNameParts) {
    TBlobFillField f(Record("Blob"));
    EXPECT_FALSE(f.GetReadyForFilling());
    f.FillType = fillFixed;
    f.FileName = "/data/";
    EXPECT_FALSE(f.GetReadyForFilling());
    f.FileName = "/data/picture.png";
    EXPECT_TRUE(f.GetReadyForFilling());
    f.FillType = fillRandom;
    f.Directory = "pictures";
    EXPECT_FALSE(f.GetReadyForFilling());
    f.Directory = "/data/pictures";
    EXPECT_TRUE(f.GetReadyForFilling());
}

} // namespace
