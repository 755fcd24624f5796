// What walking folders and reading lists need from the system, one
// implementation per system (list_files_posix.cpp, list_files_windows.cpp).
// Names inside firma are bytes on POSIX systems and UTF-8 on Windows.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>

namespace firma {

// Whether a backslash separates folders in names (Windows), rather than being
// a character a name may hold (POSIX).
bool backslash_separates_folders();

// Whether `name` names no file on this system whatever the disk holds: on
// Windows a name whose last component holds a wildcard (`*`, `?`), which no
// file's name can hold,
// such as one that matched nothing and was left as typed; never on POSIX
// systems. Such a name is a missing file, as a POSIX shell's unmatched
// pattern is.
bool names_no_file(std::string_view name);

// `path` (UTF-8, absolute and normal) as the system compares names: on
// Windows whatever the case of its letters; elsewhere as it is.
std::string comparable_name(std::string_view path);

// A list to read, in binary (a list written on another system reads the same);
// nothing, with the system's reason in `error`, where it cannot be opened.
std::FILE* open_list(const std::string& name, std::error_code& error);
// Reads up to `size` bytes of `file`, bypassing its buffer, waiting only until
// there are some: a pipe's or a terminal's lines are read as they arrive.
// Returns 0 at the end, and -1 (the system's reason in `error`) on a failure.
long long read_available(std::FILE* file, char* buffer, std::size_t size, std::error_code& error);
// Whether a read of `file` may wait for a writer: a pipe, FIFO, terminal or
// device, not a file on a disk.
bool reads_may_wait(std::FILE* file);

// Where the system has no unnamed files, a list being written (-o LIST) is a
// new file beside it named ".LIST.firma-DIGITS" until it is put in place:
// hidden, so that wildcards leave it out, and marked so that no list's own
// name is likely to look like one.
inline constexpr std::string_view kUnfinishedMark = ".firma-";
// The start of those names for the list named `list` (its last component).
std::string unfinished_output_prefix(std::string_view list);
// Whether `name` (a folder entry) is one of those for the list `list`.
bool is_unfinished_output_of(std::string_view name, std::string_view list);
// Whether `name` is one of those for any list: never signed, as one left by a
// killed run holds part of a list. Never on Windows, which deletes such a
// file however the run ends.
bool is_unfinished_output(std::string_view name);

}  // namespace firma
