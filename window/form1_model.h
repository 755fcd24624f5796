// The rules of Form1, whatever toolkit draws it. Each window turns its widgets'
// events into calls here and shows what this says; it decides nothing itself.
//
// The result box only ever shows the signature of the name the name box shows:
// any change of the name empties it, and while a file is read its name cannot
// change (the box is read-only, drops are refused) and the button is disabled.
// Failures show no message: the result box is emptied, since what it showed
// may no longer be what the file holds.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "window/sign_task.h"

enum class Form1Control { none, TextSign, TextFileName, CommandSign };

// The file the window is started with (`firma-gui FILE`, or a file dropped on
// the program's icon): its first argument, past a first "--". Every argument
// is a path, never an option, so a file named --help is a file. Nothing when
// there is none.
template <typename Char>
const Char* file_argument(int argc, Char* const* argv) {
    int first = 1;
    if (argc > 1 && argv[1][0] == '-' && argv[1][1] == '-' && argv[1][2] == 0) first = 2;
    return argc > first ? argv[first] : nullptr;
}

// How the name box answers a drag. Never a move: the source would then delete
// the original. `take` takes a drop that offers neither copying nor linking,
// telling the source nothing was done.
enum class DropAnswer { refuse, copy, link, take };

class Form1Model {
public:
    // `wake` runs on the worker thread when a signing ends; it should only make
    // the GUI thread call signing_finished().
    explicit Form1Model(std::function<void()> wake, SignTask::StartThread start_thread = {});

    // What the window shows.
    const std::u16string& sign_text() const { return sign_; }
    bool signing() const { return signing_; }
    // Percent read of the file being signed, -1 while its size is not known
    // (the progress bar shows busy then).
    int percent_done() const { return task_.percent_done(); }
    // Where the focus must move after the last event, once; none if it stays.
    Form1Control take_focus_move();
    // Whether a drop may change the name now: not while its file is read.
    bool takes_drops() const { return !signing_; }
    // How to answer a drag, given whether it offers copying and linking.
    DropAnswer answer_drag(bool copy_offered, bool link_offered) const;

    // The name box's text changed: typed, pasted or set by a drop.
    void name_changed(std::u16string name);
    // A drop was put into the name box, which now shows `shown`; `path` is the
    // dropped file exactly, empty when the drop carried no file. It is signed
    // while the box still shows the drop: a box need not keep every byte of a name.
    void dropped(std::u16string shown, std::filesystem::path path);
    // The window opens with a file to sign: shown as a drop of it would be, and
    // signed at once, as if CommandSign were pressed (the focus is where the
    // window starts it, on TextSign).
    void started_with(std::u16string shown, std::filesystem::path path);
    // CommandSign_Click: signs the named file in the background. `focused` is
    // the control holding the focus.
    void click(Form1Control focused);
    // On the GUI thread, after `wake`.
    void signing_finished(Form1Control focused);
    // The window closes: a signing stops at once.
    void close();

private:
    std::filesystem::path path_to_sign() const;
    void failed();

    std::u16string name_;          // what the name box shows
    std::u16string dropped_name_;  // what it showed after the last drop
    std::filesystem::path dropped_path_;
    std::u16string signing_name_;  // the name when the running signing started
    std::u16string signed_name_;   // the name the shown signature belongs to
    std::u16string sign_;
    bool signing_ = false;
    bool lent_focus_ = false;  // the disabled button's focus is lent to the result box
    Form1Control focus_move_ = Form1Control::none;
    SignTask task_;  // last: stopped before the state above goes
};
