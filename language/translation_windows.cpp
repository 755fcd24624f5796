#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "language/catalogues.h"
#include "language/message_language.h"
#include "language/mo_catalogue.h"
#include "language/translation.h"

namespace firma {
namespace {

// Set once, at start-up, before any thread that translates.
std::optional<detail::MoCatalogue> g_catalogue;

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

void choose_message_language() {
    const detail::LanguageVariables variables{variable("LANGUAGE"), variable("LC_ALL"), variable("LC_MESSAGES"),
                                              variable("LANG")};
    const bool spanish = detail::spanish_by_variables(variables).value_or(
        PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_SPANISH);
    g_catalogue.reset();
    if (spanish) g_catalogue = detail::MoCatalogue::read(detail::spanish_catalogue());
}

void choose_message_language(const std::string&) {
    choose_message_language();
}

// What the catalogue finds ends with the NUL msgfmt wrote after it.
const char* translate(const char* text) {
    if (!g_catalogue) return text;
    const auto found = g_catalogue->find(text);
    return found ? found->data() : text;
}

const char* translate_plural(const char* singular, const char* plural, unsigned long count) {
    const auto found = g_catalogue ? g_catalogue->find_plural(singular, count) : std::nullopt;
    if (found) return found->data();
    return count == 1 ? singular : plural;
}

const char* translate_in_context(const char* context, const char* text) {
    if (!g_catalogue) return text;
    const auto found = g_catalogue->find(std::string(context) + '\004' + text);
    return found ? found->data() : text;
}

}  // namespace firma
