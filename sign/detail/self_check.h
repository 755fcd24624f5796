// Internal to the kernel choice: whether a kernel, as this build compiled it,
// gives the known answers. A compiler that fuses a multiply and an add, or
// reorders the arithmetic, against the build's flags (a packager's CXXFLAGS
// appended last, say) makes kernels that sign wrongly without a word: each
// kernel is checked once, before the first signature, and one that fails is
// never used.
#pragma once

#include "sign/fold.h"

namespace firma::detail {

// The known signatures and the near-tie steps, in one chain, or in every lane
// at once. Microseconds.
bool gives_known_answers(const FoldChain& chain);
bool gives_known_answers(const FoldLanes& lanes);

}  // namespace firma::detail
