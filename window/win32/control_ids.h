// Identifiers of Form1's controls on Windows, in tab order. None is IDOK or
// IDCANCEL, so the button is neither the default nor the cancel button.
#pragma once

enum Form1ControlId : int { kTextSignId = 100, kTextFileNameId, kCommandSignId, kProgressId };

inline constexpr wchar_t kForm1ClassName[] = L"Form1";

// The program's icon group in its resources (cmake/windows_resources.rc.in).
inline constexpr int kAppIconId = 1;
