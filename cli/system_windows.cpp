// The command line's system calls on Windows.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "cli/system.h"

namespace firma::cli {
namespace {

void (*g_clear)() = nullptr;
UINT g_console_code_page = 0;  // the console's own, while firma has it on UTF-8

void restore_console_code_page() {
    if (g_console_code_page == 0) return;
    std::fflush(nullptr);  // at exit, what is still buffered must show as UTF-8 too
    SetConsoleOutputCP(g_console_code_page);
}

// Returning FALSE lets the next handler, the default one, end the process.
BOOL WINAPI clear_then_die(DWORD) {
    if (g_clear != nullptr) g_clear();
    if (g_console_code_page != 0) SetConsoleOutputCP(g_console_code_page);
    return FALSE;
}

bool is_console(DWORD stream) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(stream), &mode) != 0;
}

}  // namespace

std::filesystem::path path_of(const std::string& name) {
    return std::u8string(name.begin(), name.end());
}

std::optional<std::uint64_t> regular_file_size(const std::filesystem::path& path, const OpenFolder*) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    return size;
}

std::optional<std::uint64_t> standard_input_left() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    LARGE_INTEGER size{}, at{}, zero{};
    if (GetFileType(input) != FILE_TYPE_DISK || !GetFileSizeEx(input, &size) ||
        !SetFilePointerEx(input, zero, &at, FILE_CURRENT))
        return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart > at.QuadPart ? size.QuadPart - at.QuadPart : 0);
}

bool is_terminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF. Only
// control characters are unprintable: the C runtime's classification of the
// rest depends on its code page.
Character next_character(std::string_view text, std::mbstate_t&) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (text.empty() || byte(0) == 0) return {0, false};
    const unsigned char lead = byte(0);
    if (lead < 0x80) return {1, lead >= 0x20 && lead != 0x7f};
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || text.size() < length) return {0, false};
    unsigned char low = 0x80, high = 0xBF;  // what the second byte may be
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (byte(1) < low || byte(1) > high) return {0, false};
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return {0, false};
    const bool c1_control = lead == 0xC2 && byte(1) < 0xA0;
    return {length, !c1_control};
}

std::FILE* open_list(const std::string& name) {
    return _wfopen(path_of(name).c_str(), L"rb");
}

void catch_interrupts(void (*clear)()) {
    g_clear = clear;
    SetConsoleCtrlHandler(clear_then_die, TRUE);
}

void release_interrupts() {
    SetConsoleCtrlHandler(clear_then_die, FALSE);
}

void write_from_interrupt(const char* text, std::size_t size) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(size), &written, nullptr);
}

// Lists and signatures cross between systems byte for byte: no CRLF
// translation on the standard streams. Names are UTF-8 inside; a console shows
// them right only while its code page is UTF-8, so it is until firma ends.
void prepare_process() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if ((is_console(STD_OUTPUT_HANDLE) || is_console(STD_ERROR_HANDLE)) && GetConsoleOutputCP() != CP_UTF8) {
        const UINT previous = GetConsoleOutputCP();
        if (SetConsoleOutputCP(CP_UTF8)) {
            g_console_code_page = previous;
            std::atexit(restore_console_code_page);
        }
    }
}

}  // namespace firma::cli
