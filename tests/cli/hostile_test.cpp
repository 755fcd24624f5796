// Files and environments that try to make the tool lie, hang or write: it must
// report them by name and carry on with the next file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "firma_fixture.h"

namespace firma {
namespace {

using testing::have;

namespace fs = std::filesystem;
using Hostile = testing::FirmaTest;

TEST_F(Hostile, UnreadableFileAsAnUnprivilegedUser) {
    if (::geteuid() != 0 || !have("setpriv")) GTEST_SKIP() << "needs root to drop privileges";
    const std::vector<std::string> as_nobody = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    auto can_run = as_nobody;
    can_run.insert(can_run.end(), {"test", "-x", FIRMA_EXE});
    if (run(can_run).exit_status != 0) GTEST_SKIP() << "an unprivileged user cannot reach " << FIRMA_EXE;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const std::string secret = dir.write("secret", "abc");
    const std::string open = dir.write("open", "abc");
    fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(open, fs::perms::owner_read | fs::perms::others_read);
    auto args = as_nobody;
    args.insert(args.end(), {FIRMA_EXE, secret, open});
    const auto result = run(args);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "firma: " + secret + ": Permission denied\n");
    EXPECT_EQ(result.out, "0000555  " + open + "\n");
}

TEST_F(Hostile, ReadErrorInTheMiddleIsReportedAndTheNextFileSigned) {
    if (!have("strace")) GTEST_SKIP() << "strace injects the error";
    const std::string bad = dir.write("bad", std::string(1 << 20, 'x'));
    const std::string good = dir.write("good", "abc");
    // The second read of that file (after 256 KiB) fails with EIO. LeakSanitizer
    // cannot work under ptrace, so a sanitizer build runs without it here.
    const auto result = run({"env", "ASAN_OPTIONS=detect_leaks=0", "strace", "-f", "-qq", "-o", "/dev/null", "-P", bad, "-e",
                             "inject=read:error=EIO:when=2", FIRMA_EXE, "-j", "1", bad, good});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "firma: " + bad + ": Input/output error\n");
    EXPECT_EQ(result.out, "0000555  " + good + "\n");
}

TEST_F(Hostile, FileGrowingWhileCheckedFailsOpenOrRead) {
    const std::string log = dir.write("log", std::string(32 << 20, 'x'));
    const std::string list = dir.write("list", "0000000  log\n");
    std::atomic<bool> writing{true};
    std::atomic<bool> written{false};
    std::thread writer([&] {
        std::ofstream out(log, std::ios::app);
        while (writing) {
            out << "another line\n" << std::flush;
            written = true;
        }
    });
    while (!written) std::this_thread::yield();  // the file grows from before the check to after it
    const auto result = firma({"-c", list});
    writing = false;
    writer.join();
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "log: FAILED open or read\n");
    EXPECT_NE(result.err.find("firma: log: file changed as we read it\n"), std::string::npos) << result.err;
}

TEST_F(Hostile, FifoIsReadToItsEndLikeStandardInput) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << "abc"; });
    const auto result = firma({fifo});
    writer.join();
    EXPECT_EQ(result.out, "0000555  " + fifo + "\n");
}

TEST_F(Hostile, PathsOfFourThousandBytes) {
    fs::path deep = dir.path();
    while (deep.string().size() < 3800) deep /= std::string(200, 'd');
    fs::create_directories(deep);
    const std::string path = (deep / std::string(3990 - deep.string().size(), 'f')).string();
    std::ofstream(path) << "abc";
    ASSERT_GE(path.size(), 3990u);
    const auto result = firma({path});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, "0000555  " + path + "\n");
    EXPECT_EQ(firma({"-c", dir.write("list", result.out)}).out, path + ": OK\n");
}

TEST_F(Hostile, InputIsLeftExactlyAsItWasAccessTimeIncluded) {
    const std::string path = dir.write("keep", std::string(300000, 'k'));
    const timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};  // 2001
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old_times, 0), 0);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    EXPECT_EQ(firma({path, "-r", dir.path().string()}).exit_status, 0);
    EXPECT_EQ(firma({"-c", dir.write("list", "0000000  keep\n")}).exit_status, 1);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_ctim.tv_sec, before.st_ctim.tv_sec);
    if (::geteuid() == 0 || ::geteuid() == before.st_uid) {  // O_NOATIME is the owner's
        EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec);
    }
    EXPECT_EQ(testing::read_file(path), std::string(300000, 'k'));
}

}  // namespace
}  // namespace firma
