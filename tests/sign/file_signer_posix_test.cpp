// Signing files where POSIX systems differ: FIFOs and devices, descriptors,
// sparse files, and the descriptors a failure must not leave open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <thread>

#include "file_signer_fixture.h"
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
    options.regular_files_only = true;
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
    EXPECT_EQ(sign_descriptor(fd, "-", false), 0x555u);
    ::close(fd);
}

TEST_F(FileSigner, AFileNamedAsAFolderIsNotAFolder) {
    const std::string file = dir.write("file", "x");
    expect_failure([&] { Module1::ComputeSign(file + "/below"); },
                   std::make_error_condition(std::errc::not_a_directory), file + "/below");
}

}  // namespace
}  // namespace firma
