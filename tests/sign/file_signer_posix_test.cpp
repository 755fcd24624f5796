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

// Lengths beyond 2^31 and 2^32: the holes are skipped, the sizes still compared.
TEST_F(FileSigner, SparseFilesBeyondFourGibibytesSignInAnInstant) {
    for (const std::uint64_t hole : {(1ull << 31) + 5, (1ull << 32) + 3}) {
        const std::string path = dir / "sparse";
        {
            std::ofstream out(path, std::ios::binary);
            out.seekp(static_cast<std::streamoff>(hole));
            out << "abc";
        }
        ASSERT_EQ(fs::file_size(path), hole + 3);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Module1::ComputeSign(path), "0000555");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    }
}

TEST_F(FileSigner, FifoIsReadToItsEndOnceAWriterComes) {
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto signing = std::async(std::launch::async, [&] { return Module1::ComputeSign(fifo); });
    // The reader waits for a writer rather than taking "no writer yet" as an empty file.
    EXPECT_EQ(signing.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    {
        std::ofstream writer(fifo, std::ios::binary);
        writer << "a" << std::flush;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        writer << "bc";
    }
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
