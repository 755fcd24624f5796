#include "window/what_to_open.h"

#include "lists/list_files.h"
#include "sign/utf8.h"

WhatToOpen what_to_open(std::vector<std::filesystem::path> arguments) {
    if (arguments.empty()) return {};
    const std::string first = firma::utf8_of_path(arguments.front());
    if (arguments.size() > 1 && first == kRecordSelection && firma::names_no_file(first)) {
        arguments.erase(arguments.begin());
        return {WhatToOpen::record, std::move(arguments)};
    }
    std::error_code not_a_folder;
    if (std::filesystem::is_directory(arguments.front(), not_a_folder)) return {WhatToOpen::record, {arguments.front()}};
    // As the system compares names: LISTA.FIRMAS is a list on Windows.
    const std::string extension = firma::utf8_of_path(arguments.front().extension());
    if (firma::comparable_name(extension) == firma::comparable_name(".firmas")) return {WhatToOpen::check, {arguments.front()}};
    return {WhatToOpen::form1, {arguments.front()}};
}
