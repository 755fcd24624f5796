// What firma-gui opens, from its arguments, on every system: a list
// (NAME.firmas) is checked; a folder is recorded; the items after
// kRecordSelection (what Windows' "Send to" passes) are recorded into one
// list; anything else is Form1's file, the first argument as Form1 takes it.
#pragma once

#include <filesystem>
#include <vector>

#include "window/form1_model.h"

// The "Send to" shortcut's argument, which the installer writes too. It is a
// name no file can have on Windows, so no file Form1 is given is taken for
// it; elsewhere, where it can name a file, it means nothing of its own.
inline constexpr char kRecordSelection[] = "*guardar";

struct WhatToOpen {
    enum Kind { form1, check, record } kind = form1;
    // Form1: its file, if any; check: the list; record: what to record.
    std::vector<std::filesystem::path> items;
};

// `arguments`: main's, past the program's name and a first "--".
WhatToOpen what_to_open(std::vector<std::filesystem::path> arguments);

template <typename Char>
WhatToOpen what_to_open(int argc, Char* const* argv) {
    const Char* file = file_argument(argc, argv);
    std::vector<std::filesystem::path> arguments;
    for (int each = file == nullptr ? argc : file == argv[1] ? 1 : 2; each < argc; ++each) arguments.emplace_back(argv[each]);
    return what_to_open(std::move(arguments));
}
