#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "sign/system_errors.h"
#include "language/translation.h"
#include "sign/utf8.h"

namespace firma {

std::error_code system_error_code(unsigned long code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH: return std::make_error_code(std::errc::no_such_file_or_directory);
        case ERROR_ACCESS_DENIED: return std::make_error_code(std::errc::permission_denied);
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return std::make_error_code(std::errc::device_or_resource_busy);
        case ERROR_DIRECTORY: return std::make_error_code(std::errc::not_a_directory);
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME: return std::make_error_code(std::errc::invalid_argument);
        case ERROR_FILENAME_EXCED_RANGE: return std::make_error_code(std::errc::filename_too_long);
        case ERROR_TOO_MANY_OPEN_FILES: return std::make_error_code(std::errc::too_many_files_open);
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY: return std::make_error_code(std::errc::not_enough_memory);
        case ERROR_CRC:
        case ERROR_READ_FAULT: return std::make_error_code(std::errc::io_error);
        // Windows says "the pipe is being closed" (and Wine "no process is on
        // the other end"); either way the reader has gone.
        case ERROR_NO_DATA:
        case ERROR_BROKEN_PIPE:
        case ERROR_PIPE_NOT_CONNECTED: return std::make_error_code(std::errc::broken_pipe);
        default: return {static_cast<int>(code), std::system_category()};
    }
}

std::error_code last_system_error() {
    return system_error_code(GetLastError());
}

// The C runtime keeps the Windows error of a failed write beside errno, which
// says EINVAL where the reader of a pipe has gone.
std::error_code last_stream_error() {
    const std::error_code windows = system_error_code(_doserrno);
    if (windows == std::errc::broken_pipe) return windows;
    return {errno, std::generic_category()};
}

namespace {

// The reasons Windows' errors are mapped to, in Linux's words (which the
// catalogue translates), except where Windows' own meaning is plainer: a
// sharing violation is a file another program holds open, not a busy device.
constexpr std::pair<std::errc, const char*> kReasons[] = {
    {std::errc::no_such_file_or_directory, N_("No such file or directory")},
    {std::errc::permission_denied, N_("Permission denied")},
    {std::errc::device_or_resource_busy, N_("The file is in use by another program")},
    {std::errc::not_a_directory, N_("Not a directory")},
    {std::errc::is_a_directory, N_("Is a directory")},
    {std::errc::invalid_argument, N_("Invalid argument")},
    {std::errc::filename_too_long, N_("File name too long")},
    {std::errc::too_many_files_open, N_("Too many open files")},
    {std::errc::not_enough_memory, N_("Cannot allocate memory")},
    {std::errc::io_error, N_("Input/output error")},
    {std::errc::broken_pipe, N_("Broken pipe")},
    {std::errc::too_many_symbolic_link_levels, N_("Too many levels of symbolic links")},
    {std::errc::value_too_large, N_("Value too large for defined data type")},
    {std::errc::illegal_byte_sequence, N_("Invalid or incomplete multibyte or wide character")},
    {std::errc::resource_unavailable_try_again, N_("Resource temporarily unavailable")},
    {std::errc::no_space_on_device, N_("No space left on device")},
    {std::errc::file_exists, N_("File exists")},
    {std::errc::operation_not_permitted, N_("Operation not permitted")},
};

// Windows' own words for the errors firma has none for, in the user's
// language, without the full stop and line break it ends them with.
std::string system_message(int code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0) return std::string(_("Unknown system error")) + " " + std::to_string(code);
    std::wstring_view message(text, length);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
        message.remove_suffix(1);
    std::string utf8 =
        utf8_of_utf16(std::u16string_view(reinterpret_cast<const char16_t*>(message.data()), message.size()));
    LocalFree(text);
    return utf8;
}

}  // namespace

std::string reason_of(const std::error_code& error) {
    for (const auto& [value, reason] : kReasons)
        if (error == value) return _(reason);
    if (error.category() == std::system_category()) return system_message(error.value());
    return error.message();
}

}  // namespace firma
