#include "sign/accumulator.h"

#include <cstring>

#include "sign/signature.h"

namespace firma {
std::size_t count_leading_zeros(std::span<const unsigned char> bytes) noexcept {
    const unsigned char* first = bytes.data();
    const unsigned char* const last = first + bytes.size();
    for (; last - first >= 8; first += 8) {  // eight at a time
        std::uint64_t word;
        std::memcpy(&word, first, sizeof word);
        if (word != 0) break;
    }
    while (first != last && *first == 0) ++first;
    return static_cast<std::size_t>(first - bytes.data());
}

Accumulator::Accumulator() noexcept : Accumulator(best_kernel()) {}

Accumulator::Accumulator(const FoldKernel& kernel) noexcept : fold_(kernel.fold) {}

void Accumulator::update(std::span<const unsigned char> bytes) noexcept {
    if (value_ == 0) bytes = bytes.subspan(count_leading_zeros(bytes));
    if (!bytes.empty()) value_ = fold_(value_, bytes.data(), bytes.size());
}

void Accumulator::update(std::string_view bytes) noexcept {
    update({reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()});
}

std::string Accumulator::signature() const {
    return format_signature(value_);
}

std::string sign_bytes(std::span<const unsigned char> bytes) {
    Accumulator accumulator;
    accumulator.update(bytes);
    return accumulator.signature();
}

}  // namespace firma
