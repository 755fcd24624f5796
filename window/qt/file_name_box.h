// The tall box for the file name. It accepts every drag unless it is read-only,
// and a drop never inserts anything by itself: the drop is handed to whoever
// listens.
#pragma once

#include <QPlainTextEdit>

class QMimeData;

class FileNameBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit FileNameBox(QWidget* parent = nullptr);

signals:
    void dropped(const QMimeData* data);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
