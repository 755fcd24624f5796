#include "window/win32/check_window.h"

#include <commdlg.h>
#include <shlobj.h>
#include <shellapi.h>

#include <algorithm>
#include <filesystem>
#include <numeric>

#include "language/messages.h"
#include "language/translation.h"
#include "lists/list_file_writer.h"
#include "sign/signature.h"
#include "sign/system_errors.h"
#include "sign/utf8.h"
#include "window/win32/accessible_names.h"
#include "window/win32/control_ids.h"
#include "window/win32/wide_text.h"

namespace {

constexpr UINT kAppended = WM_APP + 1;  // adding the new files has ended
constexpr int kMargin = 11;             // pixels at 96 dpi, as Windows' own dialogs keep

std::wstring signature(const std::optional<std::uint32_t>& value) {
    return value ? wide(firma::format_signature(*value)) : std::wstring();
}

// In the user's own short date and time format.
std::wstring localTime(std::int64_t seconds) {
    const std::int64_t ticks = (seconds + 11644473600LL) * 10000000LL;  // since 1601, in 100 ns
    const FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal{}, local{};
    if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) return {};
    wchar_t date[80] = L"", time[80] = L"";
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, 80, nullptr);
    GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, time, 80);
    return std::wstring(date) + L" " + time;
}

std::string now(const char* format) {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    char text[32];
    std::snprintf(text, sizeof text, format, local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute);
    return text;
}

}  // namespace

CheckWindow::CheckWindow(std::string list)
    : list_(std::move(list)),
      append_([this] { PostMessageW(window_, kAppended, 0, 0); }),
      task_(newsCallback()) {}

CheckWindow::~CheckWindow() {
    task_.cancel();
    append_.cancel();
    if (large_ != nullptr) DeleteObject(large_);
}

bool CheckWindow::show(int how) {
    const std::string name = firma::utf8_of_path(firma::path_of_utf8(list_).value_or("").filename());
    if (!create(kCheckWindowClassName, wide(std::string(_("Check signatures")) + " - " + name), 760, 520, how))
        return false;
    if (!task_.start(list_)) {  // no thread to check on
        check_.failed(firma::reason_of(std::make_error_code(std::errc::resource_unavailable_try_again)));
        showVerdict();
    }
    return true;
}

