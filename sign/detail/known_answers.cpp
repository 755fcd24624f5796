#include "sign/detail/known_answers.h"

namespace firma::detail {
namespace {

std::vector<unsigned char> ascending() {
    std::vector<unsigned char> bytes(256);
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<unsigned char>(i);
    return bytes;
}

}  // namespace

const std::vector<KnownAnswer>& known_answers() {
    static const std::vector<KnownAnswer> answers = {
        {"empty", {}, 0x0000000},
        {"one FF byte: uppercase and zero-padded", {0xFF}, 0x00000FF},
        {"abc", {'a', 'b', 'c'}, 0x0000555},
        {"00 to FF: the remainder first acts at the 19th byte", ascending(), 0x7122C6E},
        {"sum lands on 2356144.5 and goes to even", {0xF8, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00}, 0x023F3B0},
        {"binary64 product rounds to 785381.5 and goes to even",
         {0x52, 0x01, 0x02, 0x03, 0x02, 0x01, 0x01, 0x01, 0x00},
         0x00BFBE6},
    };
    return answers;
}

}  // namespace firma::detail
