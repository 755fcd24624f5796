#include "window/qt/file_name_box.h"

#include <QDragEnterEvent>
#include <QDropEvent>

namespace {

// Never report a move back to the source: a file manager would then delete the
// original. Copy (or link) when offered; otherwise take the data and report nothing.
Qt::DropAction harmless_action(Qt::DropActions offered) {
    if (offered & Qt::CopyAction) return Qt::CopyAction;
    if (offered & Qt::LinkAction) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

}  // namespace

FileNameBox::FileNameBox(QWidget* parent) : QPlainTextEdit(parent) {
    setAcceptDrops(true);
}

void FileNameBox::dragEnterEvent(QDragEnterEvent* event) {
    if (isReadOnly()) return event->ignore();
    event->setDropAction(harmless_action(event->possibleActions()));
    event->accept();
}

void FileNameBox::dragMoveEvent(QDragMoveEvent* event) {
    if (isReadOnly()) return event->ignore();
    event->setDropAction(harmless_action(event->possibleActions()));
    event->accept();
}

void FileNameBox::dragLeaveEvent(QDragLeaveEvent* event) {
    event->accept();
}

void FileNameBox::dropEvent(QDropEvent* event) {
    if (isReadOnly()) return event->ignore();
    event->setDropAction(harmless_action(event->possibleActions()));
    event->accept();
    emit dropped(event->mimeData());
}
