// The operating system's errors as the portable code and people know them: the
// one place where either system's error numbers and wording are translated.
#pragma once

#include <string>
#include <system_error>

namespace firma {

// An error by the system's own number (errno on POSIX systems; GetLastError()
// or the C runtime's _doserrno on Windows), as std::errc where one matches, so
// that a missing file reads "No such file or directory" on every system.
std::error_code system_error_code(unsigned long code);

// The calling thread's last failed system call.
std::error_code last_system_error();
// Why the C runtime's last write to a stream failed (after fwrite, fflush or fclose).
std::error_code last_stream_error();

// The reason a person reads for `error`, in the language messages are in
// (translation.h): the C library's words on Linux; on Windows the same words
// from firma's own catalogue (Windows' C runtime has none for some POSIX
// values, and only English ones), Windows' own for errors firma has no name for.
std::string reason_of(const std::error_code& error);

// "what failed: reason" for an error thrown with what failed as its text,
// with the reason in the user's language rather than the English what() holds.
std::string in_users_words(const std::system_error& error);

}  // namespace firma
