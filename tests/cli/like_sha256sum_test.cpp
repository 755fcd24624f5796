// firma beside the system's sha256sum: the same situations, with FIRMA and seven
// digits where sha256sum has SHA256 and sixty-four, must print the same lines and
// exit the same way once the tool's name and the digests are swapped back.
#include <gtest/gtest.h>

#include "firma_fixture.h"

namespace firma {
namespace {

using namespace std::string_literals;

// In list templates: '@' is the right signature of the file abc, '!' a wrong
// one, '?' one with a digit that is not hexadecimal, TAG the tag. In arguments, LIST is the list (or, as `in`, standard input).
struct Situation {
    const char* what;
    std::string list;
    std::vector<std::string> args;
    bool list_on_standard_input = false;
    std::string err = {};  // where standard error goes; empty: compared
};

constexpr const char* kAbcSha256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

class LikeSha256sum : public testing::FirmaTest {
protected:
    void SetUp() override {
        if (std::system("command -v sha256sum >/dev/null 2>&1") != 0) GTEST_SKIP() << "no sha256sum here";
        dir.write("abc", "abc");
        dir.write(" ", "abc");  // a name that is a single space
    }

    testing::RunResult run_tool(const std::string& tool, const std::string& right, const std::string& tag,
                                const Situation& situation) {
        const std::string zeros(right.size() - 1, '0');
        std::string list = replace_all(situation.list, "@", right);
        list = replace_all(replace_all(list, "!", zeros + "0"), "?", zeros + "z");
        list = replace_all(list, "TAG", tag);
        const std::string path = dir.write("list-" + tag, list);
        std::vector<std::string> args{tool};
        for (const auto& arg : situation.args) args.push_back(arg == "LIST" ? path : arg);
        return testing::run_program(args, {.in = situation.list_on_standard_input ? path : "/dev/null",
                                  .err = situation.err,
                                  .cwd = dir.path().string()});
    }

    void compare(const std::vector<Situation>& situations) {
        for (const auto& situation : situations) {
            const auto theirs = run_tool("sha256sum", kAbcSha256, "SHA256", situation);
            const auto ours = run_tool(FIRMA_EXE, "0000555", "FIRMA", situation);
            const auto ours_again = [&](std::string text) {
                text = replace_all(replace_all(replace_all(text, "sha256sum", "firma"), "SHA256", "FIRMA"),
                                   dir / "list-SHA256", dir / "list-FIRMA");
                return replace_all(text, kAbcSha256, "0000555");
            };
            EXPECT_EQ(ours.out, ours_again(theirs.out)) << situation.what;
            EXPECT_EQ(ours.err, ours_again(theirs.err)) << situation.what;
            EXPECT_EQ(ours.exit_status, theirs.exit_status) << situation.what;
        }
    }
};

TEST_F(LikeSha256sum, UntaggedLinesWithOneBlankAndTheFormThatCarriesOver) {
    compare({
        {"one space", "@ abc\n", {"-c", "LIST"}},
        {"a tab", "@\tabc\n", {"-c", "LIST"}},
        {"a tab then the mode", "@\t*abc\n", {"-c", "LIST"}},
        {"a name that is one space", "@  \n", {"-c", "LIST"}},
        {"one-blank form first: two spaces mean a leading space", "@ abc\n@  abc\n@ *abc\n", {"-c", "LIST"}},
        {"mode form first: one blank is malformed", "@  abc\n@ abc\n", {"-c", "-w", "LIST"}},
        {"a bad line decides nothing", "? abc\n@  abc\n", {"-c", "LIST"}},
        {"the form carries on to the next list", "@ abc\n", {"-c", "LIST", "LIST"}},
        {"escaped, one blank", "\\@ a\\\\b\n", {"-c", "LIST"}},
    });
}

TEST_F(LikeSha256sum, TaggedLinesWithAnySpacingAndMixedLists) {
    compare({
        {"no space before the parenthesis", "TAG(abc)= @\n", {"-c", "LIST"}},
        {"no blanks around '='", "TAG (abc)=@\n", {"-c", "LIST"}},
        {"tabs around '='", "TAG (abc)\t=\t @\n", {"-c", "LIST"}},
        {"two spaces before the parenthesis", "TAG  (abc) = @\n", {"-c", "LIST"}},
        {"a blank after the signature", "TAG (abc) = @ \n", {"-c", "LIST"}},
        {"tagged and untagged mixed", "TAG (abc) = @\n@ abc\nTAG (abc) = !\n", {"-c", "LIST"}},
        {"the name ends at the last parenthesis", "TAG (a) = b) = @\nTAG (abc)) = @\n", {"-c", "LIST"}},
        {"an empty name", "TAG () = @\n", {"-c", "LIST"}},
        {"an empty name, missing ignored", "TAG () = @\nTAG (abc) = @\n", {"-c", "--ignore-missing", "LIST"}},
        {"escaped name", "\\TAG (a\\\\b) = @\n", {"-c", "LIST"}},
    });
}

TEST_F(LikeSha256sum, AListOnStandardInputCannotNameStandardInput) {
    compare({
        {"'-' on standard input", "@  -\n", {"-c"}, true},
        {"'-' tagged, as '-'", "TAG (-) = @\n@  abc\n", {"-c", "-"}, true},
        {"'-' in one-blank form still decides the form", "@ -\n@  abc\n", {"-c"}, true},
    });
}

TEST_F(LikeSha256sum, OptionsAndTheUsageErrorThatWins) {
    compare({
        {"-t then --tag", "", {"-t", "--tag", "abc"}},
        {"--tag then -t", "", {"--tag", "-t", "abc"}},
        {"zero before tag", "", {"-c", "-z", "--tag", "LIST"}},
        {"ignore-missing before status", "", {"--ignore-missing", "--status", "abc"}},
        {"text mode before check", "", {"--tag", "-t", "-c", "LIST"}},
        {"tag before binary", "", {"-c", "-b", "--tag", "LIST"}},
        {"quiet before strict", "", {"--strict", "--quiet", "abc"}},
        {"ambiguous --t", "", {"--t", "abc"}},
        {"ambiguous --s", "", {"--s", "abc"}},
        {"unknown long option with a value", "", {"--frobnicate=1", "abc"}},
        {"ambiguous with a value", "", {"--t=1", "abc"}},
        {"abbreviation given a value", "", {"--bin=1", "abc"}},
        {"unknown letter inside a cluster after a long option", "", {"--text", "-xb", "abc"}},
        {"unknown letter ending a cluster", "", {"-bx", "abc"}},
    });
}

TEST_F(LikeSha256sum, StandardErrorThatCannotBeWritten) {
    compare({
        {"a full standard error loses no result", "", {"nope", "abc"}, false, "/dev/full"},
        {"a closed standard error loses no result", "", {"nope", "abc"}, false, testing::kClosed},
        {"a full standard error, check mode", "@  abc\n!  abc\n", {"-c", "LIST"}, false, "/dev/full"},
    });
}

}  // namespace
}  // namespace firma
