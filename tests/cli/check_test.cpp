// Check mode, round trips, recursion and parallel signing, as a script meets them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "firma_fixture.h"
#include "sign/utf8.h"

namespace firma {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class Check : public testing::FirmaTest {
protected:
    // A list with one of each outcome: OK, FAILED, unreadable, malformed.
    std::string mixed_list() {
        dir.write("abc", "abc");
        dir.write("changed", "now different");
        dir.write("list", "0000555  abc\n"
                          "0000555  changed\n"
                          "0000555  missing\n"
                          "not a signature line\n");
        return "list";
    }
};

TEST_F(Check, ReportsEachOutcomeAndTheWarnings) {
    const auto result = firma({"-c", mixed_list()});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "abc: OK\nchanged: FAILED\nmissing: FAILED open or read\n");
    EXPECT_EQ(result.err, "firma: missing: No such file or directory\n"
                          "firma: WARNING: 1 line is improperly formatted\n"
                          "firma: WARNING: 1 listed file could not be read\n"
                          "firma: WARNING: 1 computed checksum did NOT match\n");
}

// A list with sizes and digests fails a file whose bytes changed, even where
// the change kept its seven digits, as one near the start of a large file may.
TEST_F(Check, WithDigestsAChangeTheSignatureMissesFails) {
    std::mt19937_64 random(1);
    std::string bytes(24u << 20, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    dir.write("big", bytes);
    dir.write("abc", "abc");
    const std::string listed = firma({"--digest", "big", "abc"}).out;
    dir.write("list", listed);
    EXPECT_EQ(firma({"-c", "list"}).out, "big: OK\nabc: OK\n");
    // The first 4 KiB rewritten, until a rewrite keeps the signature.
    const std::string signed_before = firma({"big"}).out;
    std::string kept;
    for (int seed = 2; seed < 100 && kept.empty(); ++seed) {
        random.seed(static_cast<std::uint64_t>(seed));
        for (std::size_t i = 0; i < 4096; ++i) bytes[i] = static_cast<char>(random());
        dir.write("big", bytes);
        if (firma({"big"}).out == signed_before) kept = std::to_string(seed);
    }
    ASSERT_FALSE(kept.empty()) << "no rewrite of the first 4 KiB kept the signature";
    const auto changed = firma({"-c", "list"});
    EXPECT_EQ(changed.out, "big: FAILED\nabc: OK\n") << "seed " << kept;
    EXPECT_EQ(changed.exit_status, 1);
    // The size or the digest alone differing from the list fails the file too.
    const std::string abc_line = listed.substr(listed.find('\n') + 1);
    for (const std::string& line : {"0000555 4" + abc_line.substr(9), abc_line.substr(0, 12) + "0" + abc_line.substr(13)}) {
        dir.write("list", line);
        EXPECT_EQ(firma({"-c", "list"}).out, "abc: FAILED\n") << line;
    }
}

// An audit looks for the list's names from the list's own folder, and reports
// what that folder holds and the list lacks; without it, -c is as before.
TEST_F(Check, AnAuditReportsWhatTheListsFolderHoldsAndTheListLacks) {
    fs::create_directories(dir.path() / "entrega" / "sub");
    dir.write("entrega/a.txt", "abc");
    dir.write("entrega/sub/b.txt", "abc");
    dir.write("entrega/lista.firmas", "0000555  a.txt\n0000555  sub/b.txt\n");
    const std::string list = fs::path("entrega/lista.firmas").make_preferred().string();
    const std::string new_in_sub = fs::path("sub/d.txt").make_preferred().string();
    struct Case {
        std::vector<std::string> args;
        const char* added;  // a file made before the run, or nothing
        std::string out, counts;
        int status;
        const char* list = nullptr;  // the list's text from this run on, or nothing
    };
    for (const Case& c : {
             Case{{"-c", "--audit", list}, nullptr, "a.txt: OK\nsub/b.txt: OK\n",
                  "OK 2, changed 0, missing 0, unreadable 0, new 0", 0},
             Case{{"-c", "--audit", list}, "entrega/sub/d.txt", "a.txt: OK\nsub/b.txt: OK\n" + new_in_sub + ": NEW\n",
                  "OK 2, changed 0, missing 0, unreadable 0, new 1", 1},
             Case{{"-c", "--audit", "--quiet", list}, "entrega/c.txt", "c.txt: NEW\n" + new_in_sub + ": NEW\n",
                  "OK 2, changed 0, missing 0, unreadable 0, new 2", 1},
             Case{{"-c", list}, nullptr, "a.txt: FAILED open or read\nsub/b.txt: FAILED open or read\n", "", 1},
             // Written on Windows: its folders separated by '\\', looked for from the list's folder.
             Case{{"-c", "--audit", list}, nullptr, "a.txt: OK\nsub\\b.txt: OK\nc.txt: NEW\n" + new_in_sub + ": NEW\n",
                  "OK 2, changed 0, missing 0, unreadable 0, new 2", 1, "0000555  a.txt\n0000555  sub\\b.txt\n"},
         }) {
        if (c.list != nullptr) dir.write("entrega/lista.firmas", c.list);
        if (c.added != nullptr) dir.write(c.added, "new");
        const auto result = firma(c.args);
        EXPECT_EQ(result.out, c.out) << c.args.size();
        EXPECT_EQ(result.exit_status, c.status) << c.out;
        EXPECT_EQ(result.err.find(c.counts.empty() ? ", new " : c.counts) != std::string::npos, !c.counts.empty())
            << result.err;
    }
}

// Names are looked for from the current folder: when none of a list's is
// found and the list lies elsewhere, firma says so, once.
TEST_F(Check, AListFromAnotherFolderSaysWhereNamesAreLookedFor) {
    const std::string hint = "firma: names in a list are looked for from the current folder, not the list's\n";
    fs::create_directory(dir.path() / "Pruebas");
    dir.write("Pruebas/abc", "abc");
    dir.write("Pruebas/lista.txt", "0000555  abc\n");
    dir.write("lista.txt", "0000555  otro\n");
    const struct {
        std::string list;
        bool hinted;
    } cases[] = {{fs::path("Pruebas/lista.txt").make_preferred().string(), true}, {"lista.txt", false}};
    for (const auto& c : cases) {
        const auto result = firma({"-c", c.list});
        EXPECT_EQ(result.exit_status, 1) << c.list;
        EXPECT_EQ(result.err.ends_with(hint), c.hinted) << c.list << ": " << result.err;
    }
}

TEST_F(Check, VerbosityOptionsAndTheLastOneWins) {
    const std::string list = mixed_list();
    const auto quiet = firma({"-c", "--quiet", list});
    EXPECT_EQ(quiet.out, "changed: FAILED\nmissing: FAILED open or read\n");
    const auto status = firma({"-c", "--status", list});
    EXPECT_EQ(status.exit_status, 1);
    EXPECT_EQ(status.out, "");
    EXPECT_EQ(status.err, "firma: missing: No such file or directory\n");
    const auto warn = firma({"-c", "--status", "-w", list});
    EXPECT_NE(warn.err.find("firma: " + list + ": 4: improperly formatted FIRMA checksum line\n"),
              std::string::npos);
    EXPECT_EQ(firma({"-c", "-w", "--status", list}).out, "");
}

TEST_F(Check, PluralsStrictAndIgnoreMissing) {
    dir.write("abc", "abc");
    const std::string list = dir.write("list", "0000555  abc\nbad\nworse\n0000555  gone\n0000555  lost\n");
    const auto result = firma({"-c", list});
    EXPECT_EQ(result.err, "firma: gone: No such file or directory\n"
                          "firma: lost: No such file or directory\n"
                          "firma: WARNING: 2 lines are improperly formatted\n"
                          "firma: WARNING: 2 listed files could not be read\n");
    const auto ignoring = firma({"-c", "--ignore-missing", list});
    EXPECT_EQ(ignoring.exit_status, 0);
    EXPECT_EQ(ignoring.out, "abc: OK\n");
    EXPECT_EQ(firma({"-c", "--ignore-missing", "--strict", list}).exit_status, 1);

    const std::string only_missing = "only-missing";
    dir.write(only_missing, "0000555  gone\n");
    const auto nothing = firma({"-c", "--ignore-missing", only_missing});
    EXPECT_EQ(nothing.exit_status, 1);
    EXPECT_EQ(nothing.err, "firma: " + only_missing + ": no file was verified\n");

    const std::string junk = "junk";
    dir.write(junk, "junk\n\n# comment\n");
    const auto none = firma({"-c", junk});
    EXPECT_EQ(none.exit_status, 1);
    EXPECT_EQ(none.err, "firma: " + junk + ": no properly formatted checksum lines found\n");
}

TEST_F(Check, ListsFromStandardInputCrlfAndEitherCase) {
    dir.write("abc", "abc");
    dir.write("ff", "\xff");
    const std::string list = dir.write("list", "0000555  abc\r\n00000ff *ff\r\nFIRMA (abc) = 0000555\r\n");
    const auto result = firma({"-c"}, list);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, "abc: OK\nff: OK\nabc: OK\n");
    const auto empty = firma({"-c"});
    const bool windows = std::string(FIRMA_EXE).ends_with(".exe");  // names quoted as cmd reads them
    EXPECT_EQ(empty.err, std::string("firma: ") + (windows ? "\"standard input\"" : "'standard input'") +
                             ": no properly formatted checksum lines found\n");
}

