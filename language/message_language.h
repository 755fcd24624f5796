// Which language the environment asks messages in, by gettext's rules, for the
// builds that have no gettext to apply them (Windows).
#pragma once

#include <optional>
#include <string>

namespace firma::detail {

// The variables as set; empty when unset or empty.
struct LanguageVariables {
    std::string language;  // LANGUAGE: a list of languages, in order of preference
    std::string lc_all;
    std::string lc_messages;
    std::string lang;
};

// Whether messages should be Spanish, as gettext would decide with firma's
// catalogues (Spanish, and English in the code): nothing when none of the
// variables is set, and the system's own setting decides. A locale of "C" or
// "POSIX" means the program's own messages, whatever LANGUAGE says.
std::optional<bool> spanish_by_variables(const LanguageVariables& variables);

}  // namespace firma::detail
