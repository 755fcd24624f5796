// Signing files where POSIX systems differ: FIFOs and devices, descriptors,
// sparse files, and the descriptors a failure must not leave open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "file_signer_fixture.h"
#include "reference.h"
#include "sign/batch_signer.h"
#include "sign/detail/file_signing.h"
#include "sign/fold.h"
#include "sign/detail/os.h"
#include "sign/file_signer.h"
#include "sign/module1.h"
#include "sign/sign_error.h"

namespace firma {
namespace {

std::size_t open_descriptors() {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}));
}

// A failure after the open must release the file: later calls are unaffected.
TEST_F(FileSigner, FailuresLeaveNothingOpenAndDoNotAffectTheNextCall) {
    const std::string abc = dir.write("abc", "abc");
    const std::size_t before = open_descriptors();
    for (int i = 0; i < 100; ++i) {
        EXPECT_THROW(Module1::ComputeSign(dir.path().string()), std::system_error);
        EXPECT_THROW(Module1::ComputeSign(dir / "missing"), std::system_error);
        EXPECT_EQ(Module1::ComputeSign(abc), "0000555");
    }
    EXPECT_EQ(open_descriptors(), before);
}

// What this process has read so far, counted by the kernel (read(2) and the
// like), or nothing where it keeps no such count.
std::optional<std::uint64_t> bytes_read_so_far() {
    std::ifstream io("/proc/self/io");
    for (std::string key; io >> key;) {
        std::uint64_t value = 0;
        io >> value;
        if (key == "rchar:") return value;
    }
    return std::nullopt;
}

// Lengths beyond 2^31 and 2^32: the holes are skipped, not read, and the sizes
// still compared.
TEST_F(FileSigner, SparseFilesBeyondFourGibibytesAreSignedWithoutReadingTheirHoles) {
    if (!bytes_read_so_far()) GTEST_SKIP() << "this kernel does not count what a process reads";
    for (const std::uint64_t hole : {(1ull << 31) + 5, (1ull << 32) + 3}) {
        const std::string path = dir / "sparse";
        {
            std::ofstream out(path, std::ios::binary);
            out.seekp(static_cast<std::streamoff>(hole));
            out << "abc";
        }
        ASSERT_EQ(fs::file_size(path), hole + 3);
        {
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            const off_t data = ::lseek(fd, 0, SEEK_DATA);
            ::close(fd);
            if (data == 0) GTEST_SKIP() << "this file system does not tell where its holes are";
        }
        const std::uint64_t before = *bytes_read_so_far();
        EXPECT_EQ(Module1::ComputeSign(path), "0000555");
        EXPECT_LT(*bytes_read_so_far() - before, 1u << 20) << "the hole was read";
    }
}

TEST_F(FileSigner, FifoIsReadToItsEndOnceAWriterComes) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto signing = std::async(std::launch::async, [&] { return Module1::ComputeSign(fifo); });
    // The reader waits for a writer rather than taking "no writer yet" as an
    // empty file: it is still signing when this end finds it there.
    int writer = -1;
    while (writer < 0) {
        ASSERT_EQ(signing.wait_for(std::chrono::seconds(0)), std::future_status::timeout)
            << "ended without a writer: " << signing.get();
        writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);  // ENXIO until a reader opens it
        if (writer < 0) std::this_thread::yield();
    }
    // Two writes, so that the reader may see them apart.
    ASSERT_EQ(::write(writer, "a", 1), 1);
    ASSERT_EQ(::write(writer, "bc", 2), 2);
    ::close(writer);
    EXPECT_EQ(signing.get(), "0000555");
}

TEST_F(FileSigner, RegularFilesOnlyRefusesFifosAndDevicesAtOnce) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ReadOptions options;
    options.regular_only = true;
    const auto refused = make_error_code(SignError::not_regular_file);
    expect_failure([&] { sign_file(fifo, options); }, refused, fifo);
    expect_failure([&] { sign_file("/dev/zero", options); }, refused, "/dev/zero");
    expect_failure([&] { sign_file(dir.path().string(), options); },
                   std::make_error_condition(std::errc::is_a_directory), dir.path().string());
    EXPECT_EQ(sign_file(dir.write("abc", "abc"), options), 0x555u);
}

TEST_F(FileSigner, DescriptorsAreReadFromTheirOffsetWithoutTheSizeCheck) {
    const std::string path = dir.write("text", "xyzabc");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::lseek(fd, 3, SEEK_SET), 3);
    const SigningContext context;
    FileSigning signing(FileReader(fd, "-", false, false), context);  // as standard input is read
    EXPECT_EQ(sign_in_one_chain(signing, best_chain()).accumulator, 0x555u);
    ::close(fd);
}

// One file signed as a batch signs it, with its workers.
BatchResult sign_in_a_batch(const SignRequest& request) {
    bool asked = false;
    BatchResult got{1, {}};
    sign_in_order<int>([&]() -> std::optional<BatchItem<int>> {
        if (std::exchange(asked, true)) return std::nullopt;
        return BatchItem<int>{0, request};
    }, [&](int, const BatchResult& result) { got = result; });
    return got;
}

