// Signing files: results, errors, and what the reader must never do, on every
// system.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sign/file_signer.h"
#include "sign/module1.h"
#include "sign/sign_error.h"
#include "sign/signature.h"
#include "file_signer_fixture.h"
#include "reference.h"

namespace firma {
namespace {

using testing::random_bytes;
using testing::reference_fold;

TEST_F(FileSigner, SignsFilesLikeTheReference) {
    EXPECT_EQ(Module1::ComputeSign(dir.write("abc", "abc")), "0000555");
    EXPECT_EQ(Module1::ComputeSign(dir.write("empty", "")), "0000000");
    // Tiny files, and sizes around the reader's 256 KiB piece and its multiples.
    for (const std::size_t size : {1u, 2u, 4095u, 262143u, 262144u, 262145u, 3u * 262144u + 7u}) {
        const auto bytes = random_bytes(size, size);
        EXPECT_EQ(Module1::ComputeSign(dir.write("data", as_text(bytes))),
                  format_signature(reference_fold(bytes)))
            << size << " bytes";
    }
}

// Hundreds of pieces, each carried over to the next.
TEST_F(FileSigner, ALargeFileSignsLikeTheReference) {
    const auto bytes = random_bytes(64u << 20, 64u << 20);
    EXPECT_EQ(Module1::ComputeSign(dir.write("data", as_text(bytes))), format_signature(reference_fold(bytes)));
}

// The same bytes give the same signature whatever system signs them: this
// number was computed once, and every build must reproduce it.
TEST_F(FileSigner, SixtyFourMebibytesSignTheSameOnEverySystem) {
    EXPECT_EQ(Module1::ComputeSign(dir.write("random", as_text(random_bytes(64u << 20, 64)))), "A93945F");
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
    grow_once.on_progress = [&](std::uint64_t consumed, std::uint64_t) {
        if (consumed <= 262144) std::ofstream(path, std::ios::app) << "more";
    };
    expect_failure([&] { sign_file(path, grow_once); }, changed, path);

    // Growing as fast as it is read: must still end.
    ReadOptions grow_always;
    grow_always.on_progress = [&](std::uint64_t, std::uint64_t) {
        std::ofstream(path, std::ios::app) << "more";
    };
    expect_failure([&] { sign_file(path, grow_always); }, changed, path);

    ReadOptions shrink;
    shrink.on_progress = [&](std::uint64_t, std::uint64_t) { fs::resize_file(path, 1000); };
    expect_failure([&] { sign_file(path, shrink); }, changed, path);
}

TEST_F(FileSigner, StopRequestEndsTheReadAsCancelled) {
    const std::string path = dir.write("data", std::string(1 << 20, 'x'));
    std::stop_source source;
    ReadOptions options;
    options.stop = source.get_token();
    options.on_progress = [&](std::uint64_t, std::uint64_t) { source.request_stop(); };
    expect_failure([&] { sign_file(path, options); }, make_error_code(SignError::cancelled), path);
}

}  // namespace
}  // namespace firma
