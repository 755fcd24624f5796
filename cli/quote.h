// Names in messages, quoted so that the system's shell reads them back as they
// are. On POSIX systems as coreutils quotes them: left alone when a shell would
// read them as they are, else in single quotes (double quotes when only an
// apostrophe needs it), unprintable bytes as $'\n' or $'\377'. On Windows as
// cmd reads them: in double quotes when cmd would split or change them, and a
// unit that is no character as <0xF1> or <U+D800>, which no Windows name holds.
#pragma once

#include <string>
#include <string_view>

namespace firma::cli {

std::string quote_name(std::string_view name);

}  // namespace firma::cli
