#include "sign/accumulator.h"

#include <cstring>

#include "sign/signature.h"

namespace firma {

std::span<const unsigned char> bytes_to_fold(std::uint32_t accumulator, std::span<const unsigned char> bytes) noexcept {
    if (accumulator != 0) return bytes;
    const unsigned char* first = bytes.data();
    const unsigned char* const last = first + bytes.size();
    for (; last - first >= 8; first += 8) {  // eight at a time
        std::uint64_t word;
        std::memcpy(&word, first, sizeof word);
        if (word != 0) break;
    }
    while (first != last && *first == 0) ++first;
    return bytes.subspan(static_cast<std::size_t>(first - bytes.data()));
}

Accumulator::Accumulator() noexcept : Accumulator(best_chain()) {}

Accumulator::Accumulator(const FoldChain& chain) noexcept : fold_(chain.fold) {}

void Accumulator::update(std::span<const unsigned char> bytes) noexcept {
    bytes = bytes_to_fold(value_, bytes);
    if (!bytes.empty()) value_ = fold_(value_, bytes.data(), bytes.size());
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
