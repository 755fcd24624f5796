// Text and paths. Names are UTF-8 inside firma; they are UTF-16 in the
// windows' boxes and at Windows' door, and plain bytes on POSIX systems. Every
// conversion between them is here, the same code on every system.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace firma {

// The length in bytes of the UTF-8 character `text` starts with, or 0 when it
// starts with no character (empty, overlong forms, surrogates, past U+10FFFF,
// cut short). Strict, whatever the C runtime's code page.
std::size_t utf8_character_length(std::string_view text);

// UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD, as Windows converts it.
std::string utf8_of_utf16(std::u16string_view text);
// UTF-16 as WTF-8: UTF-8 in which an unpaired surrogate, which Windows' names
// may hold, keeps a three-byte form of its own, so that the name comes back
// exactly. Valid UTF-16 gives plain UTF-8.
std::string wtf8_of_utf16(std::u16string_view text);
// WTF-8 (so also UTF-8) as UTF-16; nothing when the bytes are neither, such as
// Latin-1 from an old tool, or a surrogate pair written as two halves.
std::optional<std::u16string> utf16_of_wtf8(std::string_view text);

// A name inside firma as a path: its bytes on POSIX systems, WTF-8 decoded to
// UTF-16 on Windows, where a name that is not WTF-8 names no path (nothing).
std::optional<std::filesystem::path> path_of_utf8(std::string_view name);
// A path as firma shows and stores it: its bytes on POSIX systems, WTF-8 on Windows.
std::string utf8_of_path(const std::filesystem::path& path);
// A name as a window's box holds it: exactly on Windows, UTF-8 on POSIX systems.
std::filesystem::path path_of_utf16(std::u16string_view name);

}  // namespace firma
