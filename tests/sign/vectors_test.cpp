// Known answers, computed every way the library offers: one shot, streamed in one
// piece and byte by byte, with every kernel, and by the plain reference.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sign/accumulator.h"
#include "sign/detail/known_answers.h"
#include "sign/fold.h"
#include "sign/signature.h"
#include "reference.h"

namespace firma {
namespace {

using testing::reference_fold;

TEST(KnownVectors, EveryWayOfComputingGivesTheKnownSignature) {
    for (const auto& known : detail::known_answers()) {
        SCOPED_TRACE(known.what);
        const std::string signature = format_signature(known.accumulator);
        EXPECT_EQ(format_signature(reference_fold(known.bytes)), signature);
        EXPECT_EQ(sign_bytes(known.bytes), signature);
        for (const auto& chain : available_chains()) {
            SCOPED_TRACE(chain.name);
            Accumulator whole(chain);
            whole.update(known.bytes);
            EXPECT_EQ(whole.signature(), signature);
            Accumulator bytewise(chain);
            for (const unsigned char byte : known.bytes) bytewise.update({&byte, 1});
            EXPECT_EQ(bytewise.signature(), signature);
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
