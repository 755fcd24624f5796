#include "lists/list_files.h"

namespace firma {

std::string unfinished_output_prefix(std::string_view list) {
    return "." + std::string(list) + std::string(kUnfinishedMark);
}

bool is_unfinished_output_of(std::string_view name, std::string_view list) {
    const std::string prefix = unfinished_output_prefix(list);
    return name.size() > prefix.size() && name.starts_with(prefix) &&
           name.find_first_not_of("0123456789", prefix.size()) == std::string_view::npos;
}

}  // namespace firma
