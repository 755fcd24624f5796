// A Windows error code (GetLastError) as the portable code and the messages
// know it: std::errc where one matches, so that a missing file reads "No such
// file or directory" as on POSIX systems. Windows only (detail/os_windows.cpp).
#pragma once

#include <system_error>

namespace firma {

std::error_code windows_error(unsigned long error);

}  // namespace firma
