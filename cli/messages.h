// Messages with values in them: a translated format ({fmt}'s syntax) filled in.
#pragma once

#include <fmt/core.h>

#include <string>

namespace firma::cli {

// `format` is known only at run time, as the catalogue gives it: _("...").
template <typename... Values>
std::string format_message(const char* format, const Values&... values) {
    return fmt::format(fmt::runtime(format), values...);
}

}  // namespace firma::cli
