// What a screen reader announces for a control that has no label beside it to
// be named after. Readers ask in two ways, so the name is given in both: as an
// annotation on the window's standard accessible object (oleacc's dynamic
// annotation, read by readers that go through oleacc), and by answering
// WM_GETOBJECT with that standard object under the given name (for readers and
// versions of Windows the annotation does not reach). Nothing visible changes;
// if either way is refused the control is simply announced as before.
#pragma once

#include <windows.h>

#include <string_view>

// Names `control` for as long as it lives.
void nameForScreenReaders(HWND control, std::u16string_view name, std::u16string_view description);
