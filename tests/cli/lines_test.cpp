// The list format, both ways, and the quoting of names in messages.
#include <gtest/gtest.h>

#include <clocale>

#include "cli/lines.h"
#include "cli/quote.h"

namespace firma::cli {
namespace {

using namespace std::string_literals;

TEST(ParseLine, MalformedLinesAreRejected) {
    for (const std::string& line : {
             "0000555"s,              // no name
             "0000555  "s,            // empty name
             "000555  abc"s,          // six digits
             "00000555  abc"s,        // eight digits
             "0000555 abc"s,          // one space, no mode character
             "0000555\tabc"s,         // a tab instead
             "000055G  abc"s,         // not hexadecimal
             "0000555  a\0b"s,        // NUL in the name
             "00\0555  abc"s,         // NUL in the digits
             "\\0000555  abc\\"s,     // lone backslash at the end
             "\\0000555  a\\tb"s,     // unknown escape
             "FIRMA ("s,              // nothing after the parenthesis
             "FIRMA (abc"s,           // no closing part
             "FIRMA (abc) ="s,        // no signature
             "FIRMA (abc) = 000055"s, // short signature
             "FIRMA (abc) = 0000555 "s,
             "FIRMA  (abc) = 0000555"s,
             "FIRMA () = 0000555"s,   // empty name
             "   "s,
         }) {
        EXPECT_EQ(parse_line(line).kind, LineKind::malformed) << '"' << line << '"';
    }
}

TEST(ParseLine, BlankAndCommentLinesAreIgnored) {
    EXPECT_EQ(parse_line("").kind, LineKind::ignored);
    EXPECT_EQ(parse_line("\r").kind, LineKind::ignored);
    EXPECT_EQ(parse_line("# 0000555  abc").kind, LineKind::ignored);
}

TEST(ParseLine, AcceptedForms) {
    const auto expect = [](std::string_view line, std::uint32_t signature, std::string_view name) {
        const ParsedLine parsed = parse_line(line);
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
}

// Whatever the name, what firma writes, firma reads back.
TEST(FormatLine, EveryStyleReadsBackToTheSameNameAndSignature) {
    for (const std::string& name : {"plain"s, "with space"s, " leading"s, "*star"s, "back\\slash"s,
                                   "new\nline"s, "cr\rx"s, "bad\xff\xfe"s, "a) = b"s, "#hash"s}) {
        for (const LineStyle style : {LineStyle{}, LineStyle{true, false, false}, LineStyle{false, true, false}}) {
            std::string line = format_line(0xABC123, name, style);
            ASSERT_TRUE(line.ends_with('\n'));
            line.pop_back();
            const ParsedLine parsed = parse_line(line);
            ASSERT_EQ(parsed.kind, LineKind::listed) << line;
            EXPECT_EQ(parsed.file.name, name);
            EXPECT_EQ(parsed.file.signature, 0xABC123u);
        }
    }
}

// "NAME: OK" lines escape a name only when it holds a line break.
TEST(FormatLine, CheckResultsEscapeOnlyLineBreaks) {
    EXPECT_EQ(check_display_name("a\\b"), "a\\b");
    EXPECT_EQ(check_display_name("a\\b\nc"), "\\a\\\\b\\nc");
}

// As coreutils quotes names in its messages (observed from sha256sum 9.1).
TEST(QuoteName, QuotesOnlyWhatAShellWouldMisread) {
    std::setlocale(LC_ALL, "C.UTF-8");
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},           {"", "''"},
        {"a b", "'a b'"},             {"it's", "\"it's\""},
        {"it's $x", "'it'\\''s $x'"}, {"x\ny", "'x'$'\\n''y'"},
        {"\nabc", "''$'\\n''abc'"},   {"bad\xff" "x", "'bad'$'\\377''x'"},
        {"\x01", "''$'\\001'"},       {"a:b", "'a:b'"},
        {"#x", "'#x'"},               {"x#", "x#"},
        {"~x", "'~x'"},               {"{", "'{'"},
        {"{x", "{x"},                 {"a=b", "'a=b'"},
        {"a%b+c,d-e.f/g@h]", "a%b+c,d-e.f/g@h]"},
        {"año", "año"},               {"a\tb", "'a'$'\\t''b'"},
    };
    for (const auto& [name, quoted] : cases) EXPECT_EQ(quote_name(name), quoted) << name;
}

}  // namespace
}  // namespace firma::cli
