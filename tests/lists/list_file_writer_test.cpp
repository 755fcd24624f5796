// A list is written whole or not at all, and a dropped writer leaves nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "lists/list_file_writer.h"
#include "temp_dir.h"

namespace firma {
namespace {

namespace fs = std::filesystem;

TEST(ListFileWriter, ACommittedListReplacesTheOldOneAndADroppedOneLeavesNothing) {
    struct Case {
        const char* name;
        const char* old;  // the list there before, or nothing
        bool commit;
        const char* after;  // what the list holds after, or nothing: no list
    };
    for (const Case& c : {
             Case{"new list, committed", nullptr, true, "0000555  a\n"},
             Case{"new list, dropped", nullptr, false, nullptr},
             Case{"old list, committed", "old\n", true, "0000555  a\n"},
             Case{"old list, dropped", "old\n", false, "old\n"},
         }) {
        testing::TempDir dir;
        const fs::path list = dir.path() / "lista.firmas";
        if (c.old != nullptr) std::ofstream(list, std::ios::binary) << c.old;
        {
            ListFileWriter writer(list);
            writer.write("0000555  ");
            writer.write("a\n");
            if (c.commit) writer.commit();
        }
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path())) names.insert(entry.path().filename().string());
        EXPECT_EQ(names, c.after != nullptr ? std::set<std::string>{"lista.firmas"} : std::set<std::string>{})
            << c.name;
        if (c.after == nullptr) continue;
        std::stringstream text;
        text << std::ifstream(list, std::ios::binary).rdbuf();
        EXPECT_EQ(text.str(), c.after) << c.name;
    }
}

}  // namespace
}  // namespace firma
