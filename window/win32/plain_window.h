// What the list windows share on Windows: a top-level window of its own class
// with the program's icon, children in the system's message font, and
// positions in pixels at 96 dpi scaled to the monitor's dpi, laid out again
// when the window is resized or moves to another monitor. Closing it ends the
// program's message loop: each such window is a program's only one.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Registers a top-level window class with the program's icon (small for the
// title bar, large for the taskbar and Alt-Tab) and the dialog background.
bool registerWindowClass(const wchar_t* name, WNDPROC procedure);

// Where to save a file, asked in the system's save dialog, which proposes
// `proposed` and asks before replacing a file; nothing when the user cancels.
// `filter` is what the dialog says of the files of `extension` (no dot).
std::optional<std::filesystem::path> askWhereToSave(HWND owner, const std::filesystem::path& proposed,
                                                    const std::wstring& title, const std::wstring& filter,
                                                    const std::wstring& extension);

class PlainWindow {
public:
    PlainWindow() = default;
    virtual ~PlainWindow();
    PlainWindow(const PlainWindow&) = delete;
    PlainWindow& operator=(const PlainWindow&) = delete;

    HWND handle() const { return window_; }

protected:
    // Creates the window, `width` by `height` pixels at 96 dpi, and shows it;
    // false if the system refuses. Calls createControls() before laying out.
    bool create(const wchar_t* className, const std::wstring& caption, int width, int height, int show);
    // A child control in the message font, created in tab order.
    HWND control(const wchar_t* kind, const std::wstring& text, DWORD style, int id, DWORD exStyle = 0);
    // `pixels` at 96 dpi, in the window's dpi.
    int scaled(int pixels) const { return MulDiv(pixels, static_cast<int>(dpi_), 96); }
    // The width a push button needs for its text, and never less than the
    // usual 75 pixels.
    int buttonWidth(HWND button) const;
    void place(HWND control, int left, int top, int width, int height) const;
    HFONT font() const { return font_; }
    UINT dpi() const { return dpi_; }

    virtual void createControls() = 0;
    // Places the controls in the client area, `width` by `height` pixels.
    virtual void layOut(int width, int height) = 0;
    // The fonts changed with the dpi.
    virtual void fontsChanged() {}
    // Work under way has news: takeNews() is called, at most every 20 ms, as
    // a wake per file would cost more than the file, and at once after a
    // quiet spell. Any thread may call it.
    std::function<void()> newsCallback() {
        return [this] { PostMessageW(window_, kNews, 0, 0); };
    }
    virtual void takeNews() {}
    // The window's messages not handled here.
    virtual LRESULT respond(UINT message, WPARAM w, LPARAM l);
    // The window is closing: work under way is stopped first.
    virtual void closing() {}

    HWND window_ = nullptr;

private:
    static constexpr UINT kNews = WM_APP;
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    void makeFont();
    void layOutClient();

    UINT dpi_ = 96;
    ULONGLONG lastTake_ = 0;  // when news was last taken
    bool pacing_ = false;     // a take is due on the timer
    HFONT font_ = nullptr;
    std::vector<HWND> children_;
};
