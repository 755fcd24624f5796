// The window that records a list, drawn with the Win32 API: files done of
// total, the current name and "Cancelar"; at the end, where the list is and
// how many files it holds. Where the list goes is asked first (chooseList).
// The work is ListRecordTask's; this class only draws it.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "window/list_record_task.h"
#include "window/win32/plain_window.h"

class RecordWindow : public PlainWindow {
public:
    RecordWindow(std::vector<std::filesystem::path> items, std::filesystem::path list);
    ~RecordWindow() override;

    // Where the list of `items` goes, asked in a save dialog that proposes
    // proposed_list(items); nothing when the user cancels.
    static std::optional<std::filesystem::path> chooseList(const std::vector<std::filesystem::path>& items);

    // Shows the window and starts recording; false if the system refuses the window.
    bool show(int how);

private:
    void createControls() override;
    void layOut(int width, int height) override;
    LRESULT respond(UINT message, WPARAM w, LPARAM l) override;
    void closing() override;
    void takeNews() override;
    void ended(const std::string& said);

    std::vector<std::filesystem::path> items_;
    std::filesystem::path list_;
    HWND status_ = nullptr, progress_ = nullptr, current_ = nullptr, button_ = nullptr;
    bool ended_ = false;
    ListRecordTask task_;  // last: joined before the members above go
};