void CheckWindow::createControls() {
    icon_ = control(WC_STATICW, L"", SS_ICON | SS_CENTERIMAGE, kCheckIconId);
    verdict_ = control(WC_STATICW, L"", SS_NOPREFIX | SS_LEFT, kCheckVerdictId);
    table_ = control(WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, kCheckTableId,
                     WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(table_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP | LVS_EX_LABELTIP);
    const char* headings[] = {N_("Name"), N_("State"), N_("Recorded signature"), N_("Current signature"), N_("Modified")};
    for (int column = 0; column < 5; ++column) {
        std::wstring heading = wide(_(headings[column]));
        LVCOLUMNW format{};
        format.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        format.pszText = heading.data();
        format.cx = scaled(column == 0 ? 200 : column == 1 ? 190 : column == 4 ? 110 : 105);
        format.iSubItem = column;
        ListView_InsertColumn(table_, column, &format);
    }
    const std::u16string files = firma::utf16_of_wtf8(_("Files")).value_or(u"");
    nameForScreenReaders(table_, files, files);
    problems_ = control(WC_BUTTONW, wide(_("Problems only")), WS_TABSTOP | BS_AUTOCHECKBOX, kCheckProblemsId);
    done_ = control(WC_STATICW, L"", SS_NOPREFIX | SS_LEFT | SS_ENDELLIPSIS, kCheckDoneId);
    add_ = control(WC_BUTTONW, wide(_("Add the new ones to the list…")), WS_TABSTOP | WS_DISABLED, kCheckAddId);
    report_ = control(WC_BUTTONW, wide(_("Save report…")), WS_TABSTOP | WS_DISABLED, kCheckReportId);
    copy_ = control(WC_BUTTONW, wide(_("Copy")), WS_TABSTOP, kCheckCopyId);
    cancel_ = control(WC_BUTTONW, wide(_("Cancel")), WS_TABSTOP, kCheckCancelId);
    fontsChanged();
    showVerdict();
    SetFocus(table_);
}

// The verdict in large bold words: what a person reads before any row.
void CheckWindow::fontsChanged() {
    LOGFONTW large{};
    if (font() == nullptr || GetObjectW(font(), sizeof large, &large) == 0) return;
    large.lfHeight = large.lfHeight * 3 / 2;
    large.lfWeight = FW_BOLD;
    const HFONT made = CreateFontIndirectW(&large);
    if (made == nullptr) return;
    SendMessageW(verdict_, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
    if (large_ != nullptr) DeleteObject(large_);
    large_ = made;
}

void CheckWindow::layOut(int width, int height) {
    const int margin = scaled(kMargin), gap = scaled(6), icon = scaled(48), button = scaled(25);
    place(icon_, margin, margin, icon, icon);
    place(verdict_, margin + icon + gap, margin, width - 2 * margin - icon - gap, icon);
    const int bottom = height - margin - button;
    place(table_, margin, margin + icon + gap, width - 2 * margin, bottom - gap - (margin + icon + gap));
    // The names take the width the other columns leave.
    RECT inside{};
    GetClientRect(table_, &inside);
    int others = 0;
    for (int column = 1; column < 5; ++column) others += ListView_GetColumnWidth(table_, column);
    ListView_SetColumnWidth(table_, 0, std::max(scaled(120), static_cast<int>(inside.right) - GetSystemMetrics(SM_CXVSCROLL) - others));
    int right = width - margin;
    for (HWND pushed : {cancel_, copy_, report_, add_}) {
        const int across = buttonWidth(pushed);
        right -= across;
        place(pushed, right, bottom, across, button);
        right -= gap;
    }
    const int box = buttonWidth(problems_) + scaled(10);
    place(problems_, margin, bottom, box, button);
    place(done_, margin + box + gap, bottom + scaled(4), right - (margin + box + gap), button - scaled(4));
}

void CheckWindow::closing() {
    task_.cancel();
}

void CheckWindow::takeNews() {
    const bool ended = task_.take_into(check_);
    const auto& rows = check_.rows();
    if (ended) {
        showRows();
        EnableWindow(cancel_, FALSE);
        EnableWindow(report_, TRUE);
        EnableWindow(add_, !check_.added_names().empty());
        SetWindowTextW(done_, L"");
    } else {
        // Rows found meanwhile go below, in the list's order; a sorted view is
        // sorted again once the check ends.
        const bool only = SendMessageW(problems_, BM_GETCHECK, 0, 0) == BST_CHECKED;
        for (; taken_ < rows.size(); ++taken_)
            if (!only || rows[taken_].state != FileState::same) shown_.push_back(taken_);
        ListView_SetItemCountEx(table_, static_cast<int>(shown_.size()), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        SetWindowTextW(done_, std::to_wstring(task_.files_done()).c_str());
    }
    showVerdict();
}

void CheckWindow::showRows() {
    const auto& rows = check_.rows();
    taken_ = rows.size();
    if (SendMessageW(problems_, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        shown_ = check_.problem_rows();
    } else {
        shown_.resize(rows.size());
        std::iota(shown_.begin(), shown_.end(), std::size_t{0});
    }
    if (sortColumn_ >= 0) check_.sort_rows(shown_, static_cast<CheckColumn>(sortColumn_), ascending_);
    ListView_SetItemCountEx(table_, static_cast<int>(shown_.size()), LVSICF_NOSCROLL);
    InvalidateRect(table_, nullptr, FALSE);
}

void CheckWindow::showVerdict() {
    const std::wstring said = wide(check_.verdict());
    std::wstring before(static_cast<std::size_t>(GetWindowTextLengthW(verdict_)) + 1, L'\0');
    before.resize(static_cast<std::size_t>(GetWindowTextW(verdict_, before.data(), static_cast<int>(before.size()))));
    if (said != before) {
        SetWindowTextW(verdict_, said.c_str());
        // Screen readers announce the verdict as it changes, not only when read.
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, verdict_, OBJID_CLIENT, CHILDID_SELF);
    }
    const bool fine = check_.finished() && check_.counts().problems() == 0 && check_.counts().same > 0;
    const LPCWSTR icon = !check_.finished() ? IDI_INFORMATION : fine ? IDI_INFORMATION : IDI_WARNING;
    SendMessageW(icon_, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, icon)), 0);
}

std::wstring CheckWindow::cell(std::size_t index, int column) const {
    const CheckRow& row = check_.rows()[index];
    switch (column) {
        case 0: return wide(row.name);
        case 1: return wide(check_.state_text(row));
        case 2: return signature(row.recorded);
        case 3: return signature(row.current);
        default: return row.modified ? localTime(*row.modified) : std::wstring();
    }
}

std::vector<std::size_t> CheckWindow::selectedRows() const {
    std::vector<std::size_t> rows;
    for (int item = ListView_GetNextItem(table_, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(table_, item, LVNI_SELECTED))
        if (static_cast<std::size_t>(item) < shown_.size()) rows.push_back(shown_[static_cast<std::size_t>(item)]);
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CheckWindow::sortBy(int column) {
    ascending_ = column == sortColumn_ ? !ascending_ : true;
    sortColumn_ = column;
    const HWND header = ListView_GetHeader(table_);
    for (int each = 0; each < 5; ++each) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, each, &item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (each == column) item.fmt |= ascending_ ? HDF_SORTUP : HDF_SORTDOWN;
        Header_SetItem(header, each, &item);
    }
    showRows();
}

void CheckWindow::saveReport() {
    const std::filesystem::path list = firma::path_of_utf8(list_).value_or("");
    const std::filesystem::path file =
        (list.parent_path() / list.stem()).wstring() + L" " + wide(now("%04d-%02d-%02d %02d.%02d")) + L".txt";
    const auto chosen = askWhereToSave(window_, file, wide(_("Save report…")), wide(_("Text (*.txt)")), L"txt");
    if (!chosen) return;
    try {
        firma::ListFileWriter writer(*chosen);
        writer.write(check_.report(list_, now("%04d-%02d-%02d %02d:%02d")));
        writer.commit();
    } catch (const std::system_error& error) {
        SetWindowTextW(done_, wide(firma::format_message(N_("The report could not be saved: {}"),
                                                          firma::reason_of(error.code())))
                                  .c_str());
    }
}

void CheckWindow::copyRows() {
    const auto rows = selectedRows();
    if (rows.empty() || !OpenClipboard(window_)) return;
    const std::wstring text = wide(check_.copy(rows));
    EmptyClipboard();
    if (const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t))) {
        std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
        GlobalUnlock(memory);
        if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
    }
    CloseClipboard();
}

