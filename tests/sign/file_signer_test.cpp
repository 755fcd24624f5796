// Signing files: results, errors, and what the reader must never do.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "sign/file_signer.h"
#include "sign/module1.h"
#include "sign/sign_error.h"
#include "sign/signature.h"
#include "reference.h"
#include "temp_dir.h"

namespace firma {
namespace {

namespace fs = std::filesystem;
using testing::random_bytes;
using testing::reference_fold;
using testing::TempDir;

std::string as_text(const std::vector<unsigned char>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// Runs `call`, expects a std::system_error matching `expected` whose message names `path`.
template <class Call, class Expected>
void expect_failure(Call call, Expected expected, const std::string& path) {
    try {
        call();
        ADD_FAILURE() << "no error for '" << path << "'";
    } catch (const std::system_error& error) {
        EXPECT_TRUE(error.code() == expected) << error.what();
        EXPECT_EQ(std::string(error.what()), path + ": " + expected.message());
    }
}

std::size_t open_descriptors() {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}));
}

class FileSigner : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(FileSigner, SignsFilesLikeTheReference) {
    EXPECT_EQ(Module1::ComputeSign(dir.write("abc", "abc")), "0000555");
    EXPECT_EQ(Module1::ComputeSign(dir.write("empty", "")), "0000000");
    // Tiny files, sizes around the reader's 256 KiB piece and its multiples, and a large one.
    for (const std::size_t size : {1u, 2u, 4095u, 262143u, 262144u, 262145u, 3u * 262144u + 7u,
                                   64u << 20}) {
        const auto bytes = random_bytes(size, size);
        EXPECT_EQ(Module1::ComputeSign(dir.write("data", as_text(bytes))),
                  format_signature(reference_fold(bytes)))
            << size << " bytes";
    }
}

TEST_F(FileSigner, MissingFileIsAnErrorAndNothingIsCreated) {
    const std::string missing = dir / "missing";
    expect_failure([&] { Module1::ComputeSign(missing); },
                   std::make_error_condition(std::errc::no_such_file_or_directory), missing);
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(FileSigner, PathsThatNameNoFileFailClearly) {
    const auto no_entry = std::make_error_condition(std::errc::no_such_file_or_directory);
    expect_failure([] { Module1::ComputeSign(""); }, no_entry, "");
    expect_failure([&] { Module1::ComputeSign(dir / "no/such/folder/file"); }, no_entry,
                   dir / "no/such/folder/file");
    expect_failure([&] { Module1::ComputeSign(dir.path().string()); },
                   std::make_error_condition(std::errc::is_a_directory), dir.path().string());
    const std::string file = dir.write("file", "x");
    expect_failure([&] { Module1::ComputeSign(file + "/below"); },
                   std::make_error_condition(std::errc::not_a_directory), file + "/below");
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

TEST_F(FileSigner, HolesAfterTheFirstDataAreReadAsZeros) {
    const std::string path = dir / "gappy";
    {
        std::ofstream out(path, std::ios::binary);
        out << "abc";
        out.seekp(1 << 20);
        out << "xyz";
    }
    std::vector<unsigned char> bytes((1 << 20) + 3, 0);
    std::copy_n("abc", 3, bytes.begin());
    std::copy_n("xyz", 3, bytes.end() - 3);
    EXPECT_EQ(sign_file(path), reference_fold(bytes));
}

// The first progress call comes after the first piece, with more of the file unread.
TEST_F(FileSigner, FileThatGrowsOrShrinksWhileReadIsAnError) {
    const auto changed = make_error_code(SignError::changed_while_reading);
    const std::string path = dir.write("moving", std::string(1 << 20, 'x'));
    ReadOptions grow_once;
    grow_once.on_progress = [&](std::uint64_t consumed) {
        if (consumed <= 262144) std::ofstream(path, std::ios::app) << "more";
    };
    expect_failure([&] { sign_file(path, grow_once); }, changed, path);

    // Growing as fast as it is read: must still end.
    ReadOptions grow_always;
    grow_always.on_progress = [&](std::uint64_t) {
        std::ofstream(path, std::ios::app) << "more";
    };
    expect_failure([&] { sign_file(path, grow_always); }, changed, path);

    ReadOptions shrink;
    shrink.on_progress = [&](std::uint64_t) { fs::resize_file(path, 1000); };
    expect_failure([&] { sign_file(path, shrink); }, changed, path);
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

TEST_F(FileSigner, StopRequestEndsTheReadAsCancelled) {
    const std::string path = dir.write("data", std::string(1 << 20, 'x'));
    std::stop_source source;
    ReadOptions options;
    options.stop = source.get_token();
    options.on_progress = [&](std::uint64_t) { source.request_stop(); };
    expect_failure([&] { sign_file(path, options); }, make_error_code(SignError::cancelled), path);
}

TEST_F(FileSigner, DescriptorsAreReadFromTheirOffsetWithoutTheSizeCheck) {
    const std::string path = dir.write("text", "xyzabc");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::lseek(fd, 3, SEEK_SET), 3);
    EXPECT_EQ(sign_descriptor(fd, "-", false), 0x555u);
    ::close(fd);
}

}  // namespace
}  // namespace firma
