// Opening a folder means the same on every system: by name within its parent,
// or as a path; its names listed; one identity however it is reached; and a
// symbolic link in its place followed only when asked.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "sign/open_folder.h"
#include "sign/utf8.h"
#include "temp_dir.h"

namespace firma {
namespace {

std::vector<std::string> sorted_names(const OpenFolder& folder) {
    std::error_code error;
    auto names = folder.names(error);
    EXPECT_FALSE(error) << error.message();
    std::sort(names.begin(), names.end());
    return names;
}

TEST(OpenFolder, OpensByNameWithinItsParentAndFailsAsTheSystemSays) {
    testing::TempDir dir;
    std::filesystem::create_directories(dir.path() / "top" / "inner");
    dir.write("top/file", "x");
    dir.write("top/inner/a", "a");
    dir.write("top/inner/b", "b");
    // A link to a folder, where this system lets a test make one.
    std::error_code no_links;
    std::filesystem::create_directory_symlink(dir.path() / "top" / "inner", dir.path() / "top" / "link", no_links);

    std::error_code error;
    const auto top = OpenFolder::open(nullptr, utf8_of_path(dir.path() / "top"), false, error);
    ASSERT_TRUE(top) << error.message();
    const std::vector<std::string> expected = no_links ? std::vector<std::string>{"file", "inner"}
                                                       : std::vector<std::string>{"file", "inner", "link"};
    EXPECT_EQ(sorted_names(*top), expected);

    struct Case {
        const char* name;
        bool follow_links;
        std::errc expected;  // errc{} when it opens
    };
    for (const Case& c : {
             Case{"inner", false, std::errc{}},
             Case{"inner", true, std::errc{}},
             Case{"file", false, std::errc::not_a_directory},
             Case{"missing", false, std::errc::no_such_file_or_directory},
             Case{"link", true, std::errc{}},
             Case{"link", false, std::errc::not_a_directory},
         }) {
        if (no_links && std::string(c.name) == "link") continue;
        SCOPED_TRACE(std::string(c.name) + (c.follow_links ? ", following links" : ""));
        std::error_code failure;
        const auto opened = OpenFolder::open(top.get(), c.name, c.follow_links, failure);
        if (c.expected != std::errc{}) {
            EXPECT_FALSE(opened);
            EXPECT_EQ(failure, c.expected) << failure.message();
            continue;
        }
        ASSERT_TRUE(opened) << failure.message();
        // The same folder by name, by link and by path: one identity, one listing.
        const auto by_path = OpenFolder::open(nullptr, utf8_of_path(dir.path() / "top" / "inner"), true, failure);
        ASSERT_TRUE(by_path) << failure.message();
        EXPECT_EQ(opened->id(), by_path->id());
        EXPECT_NE(opened->id(), top->id());
        EXPECT_EQ(sorted_names(*opened), (std::vector<std::string>{"a", "b"}));
    }
}

}  // namespace
}  // namespace firma
