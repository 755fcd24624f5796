// What a walk promises on every system: the items in order, each named as the
// user knows it (with the system's separator), and each opening its own file
// through `name`, relative to `folder` when that is set.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "lists/list_files.h"
#include "lists/walk.h"
#include "sign/accumulator.h"
#include "sign/batch_signer.h"
#include "sign/signature.h"
#include "sign/utf8.h"
#include "temp_dir.h"

namespace firma {
namespace {

struct Case {
    const char* what;
    std::vector<std::string> operands;
    bool recursive;
    // The paths that come out, in order; in those the walk makes, "/" stands
    // for the system's separator.
    std::vector<std::string> items;
};

std::string with_separator(std::string text) {
    if (backslash_separates_folders())
        for (char& c : text)
            if (c == '/') c = '\\';
    return text;
}

// Opens the item's file as the sign command does, and signs it.
std::string sign_item(const WalkItem& item) {
    const auto path = path_of_utf8(item.name);
    EXPECT_TRUE(path) << item.name;
    BatchResult got{1, {}};
    bool asked = false;
    sign_in_order<int>(
        [&]() -> std::optional<BatchItem<int>> {
            if (std::exchange(asked, true)) return std::nullopt;
            return BatchItem<int>{0, SignRequest{SignRequest::Source::file, path.value_or(""), item.folder, true}};
        },
        [&](int, const BatchResult& result) { got = result; });
    EXPECT_FALSE(got.error) << item.path << ": " << got.error.message();
    return format_signature(got.accumulator);
}

// A path as the test makes it at any length: on Windows longer than MAX_PATH
// only through \\?\, which the test's own program (with no long-path manifest)
// needs; the walk must find it without.
std::filesystem::path makeable(const std::filesystem::path& path) {
    if (!backslash_separates_folders()) return path;
    return std::filesystem::path(LR"(\\?\)" + std::filesystem::absolute(path).make_preferred().wstring());
}

std::string signature_of(const std::string& text) {
    return sign_bytes({reinterpret_cast<const unsigned char*>(text.data()), text.size()});
}

TEST(Walk, ItemsComeInOrderAndEachOpensItsOwnFile) {
    testing::TempDir dir;
    std::filesystem::create_directories(dir.path() / "tree" / "b" / "d");
    std::filesystem::create_directories(dir.path() / "tree" / "c");
    // Each file holds its own path, so the signature says which file was read.
    for (const char* name : {"tree/a", "tree/b/x", "tree/b/d/y", "tree/c/z", "tree/e", "lone"})
        dir.write(name, name);
    // A tree deeper than Windows' 260 characters, entered without \\?\ by hand.
    const std::string segment(60, 'p');
    const std::string deep = "deep/" + segment + "/" + segment + "/" + segment + "/" + segment + "/" + segment + "/f";
    std::filesystem::create_directories(makeable(dir.path() / std::filesystem::path(deep).parent_path()));
    std::ofstream(makeable(dir.path() / deep), std::ios::binary) << deep;
    std::filesystem::current_path(dir.path());
    for (const Case& c : {
             Case{"operands as given", {"lone", "tree/e"}, false, {"lone", "tree/e"}},
             Case{"a folder without -r is an operand like any", {"tree"}, false, {"tree"}},
             Case{"-r: every file below, sorted, depth first",
                  {"tree", "lone"},
                  true,
                  {"tree/a", "tree/b/d/y", "tree/b/x", "tree/c/z", "tree/e", "lone"}},
             Case{"-r: a missing operand is given as is, to fail when read", {"missing"}, true, {"missing"}},
             Case{"-r: as deep as a file can be opened", {"deep"}, true, {deep}},
         }) {
        SCOPED_TRACE(c.what);
        Walk walk(c.operands, c.recursive, false);
        std::vector<std::string> paths;
        while (auto item = walk.next()) {
            ASSERT_FALSE(item->error) << item->path << ": " << item->error.message();
            ASSERT_TRUE(item->skipped.empty()) << item->path;
            paths.push_back(item->path);
            const std::string own = item->path;  // what the file holds, in the test's separators
            std::string written = own;
            if (backslash_separates_folders())
                for (char& ch : written)
                    if (ch == '\\') ch = '/';
            // Operands are given as they are; what the walk found below them, it found regular.
            const bool walked = std::find(c.operands.begin(), c.operands.end(), own) == c.operands.end();
            EXPECT_EQ(item->regular_only, walked) << own;
            if (walked) {
                EXPECT_EQ(sign_item(*item), signature_of(written)) << own;
            }
        }
        std::vector<std::string> expected;
        for (const std::string& item : c.items) {
            const bool operand = std::find(c.operands.begin(), c.operands.end(), item) != c.operands.end();
            expected.push_back(operand ? item : with_separator(item));  // operands stay as typed
        }
        EXPECT_EQ(paths, expected);
    }
    // Removed level by level: the C++ library cannot list such folders on Windows.
    for (std::filesystem::path level = deep; !level.empty(); level = level.parent_path())
        std::filesystem::remove(makeable(dir.path() / level));
    std::filesystem::current_path(dir.path().parent_path());
}

}  // namespace
}  // namespace firma
