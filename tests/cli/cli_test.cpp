// The command line as a user meets it: what it prints, where, and its exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "firma_fixture.h"
#include "firma_version.h"
#include "sign/fold.h"

namespace firma {
namespace {

namespace fs = std::filesystem;
using Cli = testing::FirmaTest;

TEST_F(Cli, PrintsOneLinePerOperandInOrder) {
    dir.write("abc", "abc");
    dir.write("empty", "");
    const auto result = firma({"abc", "empty", "abc"});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, "0000555  abc\n0000000  empty\n0000555  abc\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(Cli, ReadsStandardInputWithoutOperandsOrForDash) {
    const std::string abc = dir.write("abc", "abc");
    EXPECT_EQ(firma({}, abc).out, "0000555  -\n");
    EXPECT_EQ(firma({"-"}, abc).out, "0000555  -\n");
    EXPECT_EQ(firma({"--", "-"}, abc).out, "0000555  -\n");
}

TEST_F(Cli, FailingFileIsReportedAndTheOthersStillRun) {
    dir.write("abc", "abc");
    fs::create_directory(dir.path() / "folder");
    const auto result = firma({"missing", "abc", "folder", ""});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "0000555  abc\n");
    const bool windows = std::string(FIRMA_EXE).ends_with(".exe");  // names quoted as cmd reads them
    EXPECT_EQ(result.err, std::string("firma: missing: No such file or directory\n"
                                      "firma: folder: Is a directory\n"
                                      "firma: ") +
                              (windows ? "\"\"" : "''") + ": No such file or directory\n"
                                                            "firma: use -r to sign the files in a folder\n");
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));
}

TEST_F(Cli, HelpVersionAndUsageErrors) {
    const auto help = firma({"--help"});
    EXPECT_EQ(help.exit_status, 0);
    EXPECT_NE(help.out.find("Usage: firma [OPTION]... [FILE]..."), std::string::npos);
    // The man page; on Windows, the readme beside the program.
    const bool windows = std::string(FIRMA_EXE).ends_with(".exe");
    EXPECT_TRUE(help.out.ends_with(windows ? "\\LEEME.txt\n" : "\nFull documentation: man firma\n")) << help.out;
    const std::string version = firma({"--vers"}).out;
    EXPECT_TRUE(version.starts_with("firma " FIRMA_VERSION "\nCopyright (C) 2026 ")) << version;
    EXPECT_NE(version.find("\nThere is NO WARRANTY, to the extent permitted by law.\n"), std::string::npos);
    EXPECT_TRUE(version.ends_with(std::string("\nKernels: the ") + best_chain().name + " chain for one file, the " +
                                  best_lanes().name + " lanes for " + std::to_string(best_lanes().lanes) +
                                  " files side by side\n"))
        << version;

    const auto unknown = firma({"--frobnicate"});
    EXPECT_EQ(unknown.exit_status, 1);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err, "firma: unrecognized option '--frobnicate'\n"
                           "Try 'firma --help' for more information.\n");
}

// Output sent to a file among those being signed: the file is left out with a
// warning, whichever way it was named, and the list checks at once.
TEST_F(Cli, AListNeverHoldsItself) {
    const bool windows = std::string(FIRMA_EXE).ends_with(".exe");
    const std::string here = windows ? ".\\" : "./";
    dir.write("abc", "abc");
    struct Case {
        std::vector<std::string> args;
        std::string list;
        std::string err;
    };
    std::vector<Case> cases = {
        {{"-r", "."}, "0000555  " + here + "abc\n", "firma: " + here + "lista.txt: output file skipped\n"},
        {{"abc", "lista.txt"}, "0000555  abc\n", "firma: lista.txt: output file skipped\n"},
    };
    // Windows programs expand their own wildcards, after cmd has made the file.
    if (windows) cases.push_back({{"*"}, "0000555  abc\n", "firma: lista.txt: output file skipped\n"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        const auto result = firma(c.args, {}, dir / "lista.txt");
        EXPECT_EQ(result.exit_status, 0);
        EXPECT_EQ(testing::read_file(dir / "lista.txt"), c.list);
        EXPECT_EQ(result.err, c.err);
        const auto checked = firma({"-c", "lista.txt"});
        EXPECT_EQ(checked.exit_status, 0) << checked.out << checked.err;
    }
}

// -o FILE: replaced only by a run that signed every file, never signed
// itself, and nothing else left behind in its folder.
TEST_F(Cli, OutputFileIsReplacedOnlyByACompleteRun) {
    const bool windows = std::string(FIRMA_EXE).ends_with(".exe");
    const std::string here = windows ? ".\\" : "./";
    dir.write("abc", "abc");
    fs::create_directory(dir.path() / "folder");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string list;  // what lista.txt holds afterwards, "old" before
        std::string err;
    };
    std::vector<Case> cases = {
        Case{{"-o", "lista.txt", "-r", "."}, 0, "0000555  " + here + "abc\n",
             "firma: " + here + "lista.txt: output file skipped\n"},
        Case{{"--output=lista.txt", "abc", "lista.txt"}, 0, "0000555  abc\n",
             "firma: lista.txt: output file skipped\n"},
        Case{{"-o", "lista.txt", "abc", "missing"}, 1, "old\n",
             "firma: missing: No such file or directory\n"
             "firma: lista.txt: not written, as some files could not be signed\n"},
        Case{{"-o", "folder", "abc"}, 1, "old\n", "firma: folder: Is a directory\n"},
        Case{{"-c", "-o", "lista.txt", "abc"}, 1, "old\n",
             "firma: the --output option is meaningless when verifying checksums\n"
             "Try 'firma --help' for more information.\n"},
    };
    // Windows programs expand their own wildcards.
    if (windows)
        cases.push_back({{"-o", "lista.txt", "abc", "*.txt"}, 0, "0000555  abc\n", "firma: lista.txt: output file skipped\n"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        dir.write("lista.txt", "old\n");
        const auto result = firma(c.args);
        EXPECT_EQ(result.exit_status, c.status);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(testing::read_file(dir / "lista.txt"), c.list);
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"abc", "folder", "lista.txt"}));
    }
}

TEST_F(Cli, MemoryStaysBoundedWhateverTheFileSize) {
    if (testing::kSanitized) GTEST_SKIP() << "sanitizers add their own memory";
    const std::string path = dir / "big";
    {
        std::ofstream out(path, std::ios::binary);
        std::mt19937_64 generator(1);
        std::vector<std::uint64_t> block(1 << 16);
        for (int i = 0; i < 128; ++i) {  // 64 MiB
            for (auto& word : block) word = generator();
            out.write(reinterpret_cast<const char*>(block.data()),
                      static_cast<std::streamsize>(block.size() * sizeof(std::uint64_t)));
        }
    }
    // Against the same program on one byte: what the program itself takes
    // (Wine's own mappings among it under Wine) is not what is measured.
    const auto small = firma({dir.write("small", "x")});
    const auto result = firma({path});
    EXPECT_EQ(result.exit_status, 0);
    // Wine reads a finished program's peak from its Unix process, which may
    // already be gone; a missing figure is no baseline to subtract.
    if (small.peak_rss_kib == 0 || result.peak_rss_kib == 0) GTEST_SKIP() << "no peak memory reported";
    EXPECT_LE(result.peak_rss_kib - small.peak_rss_kib, 8 * 1024) << small.peak_rss_kib << " KiB for one byte";
}

}  // namespace
}  // namespace firma