// Explorer opens the file's folder with the file selected; a missing file's
// folder is opened all the same.
void CheckWindow::showInFolder(int item) {
    if (item < 0 || static_cast<std::size_t>(item) >= shown_.size()) return;
    const std::filesystem::path list = firma::path_of_utf8(list_).value_or("");
    const auto name = firma::path_of_utf8(check_.rows()[shown_[static_cast<std::size_t>(item)]].name);
    if (!name) return;
    std::error_code ignored;
    const std::filesystem::path file = std::filesystem::absolute(list.parent_path() / *name, ignored).lexically_normal();
    if (PIDLIST_ABSOLUTE selected = nullptr;
        std::filesystem::exists(file, ignored) && SUCCEEDED(SHParseDisplayName(file.c_str(), nullptr, &selected, 0, nullptr))) {
        const HRESULT shown = SHOpenFolderAndSelectItems(selected, 0, nullptr, 0);
        CoTaskMemFree(selected);
        if (SUCCEEDED(shown)) return;
    }
    ShellExecuteW(window_, L"open", file.parent_path().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The list is changed only when asked, and only at its end: the lines it
// holds stay as they are, a changed file's recorded signature too.
void CheckWindow::addNewFiles() {
    const auto names = check_.added_names();
    const auto question = firma::counted_message(
        names.size(), "Add the new file to the list? The files already in it keep their recorded signatures, changed or not.",
        "Add the {} new files to the list? The files already in it keep their recorded signatures, changed or not.");
    if (MessageBoxW(window_, wide(question).c_str(), wide(_("Add the new ones to the list…")).c_str(),
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    EnableWindow(add_, FALSE);
    if (!append_.start(list_, names)) EnableWindow(add_, TRUE);
}

void CheckWindow::appendEnded() {
    const auto outcome = append_.outcome();
    if (!outcome) return;
    const std::string said =
        outcome->written ? firma::counted_message(outcome->added, "{} file was added to the list.", "{} files were added to the list.")
                         : firma::format_message(N_("Nothing was added to the list: {}"), outcome->failure);
    SetWindowTextW(done_, wide(said).c_str());
}

LRESULT CheckWindow::respond(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case kAppended:
        appendEnded();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(w)) {
        case kCheckProblemsId: showRows(); break;
        case kCheckReportId: saveReport(); break;
        case kCheckCopyId: copyRows(); break;
        case kCheckAddId: addNewFiles(); break;
        case kCheckCancelId:
        case IDCANCEL:  // Escape
            if (IsWindowEnabled(cancel_)) {
                task_.cancel();
                takeNews();
            }
            break;
        case IDOK:  // Enter, which the dialog manager takes from the list view
            if (GetFocus() == table_) showInFolder(ListView_GetNextItem(table_, -1, LVNI_FOCUSED));
            break;
        default: break;
        }
        return 0;
    case WM_NOTIFY: {
        const auto* said = reinterpret_cast<const NMHDR*>(l);
        if (said->hwndFrom != table_) break;
        if (said->code == LVN_GETDISPINFOW) {
            auto* asked = reinterpret_cast<NMLVDISPINFOW*>(l);
            const auto item = static_cast<std::size_t>(asked->item.iItem);
            if ((asked->item.mask & LVIF_TEXT) && item < shown_.size()) {
                cellText_ = cell(shown_[item], asked->item.iSubItem);
                asked->item.pszText = cellText_.data();
            }
        } else if (said->code == LVN_COLUMNCLICK) {
            sortBy(reinterpret_cast<const NMLISTVIEW*>(l)->iSubItem);
        } else if (said->code == LVN_ITEMACTIVATE) {
            showInFolder(reinterpret_cast<const NMITEMACTIVATE*>(l)->iItem);
        } else if (said->code == LVN_KEYDOWN) {
            const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(l);
            if (key->wVKey == 'C' && (GetKeyState(VK_CONTROL) & 0x8000)) copyRows();
            if (key->wVKey == 'A' && (GetKeyState(VK_CONTROL) & 0x8000)) ListView_SetItemState(table_, -1, LVIS_SELECTED, LVIS_SELECTED);
        }
        return 0;
    }
    default:
        break;
    }
    return PlainWindow::respond(message, w, l);
}
