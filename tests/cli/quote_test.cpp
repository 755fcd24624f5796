// Names quoted in messages as the user's shell would read them back.
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <utility>
#include <vector>

#include "cli/quote.h"
#include "lists/list_files.h"

namespace firma::cli {
namespace {

// On POSIX systems as coreutils quotes names in its messages (observed from
// sha256sum 9.1); on Windows as cmd reads them back.
TEST(QuoteName, QuotesOnlyWhatAShellWouldMisread) {
    std::setlocale(LC_ALL, "C.UTF-8");
    const std::vector<std::pair<std::string, std::string>> on_windows = {
        {"plain", "plain"},
        {"", "\"\""},
        {"a b", "\"a b\""},
        {"it's", "\"it's\""},
        {"a&b", "\"a&b\""},
        {"C:\\Mis Fotos\\a.txt", "\"C:\\Mis Fotos\\a.txt\""},
        {"docs\\x.pdf", "docs\\x.pdf"},
        {"*.xyz", "*.xyz"},
        {"año €", "\"año €\""},
        {"a\xf1o.txt", "\"a<0xF1>o.txt\""},      // Latin-1 from an old list
        {"\xed\xa0\x80x", "\"<U+D800>x\""},      // an unpaired surrogate of an NTFS name
        {"x\ny", "\"x<U+000A>y\""},
        {"\xc2\x85", "\"<U+0085>\""},
    };
    if (backslash_separates_folders()) {
        for (const auto& [name, quoted] : on_windows) EXPECT_EQ(quote_name(name), quoted) << name;
        return;
    }
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
