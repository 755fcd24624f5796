// Known answers, computed every way the library offers: one shot, streamed in one
// piece and byte by byte, with every kernel, and by the plain reference.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sign/accumulator.h"
#include "sign/fold.h"
#include "sign/signature.h"
#include "reference.h"

namespace firma {
namespace {

using testing::reference_fold;

struct KnownVector {
    const char* what;
    std::vector<unsigned char> bytes;
    const char* signature;
};

std::vector<unsigned char> ascending_bytes() {
    std::vector<unsigned char> bytes(256);
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<unsigned char>(i);
    return bytes;
}

const std::vector<KnownVector>& known_vectors() {
    static const std::vector<KnownVector> vectors = {
        {"empty", {}, "0000000"},
        {"one FF byte: uppercase and zero-padded", {0xFF}, "00000FF"},
        {"abc", {'a', 'b', 'c'}, "0000555"},
        {"00 to FF: the remainder first acts at the 19th byte", ascending_bytes(), "7122C6E"},
        {"sum lands on 2356144.5 and goes to even",
         {0xF8, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00}, "023F3B0"},
        {"binary64 product rounds to 785381.5 and goes to even",
         {0x52, 0x01, 0x02, 0x03, 0x02, 0x01, 0x01, 0x01, 0x00}, "00BFBE6"},
    };
    return vectors;
}

TEST(KnownVectors, EveryWayOfComputingGivesTheKnownSignature) {
    for (const auto& vector : known_vectors()) {
        SCOPED_TRACE(vector.what);
        EXPECT_EQ(format_signature(reference_fold(vector.bytes)), vector.signature);
        EXPECT_EQ(sign_bytes(vector.bytes), vector.signature);
        for (const auto& kernel : available_kernels()) {
            SCOPED_TRACE(kernel.name);
            Accumulator whole(kernel);
            whole.update(vector.bytes);
            EXPECT_EQ(whole.signature(), vector.signature);
            Accumulator bytewise(kernel);
            for (const unsigned char byte : vector.bytes) bytewise.update({&byte, 1});
            EXPECT_EQ(bytewise.signature(), vector.signature);
        }
    }
}

TEST(FormatSignature, SevenUppercaseDigitsZeroPadded) {
    EXPECT_EQ(format_signature(0), "0000000");
    EXPECT_EQ(format_signature(0xFF), "00000FF");
    EXPECT_EQ(format_signature(0xABCDEF), "0ABCDEF");
    EXPECT_EQ(format_signature(kModulus - 1), "FFFFFFE");
}

}  // namespace
}  // namespace firma
