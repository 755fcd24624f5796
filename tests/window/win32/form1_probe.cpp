// Looks at the running Windows window (Form1, or else the check or the record
// window) from outside, as a test driver needs:
//   form1-probe state              Form1's caption, frame, layout, tab order, focus and texts
//   form1-probe rows               the number of rows the check window shows
//   form1-probe wait NAME TEXT     waits until control NAME shows TEXT (20 s at most)
//   form1-probe center NAME        screen point in the middle of control NAME
//   form1-probe close              asks the window to close
//   form1-probe version FILE       version and language of FILE's version resource
//   form1-probe manifest FILE      FILE's manifest, as the loader reads it
// Texts are printed in UTF-8; a missing window or a timeout exits 1.
#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "window/form1_texts.h"
#include "window/win32/control_ids.h"

namespace {

struct Control {
    const char* name;
    int id;
};
constexpr Control kControls[] = {{"TextSign", kTextSignId},
                                 {"TextFileName", kTextFileNameId},
                                 {"CommandSign", kCommandSignId},
                                 {"Progress", kProgressId},
                                 {"Verdict", kCheckVerdictId},
                                 {"Problems", kCheckProblemsId},
                                 {"Done", kCheckDoneId},
                                 {"Add", kCheckAddId},
                                 {"Report", kCheckReportId},
                                 {"Cancel", kCheckCancelId},
                                 {"Status", kRecordStatusId},
                                 {"RecordButton", kRecordButtonId}};

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

std::wstring textOf(HWND window) {
    const auto length = static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

const char* nameOf(HWND control) {
    for (const Control& c : kControls)
        if (GetDlgCtrlID(control) == c.id) return c.name;
    return "?";
}

HWND controlNamed(HWND form, const std::wstring& name) {
    for (const Control& c : kControls)
        if (utf8(name) == c.name) return GetDlgItem(form, c.id);
    return nullptr;
}

int state(HWND form) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(form, GWL_STYLE));
    RECT client{};
    GetClientRect(form, &client);
    std::printf("caption: %s\n", utf8(textOf(form)).c_str());
    std::printf("frame:%s%s%s%s\n", style & WS_CAPTION ? " title" : "", style & WS_THICKFRAME ? " sizable" : "",
                style & WS_MINIMIZEBOX ? " minimise" : "", style & WS_MAXIMIZEBOX ? " maximise" : "");
    std::printf("client: %ldx%ld\n", client.right, client.bottom);
    std::printf("tab order:");
    for (HWND child = GetWindow(form, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) std::printf(" %s", nameOf(child));
    std::printf("\n");
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &thread);
    std::printf("focus: %s\n", thread.hwndFocus != nullptr ? nameOf(thread.hwndFocus) : "none");
    for (const Control& c : kControls) {
        const HWND control = GetDlgItem(form, c.id);
        if (control == nullptr) continue;  // another window's
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(HWND_DESKTOP, form, reinterpret_cast<POINT*>(&r), 2);
        const auto controlStyle = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
        std::printf("%s: %ld,%ld %ldx%ld%s%s%s \"%s\"\n", c.name, r.left, r.top, r.right - r.left, r.bottom - r.top,
                    controlStyle & WS_VISIBLE ? "" : " hidden", controlStyle & WS_DISABLED ? " disabled" : "",
                    controlStyle & ES_READONLY && c.id == kTextFileNameId ? " read-only" : "",
                    utf8(textOf(control)).c_str());
    }
    return 0;
}

int version(const wchar_t* file) {
    DWORD ignored = 0;
    std::vector<char> data(GetFileVersionInfoSizeW(file, &ignored));
    if (data.empty() || !GetFileVersionInfoW(file, 0, static_cast<DWORD>(data.size()), data.data())) return 1;
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size))
        return 1;
    // Every language the resource is in, as Explorer would pick among them.
    for (UINT n = 0; n < size / sizeof *translation; ++n) {
        wchar_t block[64];
        std::swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation[n].language, translation[n].codePage);
        std::printf("language: %04x\n", translation[n].language);
        for (const wchar_t* key : {L"FileDescription", L"FileVersion", L"ProductVersion"}) {
            wchar_t* value = nullptr;
            UINT length = 0;
            if (!VerQueryValueW(data.data(), (std::wstring(block) + key).c_str(), reinterpret_cast<void**>(&value),
                                &length))
                return 1;
            std::printf("%s: %s\n", utf8(key).c_str(), utf8(value).c_str());
        }
    }
    return 0;
}

int manifest(const wchar_t* file) {
    const HMODULE module = LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    const HRSRC found = module == nullptr ? nullptr : FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    const HGLOBAL loaded = found == nullptr ? nullptr : LoadResource(module, found);
    if (loaded == nullptr) return 1;
    std::fwrite(LockResource(loaded), 1, SizeofResource(module, found), stdout);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n, as the script compares them
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"version" && argc == 3) return version(argv[2]);
    if (command == L"manifest" && argc == 3) return manifest(argv[2]);
    const std::wstring caption(form1_texts::kCaption.begin(), form1_texts::kCaption.end());
    HWND form = FindWindowW(kForm1ClassName, caption.c_str());
    for (const wchar_t* other : {kCheckWindowClassName, kRecordWindowClassName})
        if (form == nullptr) form = FindWindowW(other, nullptr);
    if (form == nullptr) {
        std::fprintf(stderr, "form1-probe: no window\n");
        return 1;
    }
    if (command == L"state") return state(form);
    if (command == L"close") return PostMessageW(form, WM_CLOSE, 0, 0) ? 0 : 1;
    if (command == L"rows") {
        std::printf("%ld\n", static_cast<long>(SendMessageW(GetDlgItem(form, kCheckTableId), LVM_GETITEMCOUNT, 0, 0)));
        return 0;
    }
    const HWND control = argc > 2 ? controlNamed(form, argv[2]) : nullptr;
    if (command == L"center" && control != nullptr) {
        RECT r{};
        GetWindowRect(control, &r);
        std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        return 0;
    }
    if (command == L"wait" && control != nullptr && argc == 4) {
        const std::wstring expected = argv[3];
        for (int tries = 0; tries < 200; ++tries, Sleep(100))
            if (textOf(control) == expected) return 0;
        std::fprintf(stderr, "form1-probe: %s shows \"%s\"\n", utf8(argv[2]).c_str(), utf8(textOf(control)).c_str());
        return 1;
    }
    std::fprintf(stderr, "form1-probe: unknown command\n");
    return 2;
}
