// Names on Windows that are not text: a list line in Latin-1 from an old tool,
// and an NTFS name holding an unpaired surrogate. Neither may end the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "firma_fixture.h"

namespace firma {
namespace {

using Names = testing::FirmaTest;

TEST_F(Names, ALineThatIsNotUtf8FailsAloneAndTheRestIsChecked) {
    dir.write("b", "abc");
    dir.write("list", "0000555  a\xf1o.txt\n0000555  b\n");
    const auto result = firma({"-c", "list"});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "a\xf1o.txt: FAILED open or read\nb: OK\n");
    const std::string reason = std::make_error_code(std::errc::illegal_byte_sequence).message();
    EXPECT_NE(result.err.find("o.txt': " + reason + "\n"), std::string::npos) << result.err;
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
