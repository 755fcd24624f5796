// Signing files where Windows differs: wide names, files other programs hold
// open for writing, paths longer than MAX_PATH.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "file_signer_fixture.h"
#include "sign/file_signer.h"
#include "sign/module1.h"

namespace firma {
namespace {

fs::path write(const fs::path& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

TEST_F(FileSigner, WideNamesSign) {
    for (const auto* name : {u8"año ñ.txt", u8"日本語", u8"emoji 😀", u8" leading space"}) {
        const fs::path path = write(dir.path() / fs::path(std::u8string(name)), "abc");
        EXPECT_EQ(Module1::ComputeSign(path), "0000555") << path.string();
    }
}

// Read-only with every sharing flag: another program writing the file does not
// lock firma out.
TEST_F(FileSigner, AFileHeldOpenForWritingIsSigned) {
    const fs::path path = dir.path() / "held";
    const HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(writer, "abc", 3, &written, nullptr));
    EXPECT_EQ(Module1::ComputeSign(path), "0000555");
    CloseHandle(writer);
}

TEST_F(FileSigner, PathsLongerThanMaxPathSign) {
    fs::path folder = dir.path();
    while (folder.native().size() < 400) folder /= std::wstring(100, L'd');
    fs::create_directories(LR"(\\?\)" + folder.native());
    const fs::path path = folder / "file";
    const HANDLE file = CreateFileW((LR"(\\?\)" + path.native()).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
    CloseHandle(file);
    EXPECT_EQ(Module1::ComputeSign(path), "0000555");
    std::error_code ignored;  // the scratch prefix goes with the run anyway
    fs::remove_all(LR"(\\?\)" + dir.path().native() + L"\\" + std::wstring(100, L'd'), ignored);
}

}  // namespace
}  // namespace firma
