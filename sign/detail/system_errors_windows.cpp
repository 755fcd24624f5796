#include <windows.h>

#include "sign/system_errors.h"

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

std::string reason_of(const std::error_code& error) {
    if (error == std::errc::too_many_symbolic_link_levels) return "Too many levels of symbolic links";
    if (error == std::errc::value_too_large) return "Value too large for defined data type";
    return error.message();
}

}  // namespace firma
