#include "language/mo_catalogue.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace firma::detail {
namespace {

constexpr std::uint32_t kMagic = 0x950412de;

std::uint32_t word_at(std::span<const std::byte> image, std::size_t offset) {
    std::uint32_t word;
    std::memcpy(&word, image.data() + offset, sizeof word);
    return word;
}

// Whether the header's plural rule is "nplurals=2; plural=(n != 1);" or the
// same without parentheses or spaces: the only rule this lookup evaluates.
bool two_forms_as_in_english(std::string_view header) {
    const auto at = header.find("Plural-Forms:");
    if (at == std::string_view::npos) return true;  // gettext then uses English's rule too
    std::string rule;
    for (const char c : header.substr(at + 13, header.find('\n', at) - at - 13))
        if (c != ' ' && c != '\t' && c != '(' && c != ')') rule += c;
    return rule == "nplurals=2;plural=n!=1;" || rule == "nplurals=2;plural=n!=1";
}

}  // namespace

std::optional<MoCatalogue> MoCatalogue::read(std::span<const std::byte> image) {
    if (image.size() < 28) return std::nullopt;
    // Written by msgfmt on the machine that built firma, in its byte order.
    if (word_at(image, 0) != kMagic) return std::nullopt;
    if (word_at(image, 4) >> 16 != 0) return std::nullopt;  // a major revision this lookup predates
    const std::size_t count = word_at(image, 8);
    const std::size_t originals = word_at(image, 12);
    const std::size_t translations = word_at(image, 16);
    // Every table entry and every string it points to lies inside the image,
    // and every string ends with the NUL msgfmt writes after it.
    for (const std::size_t table : {originals, translations}) {
        if (table > image.size() || count > (image.size() - table) / 8) return std::nullopt;
        for (std::size_t n = 0; n < count; ++n) {
            const std::size_t length = word_at(image, table + 8 * n);
            const std::size_t offset = word_at(image, table + 8 * n + 4);
            if (offset >= image.size() || length >= image.size() - offset) return std::nullopt;
            if (image[offset + length] != std::byte{0}) return std::nullopt;
        }
    }
    MoCatalogue catalogue(image, count, originals, translations);
    for (std::size_t n = 1; n < count; ++n)
        if (!(catalogue.original(n - 1) < catalogue.original(n))) return std::nullopt;
    if (const auto header = catalogue.find(""); header && !two_forms_as_in_english(*header)) return std::nullopt;
    return catalogue;
}

std::string_view MoCatalogue::string_at(std::size_t table, std::size_t n) const {
    const std::size_t length = word_at(image_, table + 8 * n);
    const std::size_t offset = word_at(image_, table + 8 * n + 4);
    return {reinterpret_cast<const char*>(image_.data() + offset), length};
}

std::string_view MoCatalogue::original(std::size_t n) const {
    return string_at(originals_, n);
}

// msgfmt sorts the originals by their bytes; a plural message's singular ends
// at the NUL before its plural, and is the key it is found by.
std::optional<std::size_t> MoCatalogue::index_of(std::string_view key) const {
    std::size_t low = 0, high = count_;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const std::string_view stored = original(middle);
        const std::string_view singular = stored.substr(0, stored.find('\0'));
        if (singular == key) return middle;
        if (singular < key) low = middle + 1;
        else high = middle;
    }
    return std::nullopt;
}

std::optional<std::string_view> MoCatalogue::find(std::string_view key) const {
    const auto index = index_of(key);
    if (!index) return std::nullopt;
    const std::string_view translation = string_at(translations_, *index);
    return translation.substr(0, translation.find('\0'));
}

std::optional<std::string_view> MoCatalogue::find_plural(std::string_view singular, unsigned long count) const {
    const auto index = index_of(singular);
    if (!index) return std::nullopt;
    const std::string_view forms = string_at(translations_, *index);
    const std::size_t end_of_first = forms.find('\0');
    if (count == 1 || end_of_first == std::string_view::npos) return forms.substr(0, end_of_first);
    const std::string_view second = forms.substr(end_of_first + 1);
    return second.substr(0, second.find('\0'));
}

}  // namespace firma::detail
