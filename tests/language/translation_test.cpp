// Choosing the language of messages, and reading compiled catalogues: what
// Windows builds do in place of gettext.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "language/message_language.h"
#include "language/mo_catalogue.h"

namespace firma::detail {
namespace {

using namespace std::string_literals;

TEST(MessageLanguage, FollowsTheVariablesAsGettextDoes) {
    const struct {
        LanguageVariables variables;
        std::optional<bool> spanish;
    } cases[] = {
        {{}, std::nullopt},  // the system's interface language decides
        {{.lang = "es_ES.UTF-8"}, true},
        {{.lang = "es_MX"}, true},
        {{.lang = "es"}, true},
        {{.lang = "es@euro"}, true},
        {{.lang = "en_US.UTF-8"}, false},
        {{.lang = "C.UTF-8"}, false},
        {{.lang = "est_EE"}, false},  // not Spanish, for all its first letters
        {{.lc_messages = "es_ES.UTF-8", .lang = "en_US.UTF-8"}, true},
        {{.lc_all = "en_US.UTF-8", .lc_messages = "es_ES.UTF-8"}, false},
        {{.lc_all = "es_AR.UTF-8", .lang = "en_US.UTF-8"}, true},
        {{.language = "es", .lang = "en_US.UTF-8"}, true},
        {{.language = "fr:es", .lang = "en_US.UTF-8"}, true},     // the first with a catalogue
        {{.language = "en:es", .lang = "en_US.UTF-8"}, true},     // English has none: it is the code's
        {{.language = "fr:de", .lang = "es_ES.UTF-8"}, false},    // LANGUAGE decides alone
        {{.language = "es", .lang = "C"}, false},                 // "C" means the program's own words
        {{.language = "es", .lc_all = "POSIX"}, false},
        {{.language = "es"}, true},                                // no locale on Windows: LANGUAGE is enough
    };
    for (const auto& [variables, spanish] : cases)
        EXPECT_EQ(spanish_by_variables(variables), spanish)
            << "LANGUAGE=" << variables.language << " LC_ALL=" << variables.lc_all
            << " LC_MESSAGES=" << variables.lc_messages << " LANG=" << variables.lang;
}

// A .mo image of `entries` (original, translation), laid out as msgfmt does:
// header, table of originals, table of translations, then the strings.
std::vector<std::byte> mo_image(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<std::uint32_t> words = {0x950412de, 0, static_cast<std::uint32_t>(entries.size()), 28,
                                        static_cast<std::uint32_t>(28 + 8 * entries.size()), 0, 0};
    std::string strings;
    const std::size_t start = 28 + 16 * entries.size();
    std::vector<std::uint32_t> originals, translations;
    for (const auto& [original, translation] : entries) {
        originals.insert(originals.end(), {static_cast<std::uint32_t>(original.size()),
                                           static_cast<std::uint32_t>(start + strings.size())});
        strings += original + '\0';
    }
    for (const auto& [original, translation] : entries) {
        translations.insert(translations.end(), {static_cast<std::uint32_t>(translation.size()),
                                                 static_cast<std::uint32_t>(start + strings.size())});
        strings += translation + '\0';
    }
    words.insert(words.end(), originals.begin(), originals.end());
    words.insert(words.end(), translations.begin(), translations.end());
    std::vector<std::byte> image(4 * words.size() + strings.size());
    std::memcpy(image.data(), words.data(), 4 * words.size());
    std::memcpy(image.data() + 4 * words.size(), strings.data(), strings.size());
    return image;
}

const std::string kHeader = "Content-Type: text/plain; charset=UTF-8\nPlural-Forms: nplurals=2; plural=(n != 1);\n";

TEST(MoCatalogue, FindsWhatWasTranslatedAndNothingElse) {
    const auto image = mo_image({{"", kHeader},
                                 {"FAILED", "La firma NO coincide"},
                                 {"OK", "La firma coincide"},
                                 {"WARNING: {} line\0WARNING: {} lines"s,
                                  "ATENCIÓN: {} línea\0ATENCIÓN: {} líneas"s},
                                 {"decimal mark\4.", ","}});
    const auto catalogue = MoCatalogue::read(image);
    ASSERT_TRUE(catalogue);
    EXPECT_EQ(catalogue->find("OK"), "La firma coincide");
    EXPECT_EQ(catalogue->find("FAILED"), "La firma NO coincide");
    EXPECT_EQ(catalogue->find("decimal mark\4."), ",");
    EXPECT_EQ(catalogue->find("."), std::nullopt);  // only in its context
    EXPECT_EQ(catalogue->find("FAIL"), std::nullopt);
    EXPECT_EQ(catalogue->find("OK "), std::nullopt);
    EXPECT_EQ(catalogue->find("WARNING: {} line"), "ATENCIÓN: {} línea");
    const struct {
        unsigned long count;
        const char* form;
    } plurals[] = {{0, "ATENCIÓN: {} líneas"}, {1, "ATENCIÓN: {} línea"}, {2, "ATENCIÓN: {} líneas"},
                   {21, "ATENCIÓN: {} líneas"}};
    for (const auto& [count, form] : plurals)
        EXPECT_EQ(catalogue->find_plural("WARNING: {} line", count), form) << count;
    EXPECT_EQ(catalogue->find_plural("WARNING: {} lines", 2), std::nullopt);  // found by the singular only
}

TEST(MoCatalogue, RefusesWhatItCannotReadInFull) {
    const auto good = mo_image({{"", kHeader}, {"A", "a"}, {"B", "b"}});
    ASSERT_TRUE(MoCatalogue::read(good));
    const auto word = [](std::vector<std::byte> image, std::size_t offset, std::uint32_t value) {
        std::memcpy(image.data() + offset, &value, 4);
        return image;
    };
    auto unterminated = good;
    unterminated.back() = std::byte{'x'};  // the last translation's NUL
    const struct {
        const char* what;
        std::vector<std::byte> image;
    } cases[] = {
        {"empty", {}},
        {"cut inside the header", std::vector<std::byte>(good.begin(), good.begin() + 20)},
        {"cut inside the strings", std::vector<std::byte>(good.begin(), good.end() - 3)},
        {"not a catalogue", word(good, 0, 0x12345678)},
        {"the other byte order", word(good, 0, 0xde120495)},
        {"a later major revision", word(good, 4, 0x00010000)},
        {"more entries than the image holds", word(good, 8, 0x10000000)},
        {"a table beyond the end", word(good, 16, 0xfffffff0)},
        {"a string beyond the end", word(good, 28 + 8 + 4, 0xfffffff0)},
        {"a string's length beyond the end", word(good, 28 + 8, 0x7ffffff0)},
        {"a string without its NUL", unterminated},
        {"originals out of order", mo_image({{"", kHeader}, {"B", "b"}, {"A", "a"}})},
        {"three plural forms", mo_image({{"", "Plural-Forms: nplurals=3; plural=(n==1 ? 0 : n<5 ? 1 : 2);\n"}})},
        {"another two-form rule", mo_image({{"", "Plural-Forms: nplurals=2; plural=(n > 1);\n"}})},
    };
    for (const auto& [what, image] : cases) EXPECT_FALSE(MoCatalogue::read(image)) << what;
}

}  // namespace
}  // namespace firma::detail
