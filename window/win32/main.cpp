#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <string>

#include "language/translation.h"
#include "sign/utf8.h"
#include "window/what_to_open.h"
#include "window/win32/check_window.h"
#include "window/win32/form1.h"
#include "window/win32/record_window.h"

namespace {

int runUntilClosed(HWND window) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // The dialog manager gives the window Tab between controls and Enter.
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

// The window `opening` asks for, until it is closed; 1 if it cannot be shown.
int run(const WhatToOpen& opening, int show) {
    switch (opening.kind) {
    case WhatToOpen::check: {  // a list opened with firma-gui (a double-click on it)
        CheckWindow check(firma::utf8_of_path(opening.items.front()));
        return check.show(show) ? runUntilClosed(check.handle()) : 1;
    }
    case WhatToOpen::record: {  // into a list the user places
        const auto list = RecordWindow::chooseList(opening.items);
        if (!list) return 0;
        RecordWindow record(opening.items, *list);
        return record.show(show) ? runUntilClosed(record.handle()) : 1;
    }
    case WhatToOpen::form1: break;
    }
    Form1 form;
    if (!form.show(show)) return 1;
    if (!opening.items.empty()) form.startWith(opening.items.front().wstring());
    return runUntilClosed(form.handle());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    if (FAILED(OleInitialize(nullptr))) return 1;  // drag and drop, and Explorer's calls, need OLE on this thread
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    firma::choose_message_language();
    // Explorer passes what a verb, "Send to" or a drop on the icon names as the arguments.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const WhatToOpen opening = argv == nullptr ? WhatToOpen{} : what_to_open(argc, argv);
    LocalFree(argv);
    const int status = run(opening, show);
    OleUninitialize();
    return status;
}
