// The windows' lists come in the order a file manager shows names: accents
// beside their letters, case aside, folder by folder.
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <utility>

#include "lists/list_files.h"
#include "lists/name_order.h"

namespace firma {
namespace {

TEST(NameOrder, AsAFileManagerShowsThem) {
    // Where Spanish collation is not installed, the byte order stands in.
    if (!backslash_separates_folders() && std::setlocale(LC_COLLATE, "es_ES.UTF-8") == nullptr)
        GTEST_SKIP() << "no es_ES.UTF-8 locale";
    const std::string sub = backslash_separates_folders() ? "x\\a" : "x/a";
    for (const auto& [first, second] : {std::pair<std::string, std::string>{"a", "árbol"}, {"árbol", "b9"},
                                        {"éxito", "Zorro"}, {"Ñandú", "Zorro"}, {"Über", "Zorro"}, {"b9", "Zorro"},
                                        {sub, "xa"}, {"a", sub}}) {
        EXPECT_TRUE(shown_before(first, second)) << first << " before " << second;
        EXPECT_FALSE(shown_before(second, first)) << second << " after " << first;
    }
    EXPECT_FALSE(shown_before("same", "same"));
    std::setlocale(LC_COLLATE, "C");
}

}  // namespace
}  // namespace firma
