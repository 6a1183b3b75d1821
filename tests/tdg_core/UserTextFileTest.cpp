// The one reader of the user's text files: whatever the editor wrote, the values are UTF-8.
#include "UTFillObject/UserTextFile.h"
#include "FillFieldTestKit.h"

namespace {

TEST(UserTextFile, EveryEncodingBecomesUtf8WithoutAByteOrderMark) {
    struct Case {
        const char* name;
        std::string bytes, text;
        bool latin1;
    };
    const std::string strasse = "Stra\xC3\x9F"
                                "e";
    const Case cases[] = {
        {"empty", "", "", false},
        {"ASCII", "a\r\nb", "a\r\nb", false},
        {"UTF-8", strasse, strasse, false},
        {"mark and UTF-8", "\xEF\xBB\xBF" + strasse, strasse, false},
        {"mark alone", "\xEF\xBB\xBF", "", false},
        // a mark is dropped only at the start
        {"mark inside", "a\xEF\xBB\xBF", "a\xEF\xBB\xBF", false},
        {"Latin-1",
         "Stra\xDF"
         "e",
         strasse, true},
        {"Latin-1 ending in a lead byte", "caf\xE9", "caf\xC3\xA9", true},
        {"Latin-1 after a mark", "\xEF\xBB\xBF\xE9", "\xC3\xA9", true},
        {"overlong UTF-8", "\xC0\xAF", "\xC3\x80\xC2\xAF", true},
        {"encoded surrogate", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80", true},
        {"four bytes", "\xF0\x9F\x99\x82", "\xF0\x9F\x99\x82", false},
        {"beyond Unicode", "\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TUserText decoded = DecodeUserText(c.bytes, "f.txt");
        EXPECT_EQ(decoded.Text, c.text);
        EXPECT_EQ(decoded.FromLatin1, c.latin1);
        EXPECT_TRUE(IsUtf8Text(decoded.Text));
    }
}

TEST(UserTextFile, TextInSixteenBitUnitsIsRefusedWithTheFilesName) {
    const std::string utf16("\xFF\xFE"
                            "A\0",
                            4);
    EXPECT_EQ(MessageOf<EUserTextEncoding>([&] { DecodeUserText(utf16, "names.txt"); }),
              "The file \"names.txt\" is no UTF-8 text; convert it to UTF-8.");
}

} // namespace
