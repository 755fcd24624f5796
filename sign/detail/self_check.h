// Internal to the kernel choice: whether a kernel, as this build compiled it,
// gives the known answers. A compiler that fuses a multiply and an add, or
// reorders the arithmetic, against the build's flags (a packager's CXXFLAGS
// appended last, say) makes kernels that sign wrongly without a word: each
// kernel is checked once, before the first signature, and one that fails is
// never used.
#pragma once

#include "sign/fold.h"

namespace firma::detail {

// The known signatures and the near-tie steps, one file at a time and side by
// side. Microseconds.
bool kernel_gives_known_answers(const FoldKernel& kernel);

}  // namespace firma::detail
