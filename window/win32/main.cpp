#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <string>

#include "window/form1_model.h"
#include "window/win32/form1.h"

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

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    if (FAILED(OleInitialize(nullptr))) return 1;  // drag and drop needs OLE on this thread
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    // Explorer passes the file a verb or a drop on the icon names as the argument.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const wchar_t* file = argv == nullptr ? nullptr : file_argument(argc, argv);
    const std::wstring path = file == nullptr ? L"" : file;
    LocalFree(argv);
    int status = 1;
    {
        Form1 form;
        if (form.show(show)) {
            if (!path.empty()) form.startWith(path);
            status = runUntilClosed(form.handle());
        }
    }
    OleUninitialize();
    return status;
}
