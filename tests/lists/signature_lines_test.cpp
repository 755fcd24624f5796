// The list format, both ways.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "lists/list_files.h"
#include "lists/signature_lines.h"

namespace firma {
namespace {

using namespace std::string_literals;

TEST(ParseLine, MalformedLinesAreRejected) {
    for (const std::string& line : {
             "0000555"s,              // no name
             "000555  abc"s,          // six digits
             "00000555  abc"s,        // eight digits
             "000055G  abc"s,         // not hexadecimal
             "0000555  a\0b"s,        // NUL in the name
             "00\0555  abc"s,         // NUL in the digits
             "\\0000555  abc\\"s,     // lone backslash at the end
             "\\0000555  a\\tb"s,     // unknown escape
             "FIRMA ("s,              // nothing after the parenthesis
             "FIRMA (abc"s,           // no closing part
             "FIRMA (abc) ="s,        // no signature
             "FIRMA (abc) = 000055"s, // short signature
             "FIRMA  (abc) = 0000555"s,
             "FIRMA (abc) = 0000555 "s,
             "0000555 "s,             // a blank and no name
             "   "s,
         }) {
        EXPECT_EQ(ListParser{}.parse(line).kind, LineKind::malformed) << '"' << line << '"';
    }
}

TEST(ParseLine, BlankAndCommentLinesAreIgnored) {
    EXPECT_EQ(ListParser{}.parse("").kind, LineKind::ignored);
    EXPECT_EQ(ListParser{}.parse("\r").kind, LineKind::ignored);
    EXPECT_EQ(ListParser{}.parse("# 0000555  abc").kind, LineKind::ignored);
}

TEST(ParseLine, AcceptedForms) {
    const auto expect = [](std::string_view line, std::uint32_t signature, std::string_view name) {
        const ParsedLine parsed = ListParser{}.parse(line);
        ASSERT_EQ(parsed.kind, LineKind::listed) << line;
        EXPECT_EQ(parsed.file.signature, signature) << line;
        EXPECT_EQ(parsed.file.name, name) << line;
    };
    expect("0000555  abc", 0x555, "abc");
    expect("00abcDE *abc", 0xABCDE, "abc");
    expect("0000555  *abc", 0x555, "*abc");
    expect("0000555   lead", 0x555, " lead");
    expect("  \t0000555  abc\r", 0x555, "abc");
    expect("FIRMA (abc) = 0000555", 0x555, "abc");
    expect("FIRMA(abc) = 0000555", 0x555, "abc");
    expect("FIRMA (a) b) = 0000555", 0x555, "a) b");
    expect("\\0000555  a\\\\b\\nc\\rd", 0x555, "a\\b\nc\rd");
    expect("\\FIRMA (a\\nb) = 0000555", 0x555, "a\nb");
    expect("FIRMA(abc)=\t 0000555", 0x555, "abc");
    expect("FIRMA () = 0000555", 0x555, "");
    expect("0000555 abc", 0x555, "abc");
    expect("0000555\tabc", 0x555, "abc");
    expect("0000555  ", 0x555, " ");
    expect("0000555\t*abc", 0x555, "abc");
}

// The first line that tells the two untagged forms apart decides the run; a
// line naming "-" cannot be checked while standard input is the list.
TEST(ParseLine, TheFirstUntaggedFormDecidesTheRun) {
    ListParser with_mode;
    EXPECT_EQ(with_mode.parse("FIRMA (abc) = 0000555").kind, LineKind::listed);  // decides nothing
    EXPECT_EQ(with_mode.parse("0000555  abc").file.name, "abc");
    EXPECT_EQ(with_mode.parse("0000555 abc").kind, LineKind::malformed);
    ListParser without_mode;
    EXPECT_EQ(without_mode.parse("000055G abc").kind, LineKind::malformed);  // decides nothing
    EXPECT_EQ(without_mode.parse("0000555 abc").file.name, "abc");
    EXPECT_EQ(without_mode.parse("0000555  abc").file.name, " abc");
    EXPECT_EQ(without_mode.parse("0000555 *abc").file.name, "*abc");
    EXPECT_EQ(ListParser{}.parse("0000555  -", true).kind, LineKind::malformed);
    EXPECT_EQ(ListParser{}.parse("FIRMA (-) = 0000555", true).kind, LineKind::malformed);
    EXPECT_EQ(ListParser{}.parse("0000555  -", false).file.name, "-");
}

// Whatever the name, what firma writes, firma reads back, with the size and
// digest where the line holds them, whichever form the run's lines took before.
TEST(FormatLine, EveryStyleReadsBackToTheSameNameAndSignature) {
    ContentDigest digest{18446744073709551615u, {}};
    for (std::size_t i = 0; i < digest.hash.size(); ++i) digest.hash[i] = static_cast<unsigned char>(i * 17);
    ListParser without_mode;
    without_mode.parse("0000555 abc");
    for (const std::string& name : {"plain"s, "with space"s, " leading"s, "*star"s, "back\\slash"s,
                                   "new\nline"s, "cr\rx"s, "bad\xff\xfe"s, "a) = b"s, "#hash"s, "1 2  x"s}) {
        for (const LineStyle style : {LineStyle{}, LineStyle{true, false, false}, LineStyle{false, true, false},
                                      LineStyle{false, false, false, true}, LineStyle{false, true, false, true}}) {
            for (const ContentDigest* with : {static_cast<const ContentDigest*>(nullptr), &std::as_const(digest)}) {
                if (style.tag && with != nullptr) continue;
                std::string line = format_line(0xABC123, name, style, with);
                ASSERT_TRUE(line.ends_with('\n'));
                line.pop_back();
                for (ListParser parser : {ListParser{}, with != nullptr ? without_mode : ListParser{}}) {
                    const ParsedLine parsed = parser.parse(line);
                    ASSERT_EQ(parsed.kind, LineKind::listed) << line;
                    EXPECT_EQ(parsed.file.name, name);
                    EXPECT_EQ(parsed.file.signature, 0xABC123u);
                    EXPECT_EQ(parsed.file.digest.has_value(), with != nullptr) << line;
                    if (with != nullptr && parsed.file.digest) {
                        EXPECT_EQ(*parsed.file.digest, digest) << line;
                    }
                }
            }
        }
    }
}

// "NAME: OK" lines escape a name only when it holds a line break.
TEST(FormatLine, CheckResultsEscapeOnlyLineBreaks) {
    EXPECT_EQ(check_display_name("a\\b"), "a\\b");
    EXPECT_EQ(check_display_name("a\\b\nc"), "\\a\\\\b\\nc");
}

}  // namespace
}  // namespace firma
