// The command line at the edges of what the system allows: threads it may not
// create, files at once, trees deeper than a path can name, lines longer than
// any name.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>

#include "firma_fixture.h"

namespace firma {
namespace {

using testing::have;

// Reading strace's lines: "PID openat(..., "/.../f3", ...) = FD",
// "PID close(FD) = 0", "PID <... openat resumed>) = FD".
bool opens_one_of_ours(std::string_view line) {
    const auto call = line.find(" openat(");
    if (call == std::string_view::npos) return false;
    for (auto at = line.find("/f", call); at != std::string_view::npos; at = line.find("/f", at + 1))
        if (at + 3 < line.size() && std::isdigit(static_cast<unsigned char>(line[at + 2])) && line[at + 3] == '"')
            return true;
    return false;
}

// The digits at `at`, if there are any.
std::optional<std::string> digits_at(std::string_view text, std::size_t at) {
    auto stop = at;
    while (stop < text.size() && std::isdigit(static_cast<unsigned char>(text[stop]))) ++stop;
    if (stop == at) return std::nullopt;
    return std::string(text.substr(at, stop - at));
}

std::optional<std::string> closed_descriptor(std::string_view line) {
    const auto call = line.find("close(");
    return call == std::string_view::npos ? std::nullopt : digits_at(line, call + 6);
}

// What a finished call returned: ") = N" at the end of the line.
std::optional<std::string> call_result(std::string_view line) {
    const auto equals = line.rfind(" = ");
    if (equals == std::string_view::npos) return std::nullopt;
    const auto before = line.find_last_not_of(' ', equals);
    if (before == std::string_view::npos || line[before] != ')') return std::nullopt;
    const auto result = digits_at(line, equals + 3);
    if (!result || equals + 3 + result->size() != line.size()) return std::nullopt;
    return result;
}

class Limits : public testing::FirmaTest {
protected:
    // A file of `size` bytes that takes real work: 'a', then zeros up to the end.
    std::string slow_file(const std::string& name, std::size_t size) {
        const std::string path = dir / name;
        std::ofstream out(path, std::ios::binary);
        out << 'a';
        out.seekp(static_cast<std::streamoff>(size - 1));
        out << 'z';
        return path;
    }
};

TEST_F(Limits, ThreadsTheSystemRefusesNeverHang) {
    dir.write("abc", "abc");
    const auto huge = firma({"-j", "4294967295", "abc", "abc"});
    EXPECT_EQ(huge.exit_status, 0) << huge.err;
    EXPECT_EQ(huge.out, "0000555  abc\n0000555  abc\n");

    if (::geteuid() != 0 || !have("setpriv") || !have("prlimit")) GTEST_SKIP() << "needs root to drop privileges";
    if (run({"setpriv", "--reuid=64999", "--regid=64999", "--clear-groups", "test", "-x", FIRMA_EXE}).exit_status != 0)
        GTEST_SKIP() << "an unprivileged user cannot reach " << FIRMA_EXE;
    ::chmod(dir.path().c_str(), 0755);
    // One task allowed: the process itself, which signs alone. Two: one worker for all.
    for (const char* tasks : {"--nproc=1", "--nproc=2"}) {
        // LeakSanitizer would need a task of its own at exit.
        const auto limited = run({"env", "ASAN_OPTIONS=detect_leaks=0", "prlimit", tasks, "setpriv", "--reuid=64999", "--regid=64999", "--clear-groups",
                                  FIRMA_EXE, "-j", "8", "abc", "abc", "abc"});
        EXPECT_EQ(limited.exit_status, 0) << tasks << ": " << limited.err;
        EXPECT_EQ(limited.out, "0000555  abc\n0000555  abc\n0000555  abc\n") << tasks;
    }
}

// Traced, the files open at once never exceed -j: -j 1 reads one after another.
TEST_F(Limits, JobsBoundTheFilesOpenAtOnce) {
    if (!have("strace")) GTEST_SKIP() << "strace shows the opens";
    std::vector<std::string> files;
    for (int i = 0; i < 6; ++i) files.push_back(slow_file("f" + std::to_string(i), 3 << 20));
    for (const int jobs : {1, 3}) {
        std::vector<std::string> args = {"env", "ASAN_OPTIONS=detect_leaks=0", "strace", "-f", "-qq", "-o",
                                         dir / "trace", "-e", "trace=openat,close", FIRMA_EXE,
                                         "-j", std::to_string(jobs)};
        args.insert(args.end(), files.begin(), files.end());
        ASSERT_EQ(run(args).exit_status, 0);
        // Threads' calls may be split: "openat(... <unfinished ...>", then
        // "<... openat resumed>) = FD" on the same thread.
        std::istringstream trace(testing::read_file(dir / "trace"));
        std::map<std::string, bool> opening;  // by thread
        std::set<std::string> open;
        std::size_t most = 0;
        for (std::string line; std::getline(trace, line);) {
            const std::string thread = line.substr(0, line.find(' '));
            if (opens_one_of_ours(line)) opening[thread] = true;
            if (const auto closed = closed_descriptor(line)) {
                open.erase(*closed);
            } else if (const auto result = call_result(line); result && opening[thread]) {
                opening[thread] = false;
                open.insert(*result);
            }
            most = std::max(most, open.size());
        }
        EXPECT_GE(most, 1u);
        EXPECT_LE(most, static_cast<std::size_t>(jobs));
    }
}

TEST_F(Limits, TreesDeeperThanAPathCanNameAndSpecialFilesSkipped) {
    // 45 levels of 100-byte names: a path of over 4,500 bytes, made level by level.
    int fd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::mkdirat(fd, "tree", 0755), 0);
    std::string expected = "tree";
    for (int level = 0; level <= 45; ++level) {
        const int below = ::openat(fd, level == 0 ? "tree" : std::string(100, 'd').c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = below;
        if (level < 45) {
            ASSERT_EQ(::mkdirat(fd, std::string(100, 'd').c_str(), 0755), 0);
            expected += "/" + std::string(100, 'd');
        }
    }
    const int leaf = ::openat(fd, "leaf", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(leaf, "abc", 3), 3);
    ::close(leaf);
    ::close(fd);
    ASSERT_EQ(::mkfifo((dir / "tree/fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "tree/dangling").c_str()), 0);
    ASSERT_EQ(::symlink(std::string(dir / "tree/fifo").c_str(), (dir / "tree/link-to-fifo").c_str()), 0);
    dir.write("target", "abc");
    ASSERT_EQ(::symlink(std::string(dir / "target").c_str(), (dir / "tree/link-to-file").c_str()), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (dir / "tree/socket").c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    const auto result = firma({"-r", "tree"});
    ::close(sock);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    ASSERT_GT(expected.size(), 4096u);
    EXPECT_EQ(result.out, "0000555  " + expected + "/leaf\n0000555  tree/link-to-file\n");
    EXPECT_EQ(result.err, "firma: tree/dangling: dangling symbolic link skipped\n"
                          "firma: tree/fifo: FIFO skipped\n"
                          "firma: tree/link-to-fifo: FIFO skipped\n"
                          "firma: tree/socket: socket skipped\n");
    // std::filesystem cannot remove what no path can name.
    run({"rm", "-rf", dir / "tree"});
}

TEST_F(Limits, ALineLongerThanAnyNameIsMalformedAndNotHeld) {
    dir.write("abc", "abc");
    const std::string list = dir / "list";
    {
        // Written piece by piece: the test's own memory would count as firma's
        // until firma starts (posix_spawn shares it).
        std::ofstream out(list, std::ios::binary);
        out << "0000555  ";
        const std::string piece(1 << 20, 'a');
        for (int i = 0; i < 50; ++i) out << piece;
        out << "\n0000555  abc\n";
    }
    const auto result = firma({"-c", "-w", list});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, "abc: OK\n");
    EXPECT_EQ(result.err, "firma: " + list + ": 1: improperly formatted FIRMA checksum line\n"
                          "firma: WARNING: 1 line is improperly formatted\n");
    if (!testing::kSanitized) {
        EXPECT_LE(result.peak_rss_kib, 16 * 1024);
    }
}

// However little memory is left, firma says so and fails; the lines printed
// before stay right. Below about 8 MB of address space the C++ runtime itself
// cannot raise an error, before firma reads anything: those limits are not tried.
TEST_F(Limits, OutOfMemoryIsAnErrorNeverAnAbort) {
    if (testing::kSanitized) GTEST_SKIP() << "a sanitizer's shadow memory does not fit in these limits";
    const std::string big = dir.write("big", std::string(3 << 20, 'x'));
    dir.write("abc", "abc");
    const std::string expected = firma({"big", "abc"}).out;
    for (const int kib : {10000, 16000, 24000, 40000, 100000}) {
        const auto limited = run({"sh", "-c", "ulimit -v " + std::to_string(kib) + " && exec " FIRMA_EXE " big abc"});
        ASSERT_NE(limited.exit_status, -1) << kib << " KiB: killed by a signal: " << limited.err;
        EXPECT_TRUE(expected.starts_with(limited.out)) << kib << " KiB: " << limited.out;
        if (limited.exit_status == 0) {
            EXPECT_EQ(limited.out, expected) << kib << " KiB";
        } else {
            EXPECT_EQ(limited.exit_status, 1) << kib << " KiB";
            EXPECT_TRUE(limited.err.starts_with("firma: ")) << kib << " KiB: " << limited.err;
        }
    }
}

// Under an address-space limit firma signs what sha256sum signs: fewer files
// at once, then the calling thread alone, never a file failed for want of
// memory another file holds. Where firma cannot start at all (its libraries
// take about 6 MB before it runs), it says so and never aborts.
TEST_F(Limits, EveryAddressSpaceLimitSha256sumWorksInFirmaSignsToo) {
    if (testing::kSanitized) GTEST_SKIP() << "a sanitizer's shadow memory does not fit in these limits";
    std::string names;
    for (int i = 1; i <= 50; ++i) {
        dir.write("f" + std::to_string(i), std::string(static_cast<std::size_t>(i) * 2000, static_cast<char>(i)));
        names += " f" + std::to_string(i);
    }
    dir.write("list", firma({"f1", "f50"}).out);
    const auto limited = [&](int kib, const std::string& command) {
        return run({"sh", "-c", "ulimit -v " + std::to_string(kib) + " && exec " + command});
    };
    for (const int kib : {6000, 7000, 8000, 10000, 14000, 17000, 20000, 30000, 50000, 100000}) {
        SCOPED_TRACE(std::to_string(kib) + " KiB");
        if (limited(kib, "sha256sum" + names).exit_status != 0) continue;
        for (const std::string& command : {FIRMA_EXE + names, FIRMA_EXE " -j 1" + names, std::string(FIRMA_EXE " -r ."),
                                          std::string(FIRMA_EXE " -c list")}) {
            const auto result = limited(kib, command);
            const bool started = result.exit_status != 127 && result.err != "firma: memory exhausted\n";
            if (!started && result.out.empty()) continue;
            EXPECT_EQ(result.exit_status, 0) << command << ": " << result.err;
            EXPECT_EQ(result.err, "") << command;
        }
    }
}

// With fewer descriptors than files at once, files wait for one instead of
// failing, whether named, walked or listed.
TEST_F(Limits, ALowOpenFilesLimitSignsEveryFile) {
    std::string names;
    std::filesystem::create_directory(dir / "tree");
    for (int i = 0; i < 50; ++i) {
        dir.write("tree/f" + std::to_string(i), std::string(static_cast<std::size_t>(i) * 5000, 'x'));
        names += " tree/f" + std::to_string(i);
    }
    const auto all = firma({"-r", "tree"});
    ASSERT_EQ(all.exit_status, 0);
    std::ofstream(dir / "sums") << all.out;
    for (const char* command : {"firma", "firma -r tree", "firma -c sums"}) {
        std::string line = command;
        line.replace(0, 5, FIRMA_EXE);
        if (line == FIRMA_EXE) line += names;
        const auto limited = run({"sh", "-c", "ulimit -n 16 && exec " + line});
        EXPECT_EQ(limited.exit_status, 0) << command << ": " << limited.err;
        EXPECT_EQ(limited.err, "") << command;
        const std::size_t lines = static_cast<std::size_t>(std::count(limited.out.begin(), limited.out.end(), '\n'));
        EXPECT_EQ(lines, 50u) << command;
    }
}

// A walk keeps each level's own name, not its whole path: memory grows with
// the depth, not with its square (a whole path per level took 30 MB here).
TEST_F(Limits, DeepWalksTakeLittleMemory) {
    if (testing::kSanitized) GTEST_SKIP() << "a sanitizer's shadow memory says nothing of firma's";
    int fd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 5000; ++level) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        const int below = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = below;
    }
    const int leaf = ::openat(fd, "leaf", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(leaf, "abc", 3), 3);
    ::close(leaf);
    ::close(fd);
    const auto result = firma({"-r", "d"});
    EXPECT_EQ(result.exit_status, 0) << result.err.substr(0, 200);
    EXPECT_TRUE(result.out.starts_with("0000555  d/d/d/")) << result.out.substr(0, 200);
    EXPECT_LE(result.peak_rss_kib, 12 * 1024);
    run({"rm", "-rf", dir / "d"});
}

}  // namespace
}  // namespace firma
