#include "sign/accumulator.h"

#include <cstring>

#include "sign/signature.h"

namespace firma {
namespace {

// First byte that is not zero, or `last`; eight at a time, as zero runs can be long.
const unsigned char* skip_zeros(const unsigned char* first, const unsigned char* last) noexcept {
    for (; last - first >= 8; first += 8) {
        std::uint64_t word;
        std::memcpy(&word, first, sizeof word);
        if (word != 0) break;
    }
    while (first != last && *first == 0) ++first;
    return first;
}

}  // namespace

Accumulator::Accumulator() noexcept : Accumulator(best_kernel()) {}

Accumulator::Accumulator(const FoldKernel& kernel) noexcept : fold_(kernel.fold) {}

void Accumulator::update(std::span<const unsigned char> bytes) noexcept {
    const unsigned char* first = bytes.data();
    const unsigned char* last = first + bytes.size();
    if (value_ == 0) first = skip_zeros(first, last);
    if (first != last) value_ = fold_(value_, first, static_cast<std::size_t>(last - first));
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
