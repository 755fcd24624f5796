#include "window/win32/plain_window.h"

#include <commdlg.h>

#include "window/win32/control_ids.h"

namespace {

constexpr UINT_PTR kPaceTimer = 0x7A;  // a number of its own, apart from the windows' timers
constexpr ULONGLONG kPaceMs = 20;

}  // namespace

PlainWindow::~PlainWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    if (font_ != nullptr) DeleteObject(font_);
}

bool registerWindowClass(const wchar_t* name, WNDPROC procedure) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    const auto icon = [&](int across, int down) {
        return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON,
                                             GetSystemMetrics(across), GetSystemMetrics(down), LR_DEFAULTCOLOR));
    };
    windowClass.hIcon = icon(SM_CXICON, SM_CYICON);
    windowClass.hIconSm = icon(SM_CXSMICON, SM_CYSMICON);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass) != 0;
}

std::optional<std::filesystem::path> askWhereToSave(HWND owner, const std::filesystem::path& proposed,
                                                    const std::wstring& title, const std::wstring& filter,
                                                    const std::wstring& extension) {
    std::wstring file = proposed.wstring();
    file.resize(std::max<std::size_t>(file.size() + 1, MAX_PATH * 8), L'\0');
    // The filter: its label, then its pattern, each ended by a NUL, then one more.
    const std::wstring filters = filter + L'\0' + L"*." + extension + L'\0' + L'\0';
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = extension.c_str();
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    file.resize(file.find(L'\0'));
    return std::filesystem::path(file);
}

bool PlainWindow::create(const wchar_t* className, const std::wstring& caption, int width, int height, int show) {
    if (!registerWindowClass(className, &PlainWindow::procedure)) return false;
    window_ = CreateWindowExW(0, className, caption.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0,
                              nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) return false;
    dpi_ = GetDpiForWindow(window_);
    makeFont();
    createControls();
    RECT frame{0, 0, scaled(width), scaled(height)};
    AdjustWindowRectExForDpi(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0, dpi_);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    layOutClient();
    ShowWindow(window_, show);
    UpdateWindow(window_);
    return true;
}

HWND PlainWindow::control(const wchar_t* kind, const std::wstring& text, DWORD style, int id, DWORD exStyle) {
    const HWND child = CreateWindowExW(exStyle, kind, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                       nullptr);
    if (child != nullptr) {
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        children_.push_back(child);
    }
    return child;
}

int PlainWindow::buttonWidth(HWND button) const {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(button)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(button, text.data(), static_cast<int>(text.size()))));
    SIZE size{};
    const HDC dc = GetDC(button);
    const HGDIOBJ old = SelectObject(dc, font_);
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(button, dc);
    return std::max(static_cast<int>(size.cx) + scaled(24), scaled(75));
}

void PlainWindow::place(HWND child, int left, int top, int width, int height) const {
    SetWindowPos(child, nullptr, left, top, std::max(width, 0), std::max(height, 0), SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT PlainWindow::respond(UINT message, WPARAM w, LPARAM l) {
    return DefWindowProcW(window_, message, w, l);
}

void PlainWindow::makeFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi_)) return;
    const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    if (font == nullptr) return;
    for (HWND child : children_) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (font_ != nullptr) DeleteObject(font_);
    font_ = font;
}

void PlainWindow::layOutClient() {
    RECT client{};
    GetClientRect(window_, &client);
    layOut(client.right, client.bottom);
}

LRESULT CALLBACK PlainWindow::procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<PlainWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<PlainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return self != nullptr ? self->handle(message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT PlainWindow::handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_SIZE:
        if (!children_.empty()) layOutClient();
        return 0;
    case WM_GETMINMAXINFO: {  // never so small that the buttons overlap
        auto* limits = reinterpret_cast<MINMAXINFO*>(l);
        limits->ptMinTrackSize = {scaled(400), scaled(160)};
        return 0;
    }
    case WM_DPICHANGED: {
        dpi_ = HIWORD(w);
        makeFont();
        fontsChanged();
        const auto* suggested = reinterpret_cast<const RECT*>(l);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        layOutClient();
        return 0;
    }
    case kNews:  // at once after a quiet spell (the first rows, the end), else when 20 ms have passed
        if (!pacing_) {
            const ULONGLONG since = GetTickCount64() - lastTake_;
            if (since >= kPaceMs) {
                lastTake_ = GetTickCount64();
                takeNews();
            } else {
                pacing_ = SetTimer(window_, kPaceTimer, static_cast<UINT>(kPaceMs - since), nullptr) != 0;
            }
        }
        return 0;
    case WM_TIMER:
        if (w != kPaceTimer) break;
        KillTimer(window_, kPaceTimer);
        pacing_ = false;
        lastTake_ = GetTickCount64();
        takeNews();
        return 0;
    case WM_CLOSE:
        closing();
        DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        window_ = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return respond(message, w, l);
}
