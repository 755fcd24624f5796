// Messages with values in them: a translated format ({fmt}'s syntax) filled in.
#pragma once

#include <fmt/format.h>  // fmt::format_error

#include <algorithm>
#include <climits>
#include <cstddef>
#include <string>

#include "language/translation.h"

namespace firma {

// `translated` filled with `values`; where it cannot be (a translator's slip
// in a catalogue the build did not check), `english` instead: a message in the
// wrong language, never an abort.
template <typename... Values>
std::string fill_message(const char* translated, const char* english, const Values&... values) {
    try {
        return fmt::format(fmt::runtime(translated), values...);
    } catch (const fmt::format_error&) {
        return fmt::format(fmt::runtime(english), values...);
    }
}

// `english`, marked with N_(), in the user's language with `values` filled in.
template <typename... Values>
std::string format_message(const char* english, const Values&... values) {
    return fill_message(translate(english), english, values...);
}

// A message about `count` things, in the form the language gives that count;
// `one` and `many` are the English forms.
inline std::string counted_message(std::size_t count, const char* one, const char* many) {
    const auto form = static_cast<unsigned long>(std::min<std::size_t>(count, ULONG_MAX));
    return fill_message(translate_plural(one, many, form), form == 1 ? one : many, count);
}

}  // namespace firma
