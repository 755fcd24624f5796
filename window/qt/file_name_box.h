// The tall box for the file name. A drag is answered as the form says, and a
// drop never inserts anything by itself: it is handed to whoever listens.
#pragma once

#include <QPlainTextEdit>

#include <functional>

#include "window/form1_model.h"

class QMimeData;

class FileNameBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit FileNameBox(QWidget* parent = nullptr);

    // How to answer a drag, given whether it offers copying and linking.
    std::function<DropAnswer(bool copy, bool link)> answerDrag;

signals:
    void dropped(const QMimeData* data);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool answer(QDropEvent* event);
};
