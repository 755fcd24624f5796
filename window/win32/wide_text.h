// Text as Windows' controls take it: UTF-16 from firma's UTF-8. For showing
// only; a name becomes a path through sign/utf8.h, exactly.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Bytes that are not UTF-8 (a list written by an old tool in Latin-1) show
// as U+FFFD, as Windows converts them.
inline std::wstring wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}
