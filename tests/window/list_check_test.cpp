// The check window's rules: each file's state, the verdict in words, the
// rename hint, the problem rows, the report and the copied rows.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "window/list_check.h"

namespace {

using firma::BatchResult;
using firma::ContentDigest;
using firma::ListEntry;

ListEntry entry(std::string name, std::uint32_t signature, std::optional<ContentDigest> digest = {}) {
    return ListEntry{false, {signature, std::move(name), digest}, 1, {}};
}

BatchResult read(std::uint32_t signature, std::optional<ContentDigest> digest = {}) {
    return {signature, {}, digest};
}

BatchResult failed(std::errc error) {
    return {0, std::make_error_code(error), {}};
}

TEST(ListCheck, EachFileGetsItsStateAndTheVerdictSaysThemInWords) {
    const ContentDigest recorded{3, {1}};
    struct Case {
        const char* name;
        std::vector<std::pair<ListEntry, BatchResult>> listed;
        std::vector<std::pair<std::string, std::optional<std::uint32_t>>> added;
        bool cancelled;
        std::vector<FileState> states;
        std::string verdict;
        std::string hint;  // the state text of the last row
    };
    const std::vector<Case> cases = {
        {"all the same", {{entry("a", 0x555), read(0x555)}, {entry("b", 7), read(7)}}, {}, false,
         {FileState::same, FileState::same}, "All correct: the 2 files keep their signature", "Same"},
        {"one file", {{entry("a", 0x555), read(0x555)}}, {}, false, {FileState::same},
         "All correct: the file keeps its signature", "Same"},
        {"the digest tells what the signature misses",
         {{entry("a", 0x555, recorded), read(0x555, ContentDigest{3, {2}})}, {entry("b", 7, recorded), read(7, recorded)}},
         {}, false, {FileState::changed, FileState::same},
         "Attention: 1 changed · 0 missing · 0 new · 0 could not be read", "Same"},
        {"missing, unreadable and a rename hint",
         {{entry("old", 9), failed(std::errc::no_such_file_or_directory)},
          {entry("locked", 4), failed(std::errc::permission_denied)}},
         {{"renamed", 9}}, false, {FileState::missing, FileState::unreadable, FileState::added},
         "Attention: 0 changed · 1 missing · 1 new · 1 could not be read", "New (renamed from old?)"},
        {"no hint where two missing files share the signature",
         {{entry("x", 9), failed(std::errc::no_such_file_or_directory)},
          {entry("y", 9), failed(std::errc::no_such_file_or_directory)}},
         {{"z", 9}}, false, {FileState::missing, FileState::missing, FileState::added},
         "Attention: 0 changed · 2 missing · 1 new · 0 could not be read", "New"},
        {"cancelled", {{entry("a", 0x555), read(0x555)}}, {}, true, {FileState::same},
         "Cancelled. Checked so far: 1 same · 0 changed · 0 missing · 0 new · 0 could not be read", "Same"},
        {"an empty list", {}, {}, false, {}, "The list names no file", ""},
    };
    for (const Case& c : cases) {
        ListCheck check;
        for (const auto& [listed, result] : c.listed) check.listed(listed, result);
        for (const auto& [name, signature] : c.added) check.added(name, signature);
        EXPECT_EQ(check.verdict(), "Checking…") << c.name;
        check.finish(c.cancelled);
        std::vector<FileState> states;
        for (const CheckRow& row : check.rows()) states.push_back(row.state);
        EXPECT_EQ(states, c.states) << c.name;
        EXPECT_EQ(check.verdict(), c.verdict) << c.name;
        if (!check.rows().empty()) {
            EXPECT_EQ(check.state_text(check.rows().back()), c.hint) << c.name;
        }
        EXPECT_EQ(check.problem_rows().size(), check.counts().problems()) << c.name;
    }
}

// A report Notepad reads right, with every row that is not Igual; copied
// rows as columns a spreadsheet takes, a name's tabs and line breaks kept
// from breaking them.
TEST(ListCheck, ReportsAndCopiedRowsKeepTheirShape) {
    ListCheck check;
    check.listed(entry("same", 1), read(1));
    check.listed(entry("two\tparts\nname", 1), read(2));
    check.added("nuevo", std::nullopt);
    check.finish(false);
    const std::string report = check.report("lista.firmas", "2026-12-10 10:30");
    EXPECT_TRUE(report.starts_with("\xEF\xBB\xBFList: lista.firmas\r\nChecked: 2026-12-10 10:30\r\nAttention: ")) << report;
    EXPECT_NE(report.find("\r\nChanged\ttwo parts name\r\nNew\tnuevo\r\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("\tsame"), std::string::npos) << report;
    EXPECT_EQ(check.copy({1, 2}), "Name\tState\tRecorded signature\tCurrent signature\r\n"
                                  "two parts name\tChanged\t0000001\t0000002\r\n"
                                  "nuevo\tNew\t\t\r\n");
}

// A heading clicked orders the rows by its column either way; a row without
// a value (a missing file's current signature) comes first going up.
TEST(ListCheck, RowsSortByEachColumnEitherWay) {
    ListCheck check;
    check.listed(entry("b", 9), read(9), 300);
    check.listed(entry("a2", 5), read(6), 100);
    check.listed(entry("a1", 4), failed(std::errc::no_such_file_or_directory));
    check.added("c", 2, 200);
    check.finish(false);
    const std::vector<std::tuple<CheckColumn, bool, std::vector<std::size_t>>> cases{
        {CheckColumn::name, true, {2, 1, 0, 3}},
        {CheckColumn::name, false, {3, 0, 1, 2}},
        {CheckColumn::state, true, {1, 2, 3, 0}},  // Changed, Missing, New, Same
        {CheckColumn::recorded, true, {3, 2, 1, 0}},
        {CheckColumn::current, true, {2, 3, 1, 0}},
        {CheckColumn::modified, false, {0, 3, 1, 2}},
    };
    for (const auto& [column, ascending, order] : cases) {
        std::vector<std::size_t> rows{0, 1, 2, 3};
        check.sort_rows(rows, column, ascending);
        EXPECT_EQ(rows, order) << static_cast<int>(column) << " " << ascending;
    }
}

}  // namespace
