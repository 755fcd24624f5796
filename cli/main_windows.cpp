// Windows hands the arguments over as UTF-16; inside, firma works in WTF-8,
// which keeps even a name that is not valid UTF-16.
#include <windows.h>

#include <string>
#include <vector>

#include "cli/commands.h"
#include "sign/utf8.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(firma::wtf8_of_utf16(reinterpret_cast<const char16_t*>(argv[i])));
    std::vector<char*> pointers;
    for (auto& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return firma::cli::run(argc, pointers.data());
}
