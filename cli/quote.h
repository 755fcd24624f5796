// Names in messages, quoted the way coreutils quotes them: left alone when a
// shell would read them back as they are, else in single quotes (double quotes
// when only an apostrophe needs it), unprintable bytes as $'\n' or $'\377'.
#pragma once

#include <string>
#include <string_view>

namespace firma::cli {

std::string quote_name(std::string_view name);

}  // namespace firma::cli
