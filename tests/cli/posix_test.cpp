// What only POSIX systems have: names with line breaks and bytes that are not
// UTF-8, FIFOs and symbolic links, terminals from script(1), /dev/full.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "firma_fixture.h"

namespace firma {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using OnPosix = testing::FirmaTest;

TEST_F(OnPosix, OutputThatCannotBeWrittenIsAFailure) {
    const std::string abc = dir.write("abc", "abc");
    const auto result = firma({abc}, "/dev/null", "/dev/full");
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "firma: write error: No space left on device\n");
}

// Whatever the names, the output of firma checks OK with firma -c.
TEST_F(OnPosix, RoundTripOfOddNames) {
    const std::vector<std::string> names = {"plain", "with space", "  leading", "*star", "back\\slash",
                                            "new\nline", "cr\rx", "bad\xff\xfe", "-dash", "a) = b"};
    for (const auto& name : names) dir.write(name, "contents of " + name);
    for (const std::vector<std::string>& style : {std::vector<std::string>{}, {"--tag"}, {"-b"}}) {
        auto args = style;
        args.push_back("--");
        args.insert(args.end(), names.begin(), names.end());
        const auto signed_ = firma(args);
        ASSERT_EQ(signed_.exit_status, 0) << signed_.err;
        const std::string list = dir.write("list", signed_.out);
        const auto checked = firma({"-c", list});
        EXPECT_EQ(checked.exit_status, 0) << checked.out << checked.err;
        EXPECT_EQ(checked.err, "");
        // Names with line breaks are shown escaped: one line per name.
        EXPECT_EQ(std::count(checked.out.begin(), checked.out.end(), '\n'), static_cast<long>(names.size()));
    }
}

TEST_F(OnPosix, ZeroAndTagFormats) {
    dir.write("a\nb", "abc");
    EXPECT_EQ(firma({"-z", "a\nb"}).out, "0000555  a\nb"s + '\0');
    EXPECT_EQ(firma({"--tag", "a\nb"}).out, "\\FIRMA (a\\nb) = 0000555\n");
    EXPECT_EQ(firma({"-b", "a\nb"}).out, "\\0000555 *a\\nb\n");
}

// On a terminal (a pseudo-terminal from script(1)) the line shows bytes, rate and
// time left, and is cleared before the program ends; results still go to stdout.
// Check mode knows the total from its lists; standard input shows bytes and rate
// only; a signal clears the line before it ends the process. One file serves
// all: 'a', then zeros, read across several of progress's 250 ms ticks.
TEST_F(OnPosix, ProgressLineOnATerminal) {
    if (std::system("command -v script >/dev/null && command -v timeout >/dev/null") != 0) {
        GTEST_SKIP() << "script(1) gives a terminal";
    }
    const std::string slow = dir / "slow";
    {
        std::ofstream out(slow, std::ios::binary);
        out << 'a';
        out.seekp((512 << 20) - 1);
        out << 'z';
    }
    const std::string firma = FIRMA_EXE;
    const auto in_terminal = [&](const std::string& command) {
        return run({"script", "-qec", command + "; echo \"status $?\"", "/dev/null"}).out;
    };

    const std::string drawn = in_terminal(firma + " --progress slow > out");
    EXPECT_NE(drawn.find(" of 512.0 MiB ("), std::string::npos) << drawn;
    EXPECT_NE(drawn.find(" MB/s, "), std::string::npos);
    EXPECT_NE(drawn.find(" left"), std::string::npos);
    EXPECT_TRUE(drawn.ends_with("\r\033[Kstatus 0\r\n")) << "the progress line is left on the terminal";
    const std::string signed_ = testing::read_file(dir / "out");
    EXPECT_EQ(signed_.substr(7), "  slow\n");

    dir.write("list", signed_);
    EXPECT_NE(in_terminal(firma + " --progress -c list > out").find(" of 512.0 MiB ("), std::string::npos);

    const std::string piped = in_terminal("cat slow | " + firma + " --progress > out");
    EXPECT_NE(piped.find(" MB/s"), std::string::npos) << piped;
    EXPECT_EQ(piped.find(" of "), std::string::npos) << piped;
    EXPECT_EQ(piped.find("%"), std::string::npos) << piped;

    // The file four times over: still being read when the signal comes.
    const std::string stopped =
        in_terminal("cat slow slow slow slow | timeout --preserve-status -s INT 1 " + firma + " --progress > out");
    EXPECT_NE(stopped.find(" MB/s"), std::string::npos) << stopped;
    EXPECT_TRUE(stopped.ends_with("\r\033[Kstatus 130\r\n")) << stopped;
    EXPECT_EQ(testing::read_file(dir / "out"), "");
}

TEST_F(OnPosix, RecursiveWalkIsSortedAndSkipsLinkedFoldersUnlessAsked) {
    fs::create_directories(dir.path() / "tree/b/inner");
    fs::create_directories(dir.path() / "elsewhere");
    dir.write("tree/z", "z");
    dir.write("tree/a", "a");
    dir.write("tree/b/inner/deep", "deep");
    dir.write("tree/b/x", "x");
    dir.write("elsewhere/linked", "linked");
    fs::create_directory_symlink(dir.path() / "elsewhere", dir.path() / "tree/link");
    fs::create_directory_symlink(dir.path() / "tree", dir.path() / "tree/b/loop");
    ASSERT_EQ(::mkfifo((dir / "tree/fifo").c_str(), 0600), 0);

    const auto names = [](const std::string& out) {
        std::vector<std::string> result;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);) result.push_back(line.substr(9));
        return result;
    };
    const auto walked = firma({"-r", "tree"});
    EXPECT_EQ(walked.exit_status, 0) << walked.err;
    EXPECT_EQ(names(walked.out), (std::vector<std::string>{"tree/a", "tree/b/inner/deep", "tree/b/x", "tree/z"}));

    const auto followed = firma({"-r", "-L", "tree"});
    EXPECT_EQ(names(followed.out), (std::vector<std::string>{"tree/a", "tree/b/inner/deep", "tree/b/x",
                                                             "tree/link/linked", "tree/z"}));
    EXPECT_EQ(followed.exit_status, 1);  // the loop back to tree is reported
    EXPECT_NE(followed.err.find("tree/b/loop: Too many levels of symbolic links"), std::string::npos);

    EXPECT_EQ(firma({"tree"}).err, "firma: tree: Is a directory\n");
}

}  // namespace
}  // namespace firma