// Lists as Windows writes them: Windows PowerShell 5.1 redirects as UTF-16LE
// with a byte-order mark, Notepad saves UTF-8 with one. Each checks from a file
// and from standard input; text that is no UTF-16 spoils its own line only.
TEST_F(Check, ListsInTheEncodingsWindowsWrites) {
    const auto utf16 = [](std::u16string text, bool big_endian) {
        std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char16_t unit : text) {
            const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
            bytes += big_endian ? std::string{high, low} : std::string{low, high};
        }
        return bytes;
    };
    std::ofstream(dir.path() / path_of_utf8("a\xc3\xb1o").value()) << "abc";  // the name in UTF-8 on every system
    dir.write("b", "abc");
    struct Case {
        const char* what;
        std::string list;
        std::string out;
        int malformed;
    };
    const std::u16string lines = u"0000555  año\r\n0000555  b\r\n";
    for (const Case& c : {Case{"UTF-8 with a mark", "\xEF\xBB\xBF" "0000555  a\xc3\xb1o\n0000555  b\n", "año: OK\nb: OK\n", 0},
                          Case{"UTF-16LE", utf16(lines, false), "año: OK\nb: OK\n", 0},
                          Case{"UTF-16BE", utf16(lines, true), "año: OK\nb: OK\n", 0},
                          Case{"unpaired surrogate", utf16(u"0000555  a\xD800\r\n" + lines, false), "año: OK\nb: OK\n", 1},
                          Case{"odd byte count", utf16(lines + u"0000555  b", false) + "\n", "año: OK\nb: OK\n", 1}}) {
        const std::string list = dir.write("list", c.list);
        const std::string warning =
            c.malformed == 0 ? "" : "firma: WARNING: 1 line is improperly formatted\n";
        for (const auto& result : {firma({"-c", list}), firma({"-c"}, list)}) {
            EXPECT_EQ(result.out, c.out) << c.what;
            EXPECT_EQ(result.err, warning) << c.what;
        }
    }
}

