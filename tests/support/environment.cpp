#include "run_program.h"

namespace firma::testing {

std::vector<std::string> environment_with(const std::vector<std::string>& current,
                                          const std::vector<std::string>& settings) {
    const auto name_of = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> result;
    for (const auto& entry : current) {
        bool replaced = false;
        for (const auto& setting : settings) replaced = replaced || name_of(setting) == name_of(entry);
        if (!replaced) result.push_back(entry);
    }
    for (const auto& setting : settings)
        if (!setting.ends_with('=')) result.push_back(setting);
    return result;
}

}  // namespace firma::testing
