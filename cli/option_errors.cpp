#include "cli/option_errors.h"

#include <fmt/core.h>

#include <optional>
#include <vector>

#include "language/messages.h"
#include "language/translation.h"

namespace firma::cli {
namespace {

// A long option's problem, or nothing when `argument` is a correct long option
// (getopt then stopped inside a cluster of short options after it).
std::optional<std::string> long_option_error(const option* table, std::string_view argument) {
    if (!argument.starts_with("--")) return std::nullopt;
    const std::string_view given = argument.substr(2);
    const auto equals = given.find('=');
    const std::string_view name = given.substr(0, equals);
    std::vector<const option*> matches;
    for (const option* candidate = table; candidate->name != nullptr; ++candidate) {
        const std::string_view full = candidate->name;
        if (full == name) {
            matches = {candidate};
            break;
        }
        if (full.starts_with(name)) matches.push_back(candidate);
    }
    if (matches.empty()) return format_message(N_("unrecognized option '{}'"), argument);
    if (matches.size() > 1) {  // no option of ours has two names
        std::string message = format_message(N_("option '{}' is ambiguous; possibilities:"), argument);
        for (const option* match : matches) message += fmt::format(" '--{}'", match->name);
        return message;
    }
    const option& found = *matches.front();
    if (equals != std::string_view::npos && found.has_arg == no_argument)
        return format_message(N_("option '--{}' doesn't allow an argument"), found.name);
    if (equals == std::string_view::npos && found.has_arg == required_argument)
        return format_message(N_("option '--{}' requires an argument"), found.name);
    return std::nullopt;
}

}  // namespace

std::string option_error(const option* table, std::string_view shorts, std::string_view argument, int bad) {
    if (auto message = long_option_error(table, argument)) return *message;
    const auto letter = static_cast<char>(bad);
    const auto at = shorts.find(letter);
    if (at != std::string_view::npos && shorts.substr(at + 1).starts_with(':'))
        return format_message(N_("option requires an argument -- '{}'"), letter);
    return format_message(N_("invalid option -- '{}'"), letter);
}

}  // namespace firma::cli
