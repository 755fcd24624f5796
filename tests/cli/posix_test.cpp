// What only POSIX systems have: names with line breaks and bytes that are not
// UTF-8, FIFOs and symbolic links, terminals from script(1), /dev/full.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

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

// A name listed with '\\' is a name holding '\\' where one is there, and else
// a Windows list's folders.
TEST_F(OnPosix, ListedBackslashesAreFoldersOnlyWhereNoSuchNameExists) {
    fs::create_directories(dir.path() / "sub");
    dir.write("sub/a", "abc");
    dir.write("sub\\b", "abc");
    dir.write("sub/b", "other");
    dir.write("list", "0000555  sub\\a\n0000555  sub\\b\n0000555  sub\\c\n");
    const auto result = firma({"-c", "list"});
    EXPECT_EQ(result.out, "sub\\a: OK\nsub\\b: OK\nsub\\c: FAILED open or read\n");
    EXPECT_EQ(result.err, "firma: 'sub\\c': No such file or directory\n"
                          "firma: WARNING: 1 listed file could not be read\n");
}

// An interrupted -o run leaves the list as it was and nothing beside it.
TEST_F(OnPosix, AnInterruptedRunLeavesTheOutputFileAsItWas) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    dir.write("lista.txt", "old\n");
    const std::string command = "echo $$ > pid; exec \"$0\" -o lista.txt fifo";
    auto running = std::async(std::launch::async, [&] { return run({"sh", "-c", command, FIRMA_EXE}); });
    // Once firma has the FIFO open for reading, a writer can open it too.
    int writer = -1;
    while (writer < 0 && running.wait_for(std::chrono::milliseconds(1)) == std::future_status::timeout)
        writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0) << "firma ended before reading the FIFO";
    ASSERT_EQ(::write(writer, "part", 4), 4);
    ::kill(std::stoi(testing::read_file(dir / "pid")), SIGTERM);
    const auto result = running.get();
    ::close(writer);
    EXPECT_EQ(result.exit_status, -1);  // ended by the signal
    EXPECT_EQ(testing::read_file(dir / "lista.txt"), "old\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"fifo", "lista.txt", "pid"}));
}

// Whatever the names, the output of firma checks OK with firma -c.
// A list from a pipe or FIFO is checked line by line as it arrives, as
// sha256sum -c does: each verdict is out before the next line is written.
TEST_F(OnPosix, ListsFromPipesAreCheckedAsEachLineArrives) {
    dir.write("abc", "abc");
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "the FIFO named" : "the FIFO as standard input");
        std::vector<std::string> args{FIRMA_EXE, "-c"};
        if (named) args.push_back("fifo");
        auto running = std::async(std::launch::async, [&] {
            return testing::run_program(args, {.in = named ? "" : fifo, .out = dir / "out", .cwd = dir.path().string()});
        });
        int writer = -1;
        while (writer < 0 && running.wait_for(std::chrono::milliseconds(1)) == std::future_status::timeout)
            writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(writer, 0) << "firma ended before reading the FIFO";
        for (const std::string expected : {"abc: OK\n", "abc: OK\nabc: OK\n"}) {
            ASSERT_EQ(::write(writer, "0000555  abc\n", 13), 13);
            // Far longer than any machine takes; a stalled firma never gets there.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
            while (testing::read_file(dir / "out") != expected && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            EXPECT_EQ(testing::read_file(dir / "out"), expected) << "the verdict waited for more of the list";
        }
        ::close(writer);
        EXPECT_EQ(running.get().exit_status, 0);
    }
}

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
// only; a signal clears the line before it ends the process. Each run reads a
// FIFO that is fed until the terminal shows the line (however long that takes),
// and only then closed or interrupted.
// With nothing to read but the keyboard, firma says how to end the input;
// from a pipe or a file it says nothing.
TEST_F(OnPosix, TypedInputSaysHowToEndIt) {
    if (!testing::have("script")) GTEST_SKIP() << "script(1) gives a terminal";
    const std::string hint = "firma: reading what you type (standard input); to end it, press Ctrl+D";
    dir.write("abc", "abc");
    for (const std::string mode : {"", " -c"}) {
        // script(1) ends what is typed with Ctrl+D once its own input ends.
        const auto typed = run({"script", "-qec", FIRMA_EXE + mode, "/dev/null"});
        EXPECT_NE(typed.out.find(hint), std::string::npos) << mode << ": " << typed.out;
        const auto piped = run({"sh", "-c", "printf '0000555  abc\\n' | exec \"$0\"" + mode, FIRMA_EXE});
        EXPECT_EQ(piped.err, "") << mode;
    }
}

