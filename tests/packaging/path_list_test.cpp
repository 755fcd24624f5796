// The installer's PATH edits: the folder added once, and taken out leaving the
// rest byte for byte, whatever the PATH holds.
#include <gtest/gtest.h>

#include <string>

#include "packaging/windows/path_list.h"

namespace firma::installer {
namespace {

constexpr std::u16string_view kFolder = u"C:\\Users\\Ana\\AppData\\Local\\Programs\\firma";

TEST(PathList, AddedOnceAndTakenOutExactly) {
    for (const std::u16string path : {u"", u"%USERPROFILE%\\bin", u"A;B", u"A;", u";A", u"A;;B", u"ñ;\\\\server\\share"}) {
        const std::u16string with = path_with(path, kFolder);
        EXPECT_TRUE(with.ends_with(kFolder));
        EXPECT_EQ(path_with(with, kFolder), with) << "added twice";
        EXPECT_EQ(path_without(with, kFolder), path) << "not as it was";
    }
}

TEST(PathList, TheFolderIsFoundAsWindowsComparesFolders) {
    const std::u16string lower = u"A;c:\\users\\ana\\appdata\\local\\programs\\firma\\;B";
    EXPECT_EQ(path_with(lower, kFolder), lower);
    EXPECT_EQ(path_without(lower, kFolder), u"A;B");
    EXPECT_EQ(path_without(u"X;C:\\Users\\Ana\\AppData\\Local\\Programs\\firma2", kFolder),
              u"X;C:\\Users\\Ana\\AppData\\Local\\Programs\\firma2");
}

}  // namespace
}  // namespace firma::installer
