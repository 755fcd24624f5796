#include "window/win32/form1.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "window/form1_texts.h"
#include "window/layout.h"
#include "window/win32/accessible_names.h"
#include "window/win32/control_ids.h"
#include "window/win32/drop_target.h"
#include "window/win32/plain_window.h"

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;  // fixed, no minimise or maximise
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

constexpr UINT kSigned = WM_APP + 1;  // the signing task has finished
constexpr UINT_PTR kProgressTimer = 1;

std::wstring wide(std::u16string_view text) {
    return {text.begin(), text.end()};
}

std::u16string textOf(HWND control) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return {text.begin(), text.end()};
}

std::wstring firstDroppedFile(IDataObject* dropped) {
    if (dropped == nullptr) return {};
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(dropped->GetData(&format, &medium))) return {};
    std::wstring path;
    const auto files = static_cast<HDROP>(medium.hGlobal);
    if (DragQueryFileW(files, 0xFFFFFFFF, nullptr, 0) > 0) {
        path.resize(DragQueryFileW(files, 0, nullptr, 0));
        path.resize(DragQueryFileW(files, 0, path.data(), static_cast<UINT>(path.size() + 1)));
    }
    ReleaseStgMedium(&medium);
    return path;
}

void place(HWND control, form1_layout::Rect twips, UINT dpi) {
    const auto r = form1_layout::pixels(twips, static_cast<int>(dpi));
    SetWindowPos(control, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

Form1::Form1() : model_([this] { PostMessageW(window_, kSigned, 0, 0); }) {}

Form1::~Form1() {
    model_.close();
    if (window_ != nullptr) DestroyWindow(window_);
    if (font_ != nullptr) DeleteObject(font_);
}

bool Form1::show(int how) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!registerWindowClass(kForm1ClassName, &Form1::procedure)) return false;
    // The size follows once the window knows the dpi of the monitor it is on.
    window_ = CreateWindowExW(kExStyle, kForm1ClassName, wide(form1_texts::kCaption).c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0,
                              nullptr, nullptr, instance, this);
    if (window_ == nullptr) return false;
    createControls();
    layOut(GetDpiForWindow(window_));
    ShowWindow(window_, how);
    UpdateWindow(window_);
    return true;
}

void Form1::createControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto control = [&](DWORD exStyle, const wchar_t* kind, const wchar_t* text, DWORD style, int id) {
        return CreateWindowExW(exStyle, kind, text, WS_CHILD | style, 0, 0, 0, 0, window_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    // Created in tab order: the dialog manager tabs through children in z order.
    TextSign = control(WS_EX_CLIENTEDGE, WC_EDITW, L"",
                       WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, kTextSignId);
    TextFileName = control(WS_EX_CLIENTEDGE, WC_EDITW, L"",
                           WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL, kTextFileNameId);
    CommandSign = control(0, WC_BUTTONW, wide(form1_texts::kCommandSign).c_str(), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                          kCommandSignId);
    progress_ = control(0, PROGRESS_CLASSW, L"", 0, kProgressId);
    focus_ = TextSign;
    describeControls();

    dropTarget_ = new DropTarget([this](bool copy, bool link) { return model_.answer_drag(copy, link); },
                                 [this](IDataObject* dropped) { TextFileName_OLEDragDrop(dropped); });
    RegisterDragDrop(TextFileName, dropTarget_);
}

// The boxes have no labels beside them to be named after.
void Form1::describeControls() {
    nameForScreenReaders(window_, form1_texts::kCaption, form1_texts::kForm1Description);
    nameForScreenReaders(TextFileName, form1_texts::kTextFileNameName, form1_texts::kTextFileNameDescription);
    nameForScreenReaders(CommandSign, form1_texts::kCommandSign, form1_texts::kCommandSignDescription);
    nameForScreenReaders(TextSign, form1_texts::kTextSignName, form1_texts::kTextSignDescription);
    nameForScreenReaders(progress_, form1_texts::kProgressName, form1_texts::kProgressName);
}

// Positions and the font follow the monitor's dpi, so the window keeps its
// size in inches when it moves to a denser screen.
void Form1::layOut(UINT dpi) {
    RECT frame{0, 0, form1_layout::pixels(form1_layout::kClientWidth, static_cast<int>(dpi)),
               form1_layout::pixels(form1_layout::kClientHeight, static_cast<int>(dpi))};
    AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, dpi);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    place(TextFileName, form1_layout::kTextFileName, dpi);
    place(CommandSign, form1_layout::kCommandSign, dpi);
    place(TextSign, form1_layout::kTextSign, dpi);
    place(progress_, form1_layout::kProgress, dpi);

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) return;
    const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    if (font == nullptr) return;
    for (HWND child : {TextFileName, CommandSign, TextSign})
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (font_ != nullptr) DeleteObject(font_);
    font_ = font;
}

