// The window that records a folder's signatures, drawn with Qt Widgets: where
// the list goes is asked first, in a save dialog proposing NAME.firmas inside
// the folder; then files done of total, the current name and "Cancelar"; at
// the end, where the list is and how many files it holds. The work is
// ListRecordTask's; this class only draws it.
#pragma once

#include <QWidget>

#include "window/qt/news_pace.h"

#include <filesystem>
#include <vector>

#include "window/list_record_task.h"

class QLabel;
class QProgressBar;
class QPushButton;

class RecordWindow : public QWidget {
public:
    // Records `items` (a folder, or files and folders) into `list`.
    RecordWindow(std::vector<std::filesystem::path> items, std::filesystem::path list, QWidget* parent = nullptr);

    QLabel* statusLabel() const { return status_; }
    // Whether the recording has ended, written, cancelled or failed.
    bool finished() const { return ended_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void takeNews();

    std::filesystem::path list_;
    QLabel* status_;
    QLabel* current_;
    QProgressBar* progress_;
    QPushButton* button_;
    bool ended_ = false;
    NewsPace* pace_;
    ListRecordTask task_;  // last: joined before the members above go
};
