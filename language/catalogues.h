// The compiled catalogues built into programs that have no gettext to read
// them from disk (Windows): msgfmt's output, made by the build from po/.
#pragma once

#include <cstddef>
#include <span>

namespace firma::detail {

std::span<const std::byte> spanish_catalogue();

}  // namespace firma::detail
