#include "language/message_language.h"

#include <string_view>

namespace firma::detail {
namespace {

// "es", "es_MX", "es_ES.UTF-8", "es@euro": a Spanish catalogue serves them all.
bool names_spanish(std::string_view language) {
    return language.starts_with("es") && (language.size() == 2 || language[2] == '_' || language[2] == '.' ||
                                          language[2] == '@');
}

}  // namespace

std::optional<bool> spanish_by_variables(const LanguageVariables& variables) {
    const std::string& locale = !variables.lc_all.empty()        ? variables.lc_all
                                : !variables.lc_messages.empty() ? variables.lc_messages
                                                                 : variables.lang;
    if (locale == "C" || locale == "POSIX") return false;
    std::string_view languages = !variables.language.empty() ? variables.language : locale;
    if (languages.empty()) return std::nullopt;
    // As gettext: the first language with a catalogue wins. English has none
    // (it is the code's own), so "en:es" still finds Spanish.
    while (!languages.empty()) {
        const auto colon = languages.find(':');
        if (names_spanish(languages.substr(0, colon))) return true;
        languages = colon == std::string_view::npos ? std::string_view() : languages.substr(colon + 1);
    }
    return false;
}

}  // namespace firma::detail
