// The one place text and paths are converted, run on every system.
#include <gtest/gtest.h>

#include <string>

#include "sign/utf8.h"

namespace firma {
namespace {

TEST(Utf8, CharacterLengthIsStrict) {
    struct Case {
        std::string text;
        std::size_t length;
    };
    for (const Case& c : {Case{"", 0}, Case{"a", 1}, Case{"\x7f", 1}, Case{"\xc3\xb1o", 2},        // ñ
                          Case{"\xe2\x82\xac", 3}, Case{"\xf0\x9f\x98\x80", 4},                    // €, an emoji
                          Case{"\xc0\xaf", 0}, Case{"\xe0\x80\xaf", 0}, Case{"\xf0\x80\x80\xaf", 0}, // overlong
                          Case{"\xed\xa0\x80", 0}, Case{"\xf4\x90\x80\x80", 0},                    // surrogate, > U+10FFFF
                          Case{"\xe2\x82", 0}, Case{"\x80", 0}, Case{"\xc3(", 0}, Case{"\xff", 0}})
        EXPECT_EQ(utf8_character_length(c.text), c.length) << ::testing::PrintToString(c.text);
}

TEST(Utf8, FromUtf16ReplacesOnlyUnpairedSurrogates) {
    struct Case {
        std::u16string text;
        std::string utf8;
    };
    for (const Case& c : {Case{u"", ""}, Case{u"año €", "a\xc3\xb1o \xe2\x82\xac"}, Case{u"\U0001F600", "\xf0\x9f\x98\x80"},
                          Case{std::u16string{u'a', 0xD800, u'b'}, "a\xef\xbf\xbd" "b"},
                          Case{std::u16string{0xDC00, 0xD800}, "\xef\xbf\xbd\xef\xbf\xbd"}})
        EXPECT_EQ(utf8_of_utf16(c.text), c.utf8);
}

// A name goes to a path and back unchanged, and a window's UTF-16 name names
// the same path as its UTF-8 form.
TEST(Utf8, PathsRoundTrip) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
    };
    for (const Case& c : {Case{"plain", u"plain"}, Case{"a\xc3\xb1o \xe2\x82\xac/x", u"año €/x"},
                          Case{"\xf0\x9f\x98\x80", u"\U0001F600"}}) {
        EXPECT_EQ(utf8_of_path(path_of_utf8(c.utf8).value()), c.utf8);
        EXPECT_EQ(path_of_utf16(c.utf16).native(), path_of_utf8(c.utf8).value().native());
    }
}

// Windows' names are UTF-16 code units, not always valid UTF-16: WTF-8 brings
// each one back exactly, and bytes that are no WTF-8 name nothing.
TEST(Utf8, Wtf8KeepsEveryWindowsNameAndRejectsTheRest) {
    struct Case {
        std::u16string utf16;
        std::string wtf8;
    };
    for (const Case& c : {Case{u"año \U0001F600", "a\xc3\xb1o \xf0\x9f\x98\x80"},
                          Case{std::u16string{u'a', 0xD800, u'b'}, "a\xed\xa0\x80" "b"},
                          Case{std::u16string{0xDC00, 0xD800}, "\xed\xb0\x80\xed\xa0\x80"}}) {
        EXPECT_EQ(wtf8_of_utf16(c.utf16), c.wtf8);
        EXPECT_EQ(utf16_of_wtf8(c.wtf8), c.utf16);
    }
    // Latin-1, a pair written as two halves, overlong, cut short.
    for (const std::string bad : {"a\xf1o.txt", "\xed\xa0\xbd\xed\xb8\x80", "\xc0\xaf", "\xe2\x82"})
        EXPECT_EQ(utf16_of_wtf8(bad), std::nullopt) << ::testing::PrintToString(bad);
}

}  // namespace
}  // namespace firma
