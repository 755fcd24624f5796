// A compiled gettext catalogue (a .mo file, as msgfmt writes it) read from
// memory: the lookup Windows builds use in place of gettext. It answers as
// glibc's gettext does for the same catalogue, which the tests check message
// by message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace firma::detail {

class MoCatalogue {
public:
    // Nothing when `image` is not a catalogue this lookup reads in full: not a
    // .mo file, entries outside it, or a plural rule other than English's
    // two forms (n != 1), which is every language firma is translated into.
    static std::optional<MoCatalogue> read(std::span<const std::byte> image);

    // The translation of `key` ("context\4text" for a message with a
    // context), or nothing when the catalogue has none.
    std::optional<std::string_view> find(std::string_view key) const;
    // The form for `count` of the message whose singular is `singular`.
    std::optional<std::string_view> find_plural(std::string_view singular, unsigned long count) const;

    std::size_t size() const { return count_; }
    // The n-th original, as the catalogue stores it (a plural message's
    // singular and plural, separated by a NUL), for the tests.
    std::string_view original(std::size_t n) const;

private:
    MoCatalogue(std::span<const std::byte> image, std::size_t count, std::size_t originals, std::size_t translations)
        : image_(image), count_(count), originals_(originals), translations_(translations) {}
    std::string_view string_at(std::size_t table, std::size_t n) const;
    std::optional<std::size_t> index_of(std::string_view key) const;

    std::span<const std::byte> image_;
    std::size_t count_;
    std::size_t originals_;     // offset of the table of originals, sorted
    std::size_t translations_;  // offset of the table of translations, in the same order
};

}  // namespace firma::detail
