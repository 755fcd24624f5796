// Windows hands the arguments over as UTF-16; inside, firma works in WTF-8,
// which keeps even a name that is not valid UTF-16.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "cli/commands.h"
#include "sign/utf8.h"

namespace {

// A folder quoted as "C:\Mis Fotos\" (Explorer's "Copy as path", tab
// completion) ends in \", which Windows' rules read as a quote inside the
// argument: it arrives as C:\Mis Fotos" followed by the rest of the line, the
// blank cmd leaves before a redirect (`> lista.txt`) or the next options. No
// Windows name holds a '"': the first one is the backslash that ended the
// folder, and what follows it is read again as arguments.
std::vector<std::wstring> as_typed(int argc, wchar_t** argv) {
    std::vector<std::wstring> arguments;
    for (int i = 0; i < argc; ++i) {
        std::wstring argument = argv[i];
        const std::size_t quote = argument.find(L'"');
        if (i == 0 || quote == std::wstring::npos || quote == 0) {
            arguments.push_back(std::move(argument));
            continue;
        }
        arguments.push_back(argument.substr(0, quote) + L'\\');
        const std::wstring rest = argument.substr(quote + 1);
        if (rest.find_first_not_of(L" \t") == std::wstring::npos) continue;
        int count = 0;
        wchar_t** more = CommandLineToArgvW((L"firma " + rest).c_str(), &count);
        for (int j = 1; more != nullptr && j < count; ++j) arguments.emplace_back(more[j]);
        LocalFree(more);
    }
    return arguments;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (const std::wstring& argument : as_typed(argc, argv))
        arguments.push_back(firma::wtf8_of_utf16(reinterpret_cast<const char16_t*>(argument.c_str())));
    std::vector<char*> pointers;
    for (auto& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return firma::cli::run(static_cast<int>(arguments.size()), pointers.data());
}