// Standard input redirected from a file is that file: read from where it
// stands, and checked as an operand is, so a change during the read is an
// error, never a signature.
TEST_F(FileSigner, StandardInputThatIsAFileIsCheckedFromItsOffset) {
    const std::string path = dir.write("text", "xyzabc");
    const int saved = ::dup(STDIN_FILENO);
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::dup2(file, STDIN_FILENO), STDIN_FILENO);
    for (const bool grows : {false, true}) {
        ASSERT_EQ(::lseek(STDIN_FILENO, 3, SEEK_SET), 3);
        struct GrowsAfterOpen : detail::OsFaults {
            bool grows;
            void status(const std::string&, detail::FileStatus& status) override {
                if (grows && ++calls > 1) status.size += 1;
            }
            int calls = 0;
        } faults;
        faults.grows = grows;
        detail::set_os_faults(&faults);
        const BatchResult got = sign_in_a_batch({SignRequest::Source::standard_input, "-"});
        detail::set_os_faults(nullptr);
        if (grows) {
            EXPECT_EQ(got.error, SignError::changed_while_reading);
        } else {
            EXPECT_FALSE(got.error) << got.error.message();
            EXPECT_EQ(got.accumulator, 0x555u);
        }
    }
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    ::close(file);
}

// /proc reports a size of 0 for files that hold more, and finds no data in
// them: a file starting with more zeros than a piece must still be read to
// its end, never skipped back to its start for ever. A process's environment
// of empty strings is such a file.
TEST_F(FileSigner, ProcFilesStartingWithZerosAreReadToTheirEnd) {
    constexpr std::size_t kEmpty = 300000;  // more than a piece
    rlimit stack{};
    ASSERT_EQ(::getrlimit(RLIMIT_STACK, &stack), 0);
    const rlimit saved = stack;
    // Room for the environment: arguments and environment may take a quarter of the stack.
    if (stack.rlim_max == RLIM_INFINITY || stack.rlim_max >= (64u << 20)) stack.rlim_cur = 64u << 20;
    ::setrlimit(RLIMIT_STACK, &stack);
    std::vector<char*> environment(kEmpty, const_cast<char*>(""));
    environment.push_back(nullptr);
    int keep_open[2];
    ASSERT_EQ(::pipe2(keep_open, O_CLOEXEC), 0);  // the child keeps only its reading end, as its input
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(keep_open[0], STDIN_FILENO);
        char* const arguments[] = {const_cast<char*>("cat"), nullptr};
        ::execve("/bin/cat", arguments, environment.data());
        ::_exit(127);
    }
    ::setrlimit(RLIMIT_STACK, &saved);
    ::close(keep_open[0]);
    const std::string environ_file = "/proc/" + std::to_string(child) + "/environ";
    std::string contents;
    // The child's environment is there once it has started cat.
    while (contents.size() != kEmpty) {
        std::ifstream in(environ_file, std::ios::binary);
        contents.assign(std::istreambuf_iterator<char>(in), {});
        if (::waitpid(child, nullptr, WNOHANG) != 0) break;
    }
    if (contents.size() == kEmpty) {
        EXPECT_EQ(sign_file(environ_file), 0u);
        const BatchResult got = sign_in_a_batch({SignRequest::Source::file, environ_file});
        EXPECT_FALSE(got.error) << got.error.message();
        EXPECT_EQ(got.accumulator, 0u);
    }
    ::close(keep_open[1]);
    ::waitpid(child, nullptr, 0);
    if (contents.size() != kEmpty) GTEST_SKIP() << "the child's environment could not be set up";
}

// A FIFO among files waits for its writer only when every file before it has
// been delivered: here the writer comes only after that.
TEST_F(FileSigner, AFifoHoldsBackNoFileBeforeIt) {
    std::vector<std::string> files;
    for (int i = 0; i < 50; ++i) files.push_back(dir.write("f" + std::to_string(i), std::string(1000u * i, 'x')));
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    files.insert(files.begin() + 40, fifo);
    std::size_t next = 0, delivered = 0;
    std::vector<BatchResult> results;
    sign_in_order<std::size_t>([&]() -> std::optional<BatchItem<std::size_t>> {
        if (next == files.size()) return std::nullopt;
        return BatchItem<std::size_t>{next, SignRequest{SignRequest::Source::file, files[next++]}};
    }, [&](std::size_t, const BatchResult& result) {
        results.push_back(result);
        if (++delivered == 40) {  // the FIFO is open for reading by now, or about to be
            int writer = -1;
            while ((writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0) std::this_thread::yield();
            EXPECT_EQ(::write(writer, "abc", 3), 3);
            ::close(writer);
        }
    }, {.files_at_once = 16});
    ASSERT_EQ(results.size(), files.size());
    EXPECT_EQ(results[40].accumulator, 0x555u);
    for (const BatchResult& result : results) EXPECT_FALSE(result.error) << result.error.message();
}

// sysfs says a page of files that hold a few bytes: read to their end.
TEST_F(FileSigner, SysfsFilesAreSignedWhateverSizeTheyReport) {
    const std::string file = "/sys/devices/system/cpu/online";
    std::ifstream in(file, std::ios::binary);
    if (!in) GTEST_SKIP() << "no " << file;
    const std::string contents(std::istreambuf_iterator<char>(in), {});
    std::vector<unsigned char> bytes(contents.begin(), contents.end());
    EXPECT_EQ(sign_file(file), testing::reference_fold(bytes));
}

TEST_F(FileSigner, AFileNamedAsAFolderIsNotAFolder) {
    const std::string file = dir.write("file", "x");
    expect_failure([&] { Module1::ComputeSign(file + "/below"); },
                   std::make_error_condition(std::errc::not_a_directory), file + "/below");
}

}  // namespace
}  // namespace firma
