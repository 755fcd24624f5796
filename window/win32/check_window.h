// The window that checks a list, drawn with the Win32 API: the verdict first,
// in large words with an icon, then one row per file in a list view that asks
// for each row as it is drawn (a hundred thousand rows cost no more than the
// ones in sight), sortable by each column, "Solo problemas" to keep the rows
// that are not Igual, and buttons to keep a report, copy rows, add the new
// files and cancel. What it shows is ListCheck's; this class only draws it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "window/list_append_task.h"
#include "window/list_check.h"
#include "window/list_check_task.h"
#include "window/win32/plain_window.h"

class CheckWindow : public PlainWindow {
public:
    // Starts checking `list` (UTF-8) at once.
    explicit CheckWindow(std::string list);
    ~CheckWindow() override;

    // Shows the window; false if the system refuses.
    bool show(int how);

private:
    void createControls() override;
    void layOut(int width, int height) override;
    void fontsChanged() override;
    LRESULT respond(UINT message, WPARAM w, LPARAM l) override;
    void closing() override;

    void takeNews() override;
    void showVerdict();
    // The rows shown, again: after the filter or the order changed, or the
    // check ended (its rename hints change states).
    void showRows();
    // The text of one cell, for the list view as it draws.
    std::wstring cell(std::size_t row, int column) const;
    std::vector<std::size_t> selectedRows() const;
    void sortBy(int column);
    void saveReport();
    void copyRows();
    void showInFolder(int item);
    void addNewFiles();
    void appendEnded();

    std::string list_;
    ListCheck check_;
    std::vector<std::size_t> shown_;  // rows of check_, in the order shown
    std::size_t taken_ = 0;           // rows of check_ already considered for shown_
    int sortColumn_ = -1;             // the list's own order until a heading is clicked
    bool ascending_ = true;
    mutable std::wstring cellText_;   // what the list view was last given to draw
    HWND icon_ = nullptr, verdict_ = nullptr, table_ = nullptr, problems_ = nullptr, done_ = nullptr;
    HWND add_ = nullptr, report_ = nullptr, copy_ = nullptr, cancel_ = nullptr;
    HFONT large_ = nullptr;
    ListAppendTask append_;
    ListCheckTask task_;  // last: joined before the members above go
};
