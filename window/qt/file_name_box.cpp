#include "window/qt/file_name_box.h"

#include <QDragEnterEvent>
#include <QDropEvent>

FileNameBox::FileNameBox(QWidget* parent) : QPlainTextEdit(parent) {
    setAcceptDrops(true);
}

// Sets the action the form chose; false when the drag is refused.
bool FileNameBox::answer(QDropEvent* event) {
    const Qt::DropActions offered = event->possibleActions();
    const DropAnswer chosen = answerDrag ? answerDrag(offered & Qt::CopyAction, offered & Qt::LinkAction)
                                         : DropAnswer::refuse;
    if (chosen == DropAnswer::refuse) {
        event->ignore();
        return false;
    }
    event->setDropAction(chosen == DropAnswer::copy   ? Qt::CopyAction
                         : chosen == DropAnswer::link ? Qt::LinkAction
                                                      : Qt::IgnoreAction);
    event->accept();
    return true;
}

void FileNameBox::dragEnterEvent(QDragEnterEvent* event) {
    answer(event);
}

void FileNameBox::dragMoveEvent(QDragMoveEvent* event) {
    answer(event);
}

void FileNameBox::dragLeaveEvent(QDragLeaveEvent* event) {
    event->accept();
}

void FileNameBox::dropEvent(QDropEvent* event) {
    if (answer(event)) emit dropped(event->mimeData());
}
