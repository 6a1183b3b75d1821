#include "base/StringList.h"
#include "base/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace kvl;

TEST(StringList, TextJoinsWithCrLfAndSplitsEveryLineBreak) {
    TStringList list;
    list.Add("a");
    list.Add("");
    list.Add("c");
    EXPECT_EQ(list.Text(), "a\r\n\r\nc");
    TStringList back;
    back.SetText("x\r\ny\nz\rw\r\n");
    EXPECT_EQ(back.Text(), "x\r\ny\r\nz\r\nw");
}

TEST(StringList, SortedListInsertsInPlaceIgnoresCaseAndDuplicates) {
    TStringList list(true);
    list.Add("gen_b");
    list.Add("GEN_A");
    list.Add("gen_c");
    EXPECT_EQ(list.Add("Gen_B"), -1);
    EXPECT_EQ(list.Text(), "GEN_A\r\ngen_b\r\ngen_c");
    EXPECT_EQ(list.IndexOf("gen_c"), 2);
    EXPECT_EQ(list.IndexOf("nope"), -1);
}

TEST(StringList, IndexOutsideBoundsRaisesListError) {
    TStringList list;
    EXPECT_THROW(list.Get(0), EListError);
    list.Add("x");
    EXPECT_THROW(list.Delete(1), EListError);
    EXPECT_THROW(list.Get(-1), EListError);
    try {
        list.Get(5);
        ADD_FAILURE() << "no error for index 5";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (5)");
    }
}

TEST(StringList, FileRoundTripKeepsEveryLine) {
    auto path = std::filesystem::temp_directory_path() / "kvl_stringlist_test.txt";
    TStringList list;
    list.SetText("first\nwith blank\n\nlast");
    list.SaveToFile(path.string());
    TStringList back;
    back.LoadFromFile(path.string());
    EXPECT_EQ(back, list);
    std::filesystem::remove(path);
    EXPECT_THROW(back.LoadFromFile(path.string()), EFileError);
}
