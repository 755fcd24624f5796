// The tool's window, drawn with the Win32 API: drop a file on the tall box,
// press "Obtener firma", read the signature in the box below. What it shows and
// when is Form1Model's; this class only turns window messages into the model's
// calls and the model's answers into controls.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "window/form1_model.h"

class DropTarget;

class Form1 {
public:
    Form1();
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Creates the window and shows it; false if the system refuses.
    bool show(int how);
    HWND handle() const { return window_; }

    HWND TextFileName = nullptr;
    HWND CommandSign = nullptr;
    HWND TextSign = nullptr;

    // Makes the first dropped file's path the whole text of TextFileName; a
    // drop without files empties it.
    void TextFileName_OLEDragDrop(IDataObject* dropped);
    // Signs the file named by TextFileName off the GUI thread; the result lands
    // in TextSign, a failure leaves TextSign as it was.
    void CommandSign_Click();
    // The window was started with a file: it is shown and signed at once.
    void startWith(const std::wstring& path);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT respond(HWND window, UINT message, WPARAM w, LPARAM l);
    void createControls();
    void layOut(UINT dpi);
    void describeControls();
    Form1Control focusedControl() const;
    void showModel();
    void showProgress();

    HWND window_ = nullptr;
    HWND progress_ = nullptr;
    HFONT font_ = nullptr;
    DropTarget* dropTarget_ = nullptr;
    HWND focus_ = nullptr;  // the control to give the focus back to when the window is activated
    bool progressShown_ = false;
    Form1Model model_;  // last: its signing stops before the window's state goes
};