TEST_F(Check, ProgressNeverReachesAPipeOrFile) {
    dir.write("abc", "abc");
    const auto result = firma({"--progress", "abc"});
    EXPECT_EQ(result.out, "0000555  abc\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(Check, UsageErrorsAsCoreutilsWordsThem) {
    const auto tag = firma({"-c", "--tag", "x"});
    EXPECT_EQ(tag.exit_status, 1);
    EXPECT_EQ(tag.err, "firma: the --tag option is meaningless when verifying checksums\n"
                       "Try 'firma --help' for more information.\n");
    EXPECT_EQ(firma({"--quiet", "x"}).err,
              "firma: the --quiet option is meaningful only when verifying checksums\n"
              "Try 'firma --help' for more information.\n");
    EXPECT_EQ(firma({"-j", "0"}).exit_status, 1);
}

TEST_F(Check, OneThreadAndSeveralGiveTheSameOutput) {
    std::vector<std::string> args;
    for (int i = 0; i < 60; ++i) {
        const std::string name = "f" + std::to_string(i);
        dir.write(name, std::string(static_cast<std::size_t>(i) * 9973, static_cast<char>('a' + i % 26)));
        args.push_back(name);
        if (i % 13 == 0) args.push_back("missing" + std::to_string(i));
    }
    auto one = args, two = args;
    one.insert(one.begin(), {"-j", "1"});
    two.insert(two.begin(), {"-j", "2"});
    const auto first = firma(one), second = firma(two);
    EXPECT_EQ(first.out, second.out);
    EXPECT_EQ(first.err, second.err);
    EXPECT_EQ(first.exit_status, 1);
}

// Six thousand: about what a Windows command line holds.
TEST_F(Check, MemoryStaysBoundedForThousandsOfOperands) {
    if (testing::kSanitized) GTEST_SKIP() << "sanitizers add their own memory";
    std::vector<std::string> args;
    for (int i = 0; i < 6000; ++i) args.push_back("abc");
    dir.write("abc", "abc");
    const auto result = firma(args);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out.size(), 6000u * 13);  // "0000555  abc\n"
    EXPECT_LE(result.peak_rss_kib, 64 * 1024);
}

}  // namespace
}  // namespace firma
