// The tool's window on Windows: drop a file on the tall box, press "Obtener
// firma", read the signature in the box below. Failures are absorbed silently.
// The result box only ever shows the signature of the name the name box shows.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

#include "window/sign_task.h"

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

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT respond(HWND window, UINT message, WPARAM w, LPARAM l);
    void createControls();
    void layOut(UINT dpi);
    void nameChanged();
    void showSignature();
    void showProgress();
    void setWorking(bool working);

    HWND window_ = nullptr;
    HWND progress_ = nullptr;
    HFONT font_ = nullptr;
    DropTarget* dropTarget_ = nullptr;
    HWND focus_ = nullptr;  // the control to give the focus back to when the window is activated
    bool buttonHadFocus_ = false;
    std::wstring signingName_;  // the name box's text when the running signing started
    std::wstring signedName_;   // the name the signature in TextSign belongs to
    SignTask task_;             // last: stopped before the window's state goes
};
