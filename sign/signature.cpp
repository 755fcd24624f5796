#include "sign/signature.h"

#include <bit>
#include <charconv>

namespace firma {

static_assert(std::bit_cast<std::uint64_t>(kMultiplier) == 0x400921D8622C4502);

std::string format_signature(std::uint32_t accumulator) {
    std::string text(7, '0');
    char digits[8];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, accumulator & kModulus, 16);
    const auto count = static_cast<std::size_t>(end - digits);
    for (std::size_t i = 0; i < count; ++i) {
        const char c = digits[i];
        text[7 - count + i] = (c >= 'a') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return text;
}

}  // namespace firma