void Form1::TextFileName_OLEDragDrop(IDataObject* dropped) {
    if (!model_.takes_drops()) return;
    const std::wstring path = firstDroppedFile(dropped);
    SetWindowTextW(TextFileName, path.c_str());
    model_.dropped(textOf(TextFileName), path);
    showModel();
}

void Form1::CommandSign_Click() {
    model_.click(focusedControl());
    showModel();
}

void Form1::startWith(const std::wstring& path) {
    SetWindowTextW(TextFileName, path.c_str());
    model_.started_with(textOf(TextFileName), path);
    showModel();
}

Form1Control Form1::focusedControl() const {
    const HWND focused = GetFocus();
    if (focused == CommandSign) return Form1Control::CommandSign;
    if (focused == TextSign) return Form1Control::TextSign;
    if (focused == TextFileName) return Form1Control::TextFileName;
    return Form1Control::none;
}

void Form1::showModel() {
    const bool signing = model_.signing();
    const Form1Control focus = model_.take_focus_move();
    // Before the button is disabled: a disabled control cannot hold the focus.
    if (focus == Form1Control::TextSign) SetFocus(TextSign);
    EnableWindow(CommandSign, !signing);
    SendMessageW(TextFileName, EM_SETREADONLY, signing, 0);
    if (focus == Form1Control::CommandSign) SetFocus(CommandSign);
    if (textOf(TextSign) != model_.sign_text()) SetWindowTextW(TextSign, wide(model_.sign_text()).c_str());

    if (signing == progressShown_) return;
    progressShown_ = signing;
    ShowWindow(progress_, signing ? SW_SHOW : SW_HIDE);
    if (signing) {
        // Busy until the size is known.
        SetWindowLongPtrW(progress_, GWL_STYLE, GetWindowLongPtrW(progress_, GWL_STYLE) | PBS_MARQUEE);
        SendMessageW(progress_, PBM_SETMARQUEE, TRUE, 0);
        SetTimer(window_, kProgressTimer, 50, nullptr);
    } else {
        KillTimer(window_, kProgressTimer);
    }
}

void Form1::showProgress() {
    const int percent = model_.percent_done();
    if (percent < 0) return;
    const LONG_PTR style = GetWindowLongPtrW(progress_, GWL_STYLE);
    if (style & PBS_MARQUEE) {
        SendMessageW(progress_, PBM_SETMARQUEE, FALSE, 0);
        SetWindowLongPtrW(progress_, GWL_STYLE, style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
        SendMessageW(progress_, PBM_SETRANGE32, 0, 100);
    }
    SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

LRESULT CALLBACK Form1::procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return form != nullptr ? form->respond(window, message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT Form1::respond(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(w) == kCommandSignId && HIWORD(w) == BN_CLICKED) CommandSign_Click();
        if (LOWORD(w) == kTextFileNameId && HIWORD(w) == EN_CHANGE) {
            model_.name_changed(textOf(TextFileName));
            showModel();
        }
        // Enter reaches the window as IDOK: it presses the button only when the
        // button has the focus, as the button is not the window's default.
        if (LOWORD(w) == IDOK && GetFocus() == CommandSign) CommandSign_Click();
        return 0;
    case kSigned:
        model_.signing_finished(focusedControl());
        showModel();
        return 0;
    case WM_TIMER:
        if (w == kProgressTimer) showProgress();
        return 0;
    case WM_ACTIVATE:  // a plain window does not keep its focused control as a dialog does
        if (LOWORD(w) == WA_INACTIVE) {
            if (const HWND focused = GetFocus(); focused != nullptr && IsChild(window_, focused)) focus_ = focused;
        } else if (focus_ != nullptr) {
            SetFocus(focus_);
            return 0;
        }
        break;
    case WM_NEXTDLGCTL:  // what the multi-line box asks for on Tab, as it would of a dialog
        if (const HWND next = LOWORD(l) != 0 ? reinterpret_cast<HWND>(w) : GetNextDlgTabItem(window_, GetFocus(), w != 0)) {
            SetFocus(next);
            if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(next, EM_SETSEL, 0, -1);
        }
        return 0;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(l);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        layOut(HIWORD(w));
        return 0;
    }
    case WM_CLOSE:  // closing stops a signing at once; nothing is asked or saved
        model_.close();
        DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        RevokeDragDrop(TextFileName);
        if (dropTarget_ != nullptr) dropTarget_->Release();
        dropTarget_ = nullptr;
        window_ = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, w, l);
}
