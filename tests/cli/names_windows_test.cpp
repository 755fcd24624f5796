// Operands and names as Windows has them: wildcards no shell expanded, device
// names reserved in every folder, a list line in Latin-1 from an old tool, an
// NTFS name holding an unpaired surrogate.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <system_error>

#include "firma_fixture.h"

namespace firma {
namespace {

using Names = testing::FirmaTest;

TEST_F(Names, WildcardsAreExpandedLikeDirDoes) {
    for (const char* name : {"b.txt", "a.txt", "c.pdf", "h.txt", "docs/x.pdf"}) {
        std::filesystem::create_directories((dir.path() / name).parent_path());
        dir.write(name, "abc");
    }
    SetFileAttributesW((dir.path() / "h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    dir.write("names.list", "0000555  *.txt\n");
    struct Case {
        std::vector<std::string> args;
        std::string out, err;
    };
    for (const Case& c : {
             Case{{"*.txt"}, "0000555  a.txt\n0000555  b.txt\n", ""},  // sorted, the hidden one left out
             Case{{"?.TXT", "c.*"}, "0000555  a.txt\n0000555  b.txt\n0000555  c.pdf\n", ""},
             Case{{"docs\\*.pdf", "docs/*"}, "0000555  docs\\x.pdf\n0000555  docs/x.pdf\n", ""},
             Case{{"-r", "d*"}, "0000555  docs\\x.pdf\n", ""},
             Case{{"*.xyz"}, "", "firma: *.xyz: No such file or directory\n"},
             Case{{"-c", "*.list"}, "*.txt: FAILED open or read\n",  // a listed name is a name
                  "firma: *.txt: No such file or directory\nfirma: WARNING: 1 listed file could not be read\n"}}) {
        const auto result = firma(c.args);
        EXPECT_EQ(result.out, c.out) << c.args[0];
        EXPECT_EQ(result.err, c.err) << c.args[0];
        EXPECT_EQ(result.exit_status, c.err.empty() ? 0 : 1) << c.args[0];
    }
    // The '?' of a long path's prefix is no wildcard.
    const std::string long_path = "\\\\?\\" + (dir.path() / "a.txt").string();
    EXPECT_EQ(firma({long_path}).out, "0000555  " + long_path + "\n");
}

// What Windows users type and expect: /? for help, a folder as "Copy as path"
// quotes it, names in the order dir lists them, Explorer's own files left out.
TEST_F(Names, WindowsHabitsAreKept) {
    std::filesystem::create_directories(dir.path() / "sub");
    for (const char* name : {"B.txt", "Zeta.txt", "a.txt", "c.TXT", "nube.txt", "\xC3\x91u.txt", "sub\\x",
                             "sub\\Thumbs.db", "sub\\oculto"})
        std::ofstream(dir.path() / std::filesystem::u8path(name), std::ios::binary) << "abc";
    SetFileAttributesW((dir.path() / "sub" / "Thumbs.db").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesW((dir.path() / "sub" / "oculto").c_str(), FILE_ATTRIBUTE_HIDDEN);
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    for (const Case& c : {
             Case{{"*.txt"},  // by the upper-cased names, unit by unit: Z (5A) before \u00D1
                  "0000555  a.txt\n0000555  B.txt\n0000555  c.TXT\n0000555  nube.txt\n0000555  Zeta.txt\n"
                  "0000555  \xC3\x91u.txt\n"},
             Case{{"-r", "sub\""}, "0000555  sub\\oculto\n0000555  sub\\x\n"},  // typed "sub\"
             Case{{"-r", "--all", "sub"}, "0000555  sub\\Thumbs.db\n0000555  sub\\oculto\n0000555  sub\\x\n"},
         }) {
        SCOPED_TRACE(c.args.back());
        const auto result = firma(c.args);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.exit_status, 0);
    }
    for (const char* asked : {"/?", "-?", "-h"}) {
        const auto help = firma({asked});
        EXPECT_TRUE(help.out.starts_with("Usage: firma [OPTION]... [FILE]...\n")) << asked << ": " << help.out;
        EXPECT_EQ(help.exit_status, 0) << asked;
    }
}

// cmd keeps the blank before a redirect, and Windows' rules then read
// "C:\Mis Fotos\" > l.txt as the operand C:\Mis Fotos" with a blank: typed in a
// batch file, which cmd runs as typed, each line gives the folder's files.
TEST_F(Names, AQuotedFolderThroughCmdIsThatFolder) {
    std::filesystem::create_directories(dir.path() / "Mis Fotos");
    dir.write("Mis Fotos/a.txt", "abc");
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string program = (std::filesystem::path(self).parent_path() / "firma.exe").string();
    const std::string folder = (dir.path() / "Mis Fotos").string() + "\\";
    const std::string expected = "0000555  " + folder + "a.txt\n";
    dir.write("run.bat", "@\"" + program + "\" -r \"" + folder + "\" > blank.txt\r\n"
                         "@\"" + program + "\" -r \"" + folder + "\" --tag > option.txt\r\n"
                         "@\"" + program + "\" -r \"" + folder + "\">none.txt\r\n");
    const auto result = run({"cmd", "/c", "run.bat"});
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(testing::read_file(dir / "blank.txt"), expected);
    EXPECT_EQ(testing::read_file(dir / "none.txt"), expected);
    EXPECT_EQ(testing::read_file(dir / "option.txt"), "FIRMA (" + folder + "a.txt) = 0000555\n");
}

// Reading COM1 would wait for ever on the serial port: refused at once.
TEST_F(Names, DeviceNamesAreRefusedButNulReadsAsEmpty) {
    for (const char* name : {"COM1", "aux.txt", "sub\\Lpt3.log", "con"}) {
        const auto result = firma({name});
        EXPECT_EQ(result.exit_status, 1) << name;
        EXPECT_NE(result.err.find(": not a regular file\n"), std::string::npos) << result.err;
    }
    EXPECT_EQ(firma({"NUL"}).out, "0000000  NUL\n");
    // Met in a walk (such names are made through \\?\), they are refused alike.
    std::filesystem::create_directories(dir.path() / "walked");
    for (const wchar_t* name : {L"COM1", L"AUX.log"}) {
        const std::wstring path = LR"(\\?\)" + (dir.path() / "walked" / name).wstring();
        CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    }
    const auto walked = firma({"-r", "walked"});
    EXPECT_EQ(walked.err, "firma: walked\\AUX.log: not a regular file\nfirma: walked\\COM1: not a regular file\n");
    for (const wchar_t* name : {L"COM1", L"AUX.log"})
        DeleteFileW((LR"(\\?\)" + (dir.path() / "walked" / name).wstring()).c_str());
}

// A list another program holds open cannot be replaced: said as a read of it
// would say it.
TEST_F(Names, AnOutputFileHeldOpenIsSaidToBeInUse) {
    dir.write("abc", "abc");
    dir.write("held.txt", "old\n");
    const HANDLE held = CreateFileW((dir.path() / "held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto result = firma({"-o", "held.txt", "abc"});
    CloseHandle(held);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "firma: held.txt: The file is in use by another program\n");
    EXPECT_EQ(testing::read_file(dir / "held.txt"), "old\n");
}

TEST_F(Names, ALineThatIsNotUtf8FailsAloneAndTheRestIsChecked) {
    dir.write("b", "abc");
    dir.write("list", "0000555  a\xf1o.txt\n0000555  b\n");
    const auto result = firma({"-c", "list"});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "a\xf1o.txt: FAILED open or read\nb: OK\n");
    const std::string reason = std::make_error_code(std::errc::illegal_byte_sequence).message();
    EXPECT_NE(result.err.find("firma: \"a<0xF1>o.txt\": " + reason + "\n"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("WARNING: 1 listed file could not be read"), std::string::npos) << result.err;
}

// Printed in WTF-8, the name is read back by -c and names the same file.
TEST_F(Names, AWalkedNameThatIsNotUtf16IsSignedAndCheckedBack) {
    std::filesystem::create_directory(dir.path() / "tree");
    const auto name = dir.path() / "tree" / std::wstring{L'a', wchar_t(0xD800), L'b'};
    std::ofstream(name) << "abc";
    std::error_code error;
    if (!std::filesystem::exists(name, error)) GTEST_SKIP() << "this file system cannot hold such a name";
    const auto walked = firma({"-r", "tree"});
    EXPECT_EQ(walked.exit_status, 0) << walked.err;
    EXPECT_EQ(walked.out, "0000555  tree\\a\xed\xa0\x80" "b\n");
    dir.write("list", walked.out);
    const auto checked = firma({"-c", "list"});
    EXPECT_EQ(checked.exit_status, 0) << checked.err;
    EXPECT_EQ(checked.out, "tree\\a\xed\xa0\x80" "b: OK\n");
}

}  // namespace
}  // namespace firma
