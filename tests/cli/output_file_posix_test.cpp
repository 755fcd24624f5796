// -o FILE as the shell's `>` would treat FILE: a regular file is replaced only
// by a complete run and keeps what it had; anything else is written into.
// Special files are made in the scratch folder (a FIFO; as root, a device node
// like /dev/null's), never the machine's own /dev.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <algorithm>
#include <cstring>
#include <functional>
#include <future>
#include <thread>

#include "firma_fixture.h"

namespace firma {
namespace {

namespace fs = std::filesystem;
using OutputFile = testing::FirmaTest;

constexpr uid_t kNobody = 65534;
const bool kRoot = ::geteuid() == 0;

std::vector<std::string> folder_names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Each kind of FILE: made by `make`, then `firma -o FILE abc` run (as
// `nobody` where `as_nobody`), then what must hold checked.
TEST_F(OutputFile, EachKindOfFileIsWrittenAsTheShellWould) {
    const std::string list = "0000555  abc\n";
    dir.write("abc", "abc");
    fs::permissions(dir.path(), fs::perms::all);  // for runs as nobody
    const auto stat_of = [&](const std::string& name) {
        struct stat status {};
        EXPECT_EQ(::lstat((dir / name).c_str(), &status), 0) << name;
        return status;
    };
    const struct Case {
        const char* what;
        bool needs_root;
        bool as_nobody;
        std::function<void()> make;
        std::string target;
        int status;
        std::string err;
        std::function<void()> check;
    } cases[] = {
        {"a regular file keeps owner, group, mode and attributes", true, false,
         [&] {
             dir.write("kept", "old\n");
             ASSERT_EQ(::chown((dir / "kept").c_str(), kNobody, kNobody), 0);
             ASSERT_EQ(::chmod((dir / "kept").c_str(), 0640), 0);
             ::setxattr((dir / "kept").c_str(), "user.firma", "1", 1, 0);  // where the file system has them
         },
         "kept", 0, "",
         [&] {
             const struct stat status = stat_of("kept");
             EXPECT_EQ(status.st_uid, kNobody);
             EXPECT_EQ(status.st_gid, kNobody);
             EXPECT_EQ(status.st_mode & 07777, 0640u);
             char value[4] = {};
             if (::getxattr((dir / "kept").c_str(), "user.firma", nullptr, 0) >= 0 || errno != ENOTSUP) {
                 EXPECT_EQ(::getxattr((dir / "kept").c_str(), "user.firma", value, sizeof value), 1);
             }
             EXPECT_EQ(testing::read_file(dir / "kept"), list);
         }},
        {"every hard link sees the new list", false, false,
         [&] {
             dir.write("one", "old\n");
             fs::create_hard_link(dir / "one", dir / "two");
         },
         "one", 0, "", [&] { EXPECT_EQ(testing::read_file(dir / "two"), list); }},
        {"a dangling link makes its target", false, false,
         [&] { fs::create_symlink("made", dir / "dangling"); }, "dangling", 0, "",
         [&] {
             EXPECT_TRUE(fs::is_symlink(dir / "dangling"));
             EXPECT_EQ(testing::read_file(dir / "made"), list);
         }},
        {"a loop of links is refused", false, false,
         [&] {
             fs::create_symlink("loop2", dir / "loop1");
             fs::create_symlink("loop1", dir / "loop2");
         },
         "loop1", 1, "firma: loop1: Too many levels of symbolic links\n",
         [&] { EXPECT_TRUE(fs::is_symlink(dir / "loop1")); }},
        {"a device is written into, never replaced", true, false,
         [&] { ASSERT_EQ(::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0); }, "null", 0, "",
         [&] { EXPECT_TRUE(S_ISCHR(stat_of("null").st_mode)); }},
        {"/dev/null is written into by whoever may write it", true, true, [] {}, "/dev/null", 0, "",
         [] { EXPECT_TRUE(fs::is_character_file("/dev/null")); }},
        {"a writable list in a read-only folder is rewritten", true, true,
         [&] {
             fs::create_directory(dir / "ro");
             dir.write("ro/list", "old\n");
             fs::permissions(dir / "ro/list", fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec &
                                                  ~fs::perms::others_exec);
             fs::permissions(dir / "ro", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                             fs::perms::others_read | fs::perms::others_exec);
         },
         "ro/list", 0, "", [&] { EXPECT_EQ(testing::read_file(dir / "ro/list"), list); }},
        {"a new list in a read-only folder: the folder refuses", true, true,
         [&] { fs::create_directory(dir / "ro"); }, "ro/new", 1, "firma: ro: Permission denied\n",
         [&] { EXPECT_FALSE(fs::exists(dir / "ro/new")); }},
        {"another's writable list in a sticky folder is rewritten", true, true,
         [&] {
             fs::create_directory(dir / "sticky");
             fs::permissions(dir / "sticky", fs::perms::all | fs::perms::sticky_bit);
             dir.write("sticky/list", "old\n");
             fs::permissions(dir / "sticky/list", fs::perms::owner_read | fs::perms::owner_write |
                                                      fs::perms::group_read | fs::perms::group_write |
                                                      fs::perms::others_read | fs::perms::others_write);
         },
         "sticky/list", 0, "",
         [&] {
             EXPECT_EQ(testing::read_file(dir / "sticky/list"), list);
             EXPECT_EQ(stat_of("sticky/list").st_uid, 0u);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needs_root && !kRoot) continue;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            if (entry.path().filename() != "abc") fs::remove_all(entry.path());
        c.make();
        std::vector<std::string> args{FIRMA_EXE, "-o", c.target, "abc"};
        if (c.as_nobody)
            args.insert(args.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
        const auto result = testing::run_program(args, {.cwd = dir.path().string()});
        EXPECT_EQ(result.exit_status, c.status) << result.err;
        EXPECT_EQ(result.err, c.err);
        c.check();
        if (fs::exists(dir / "ro")) fs::permissions(dir / "ro", fs::perms::all);
    }
}

// What the shell set up for standard output stands: -o /dev/stdout writes
// into it, between what others write there.
TEST_F(OutputFile, StandardOutputByItsNamesIsWrittenIntoNotReplaced) {
    dir.write("abc", "abc");
    for (const std::string name : {"/dev/stdout", "/proc/self/fd/1", "/dev/fd/1"}) {
        const std::string command = "{ echo header; \"$0\" -o " + name + " abc; echo footer; } > out";
        EXPECT_EQ(run({"sh", "-c", command, FIRMA_EXE}).exit_status, 0) << name;
        EXPECT_EQ(testing::read_file(dir / "out"), "header\n0000555  abc\nfooter\n") << name;
    }
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reader = std::async(std::launch::async, [&] { return testing::read_file(fifo); });
    EXPECT_EQ(firma({"-o", "fifo", "abc"}).exit_status, 0);
    EXPECT_EQ(reader.get(), "0000555  abc\n");
}

// Where the file system has no unnamed files, the new file has a name until
// it is put in place: every signal that can be caught removes it; one left by
// a kill is never signed by -r, and the next -o there removes it.
TEST_F(OutputFile, WithoutUnnamedFilesNoSignalLeavesTheNewFileBehind) {
    if (testing::kSanitized) GTEST_SKIP() << "a preloaded library must not come before the sanitizer's";
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    dir.write("list", "old\n");
    dir.write("abc", "abc");
    const testing::RunStreams no_tmpfile{.cwd = dir.path().string(), .environment = {"LD_PRELOAD=" NO_TMPFILE_SHIM}};
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGKILL}) {
        SCOPED_TRACE(::strsignal(signal_number));
        const std::string command = "echo $$ > pid; exec \"$0\" -o list fifo";
        auto running = std::async(std::launch::async,
                                  [&] { return testing::run_program({"sh", "-c", command, FIRMA_EXE}, no_tmpfile); });
        int writer = -1;
        while (writer < 0 && running.wait_for(std::chrono::milliseconds(1)) == std::future_status::timeout)
            writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(writer, 0) << "firma ended before reading the FIFO";
        ::kill(std::stoi(testing::read_file(dir / "pid")), signal_number);
        EXPECT_EQ(running.get().exit_status, -1);
        ::close(writer);
        EXPECT_EQ(testing::read_file(dir / "list"), "old\n");
        const auto names = folder_names(dir.path());
        if (signal_number != SIGKILL) {
            EXPECT_EQ(names, (std::vector<std::string>{"abc", "fifo", "list", "pid"}));
            continue;
        }
        ASSERT_EQ(names.size(), 5u) << "a kill cannot be caught, so it leaves the new file";
        const std::string walked = firma({"-r", "."}).out;
        EXPECT_NE(walked.find("./list\n"), std::string::npos) << walked;
        EXPECT_EQ(walked.find(".firma-"), std::string::npos) << walked;
        EXPECT_EQ(testing::run_program({FIRMA_EXE, "-o", "list", "abc"}, no_tmpfile).exit_status, 0);
        EXPECT_EQ(folder_names(dir.path()), (std::vector<std::string>{"abc", "fifo", "list", "pid"}));
    }
}

}  // namespace
}  // namespace firma
