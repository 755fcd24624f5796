// The lookup Windows builds carry, asked for every message of the Spanish
// catalogue, against glibc's gettext reading the same compiled catalogue.
#include <gtest/gtest.h>
#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "language/catalogues.h"
#include "language/mo_catalogue.h"

namespace firma::detail {
namespace {

// "C.UTF-8" is on every Debian system: glibc's gettext needs a locale other
// than "C" to read LANGUAGE, and UTF-8 to hand the translations over unchanged.
class GlibcInSpanish : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("LANGUAGE", "es", 1);
        ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
        bindtextdomain("firma", FIRMA_CATALOGUES);
    }
    void TearDown() override {
        ::unsetenv("LANGUAGE");
        std::setlocale(LC_ALL, "C");
    }
};

TEST_F(GlibcInSpanish, EveryMessageIsFoundAsGlibcFindsIt) {
    const auto catalogue = MoCatalogue::read(spanish_catalogue());
    ASSERT_TRUE(catalogue);
    ASSERT_GT(catalogue->size(), 50u);
    std::size_t plurals = 0;
    for (std::size_t n = 1; n < catalogue->size(); ++n) {  // 0 is the header
        const std::string stored(catalogue->original(n));
        const std::string singular = stored.substr(0, stored.find('\0'));
        const auto found = catalogue->find(singular);
        ASSERT_TRUE(found) << singular;
        EXPECT_EQ(*found, dgettext("firma", singular.c_str())) << singular;
        if (stored.find('\0') == std::string::npos) continue;
        ++plurals;
        const std::string plural = stored.substr(stored.find('\0') + 1);
        for (const unsigned long count : {0ul, 1ul, 2ul, 5ul, 11ul, 21ul, 100ul, 1000001ul})
            EXPECT_EQ(catalogue->find_plural(singular, count),
                      dngettext("firma", singular.c_str(), plural.c_str(), count))
                << singular << " " << count;
    }
    EXPECT_GT(plurals, 0u);
    // What neither has falls back alike.
    EXPECT_EQ(catalogue->find("not a message of firma"), std::nullopt);
    EXPECT_STREQ(dgettext("firma", "not a message of firma"), "not a message of firma");
}

}  // namespace
}  // namespace firma::detail
