// Holds Wine's desktop from the start of the Windows tests to their end. Wine
// closes a desktop a few seconds after the last program using it ends, and the
// next test to open a window then waits while a new one starts (ten seconds or
// more under Xvfb). A window no one sees keeps it open; once it exists, the
// file named by the argument is written, and the program waits to be stopped.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (window == nullptr) return 1;
    if (FILE* ready = _wfopen(argv[1], L"w")) std::fclose(ready);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