TEST_F(OnPosix, ProgressLineOnATerminal) {
    if (std::system("command -v script >/dev/null") != 0) GTEST_SKIP() << "script(1) gives a terminal";
    const std::string firma = FIRMA_EXE;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string data = dir.write("data", std::string(1 << 20, 'd'));

    // What the terminal showed while `arguments` ran, ending with the status.
    // The program's process id is in "pid" for `interrupt`.
    const auto on_terminal = [&](const std::string& arguments, const std::string& awaited, bool interrupt = false) {
        const std::string command = "sh -c 'echo $$ > pid; exec \"$0\" \"$@\"' " + firma + " --progress " +
                                    arguments + "; echo \"status $?\"";
        const std::string shown = dir / "shown";
        fs::remove(shown);  // nothing of an earlier run may be taken for this one's
        fs::remove(dir / "pid");
        auto running = std::async(std::launch::async, [&] {
            return run({"script", "-qec", command, "/dev/null"}, {}, shown);
        });
        int writer = -1;
        bool seen = false, ended = false;
        const std::string piece(4096, 'f');
        while (running.wait_for(std::chrono::milliseconds(1)) == std::future_status::timeout) {
            if (writer < 0 && !ended)  // ENXIO until firma, or its shell, opens the FIFO
                writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (!seen) {
                seen = testing::read_file(shown).find(awaited) != std::string::npos;
                if (seen && interrupt) {
                    ::kill(std::stoi(testing::read_file(dir / "pid")), SIGINT);
                } else if (!seen && writer >= 0 && ::write(writer, piece.data(), piece.size()) < 0) {
                    EXPECT_EQ(errno, EAGAIN);  // full: firma has not caught up yet
                }
            } else if (writer >= 0) {  // the end of what the FIFO holds
                ::close(writer);
                writer = -1;
                ended = true;
            }
        }
        if (writer >= 0) ::close(writer);
        EXPECT_TRUE(seen) << "ended before showing " << awaited << ": " << testing::read_file(shown);
        running.get();
        return testing::read_file(shown);
    };

    const std::string drawn = on_terminal("data fifo > out", " left");
    // The FIFO's bytes count as they come: "1.9 MiB of 1.9 MiB (100%)".
    EXPECT_NE(drawn.find(" MiB of "), std::string::npos) << drawn;
    EXPECT_NE(drawn.find("%), "), std::string::npos) << drawn;
    EXPECT_NE(drawn.find(" MB/s, "), std::string::npos) << drawn;
    EXPECT_TRUE(drawn.ends_with("\r\033[Kstatus 0\r\n")) << "the progress line is left on the terminal";
    const std::string signed_ = testing::read_file(dir / "out");
    EXPECT_TRUE(signed_.starts_with("0ABB0EB  data\n")) << signed_;

    dir.write("list", signed_);
    EXPECT_NE(on_terminal("-c list > out", " left").find(" MiB of "), std::string::npos);

    const std::string piped = on_terminal("< fifo > out", " MB/s");
    EXPECT_EQ(piped.find(" of "), std::string::npos) << piped;
    EXPECT_EQ(piped.find("%"), std::string::npos) << piped;

    const std::string stopped = on_terminal("< fifo > out", " MB/s", true);
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

    EXPECT_EQ(firma({"tree"}).err, "firma: tree: Is a directory\nfirma: use -r to sign the files in a folder\n");
}

}  // namespace
}  // namespace firma
