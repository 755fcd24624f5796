#include "window/win32/record_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <climits>

#include "language/messages.h"
#include "language/translation.h"
#include "sign/system_errors.h"
#include "sign/utf8.h"
#include "window/win32/control_ids.h"
#include "window/win32/wide_text.h"

namespace {

constexpr int kMargin = 11;

}  // namespace

RecordWindow::RecordWindow(std::vector<std::filesystem::path> items, std::filesystem::path list)
    : items_(std::move(items)), list_(std::move(list)), task_(newsCallback()) {}

RecordWindow::~RecordWindow() {
    task_.cancel();
}

std::optional<std::filesystem::path> RecordWindow::chooseList(const std::vector<std::filesystem::path>& items) {
    return askWhereToSave(nullptr, proposed_list(items), wide(_("Save signatures")), wide(_("Signature lists (*.firmas)")),
                          L"firmas");
}

bool RecordWindow::show(int how) {
    const std::string name = firma::utf8_of_path(list_.filename());
    if (!create(kRecordWindowClassName, wide(std::string(_("Save signatures")) + " - " + name), 520, 190, how))
        return false;
    if (!task_.start(items_, list_))
        ended(firma::format_message(N_("The list could not be saved: {}"),
                                    firma::reason_of(std::make_error_code(std::errc::resource_unavailable_try_again))));
    return true;
}

void RecordWindow::createControls() {
    status_ = control(WC_STATICW, wide(_("Counting the files…")), SS_NOPREFIX | SS_LEFT, kRecordStatusId);
    progress_ = control(PROGRESS_CLASSW, L"", PBS_MARQUEE, kRecordProgressId);  // busy until the files are counted
    SendMessageW(progress_, PBM_SETMARQUEE, TRUE, 0);
    current_ = control(WC_STATICW, L"", SS_NOPREFIX | SS_LEFT | SS_PATHELLIPSIS, kRecordCurrentId);
    button_ = control(WC_BUTTONW, wide(_("Cancel")), WS_TABSTOP, kRecordButtonId);
    SetFocus(button_);
}

void RecordWindow::layOut(int width, int height) {
    const int margin = scaled(kMargin), line = scaled(16), gap = scaled(8), button = scaled(25);
    place(status_, margin, margin, width - 2 * margin, 3 * line);
    place(progress_, margin, margin + 3 * line + gap, width - 2 * margin, scaled(15));
    place(current_, margin, margin + 3 * line + 2 * gap + scaled(15), width - 2 * margin, line);
    const int across = buttonWidth(button_);
    place(button_, width - margin - across, height - margin - button, across, button);
}

void RecordWindow::closing() {
    task_.cancel();
}

void RecordWindow::takeNews() {
    if (ended_) return;
    const auto progress = task_.progress();
    if (progress.total > 0) {
        if (GetWindowLongPtrW(progress_, GWL_STYLE) & PBS_MARQUEE) {
            SendMessageW(progress_, PBM_SETMARQUEE, FALSE, 0);
            SetWindowLongPtrW(progress_, GWL_STYLE, GetWindowLongPtrW(progress_, GWL_STYLE) & ~static_cast<LONG_PTR>(PBS_MARQUEE));
        }
        SendMessageW(progress_, PBM_SETRANGE32, 0, static_cast<LPARAM>(std::min<std::size_t>(progress.total, INT_MAX)));
        SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(std::min<std::size_t>(progress.done, INT_MAX)), 0);
        SetWindowTextW(status_, wide(firma::format_message(N_("{} of {} files"), progress.done, progress.total)).c_str());
    }
    SetWindowTextW(current_, wide(progress.current).c_str());
    const auto outcome = task_.outcome();
    if (!outcome) return;
    if (outcome->written)
        SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(SendMessageW(progress_, PBM_GETRANGE, FALSE, 0)), 0);
    ended(ListRecordTask::said(*outcome, list_));
}

void RecordWindow::ended(const std::string& said) {
    ended_ = true;
    SetWindowTextW(current_, L"");
    SetWindowTextW(status_, wide(said).c_str());
    SetWindowTextW(button_, wide(_("Close")).c_str());
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, status_, OBJID_CLIENT, CHILDID_SELF);
}

LRESULT RecordWindow::respond(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(w) == kRecordButtonId || LOWORD(w) == IDCANCEL) {
            if (ended_) {
                PostMessageW(window_, WM_CLOSE, 0, 0);
            } else {
                task_.cancel();
                takeNews();
            }
        }
        return 0;
    default:
        return PlainWindow::respond(message, w, l);
    }
}
