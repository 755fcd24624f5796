// A small Linux window that starts a real drag when pressed, so the Windows
// window can be tested under Wine with the drag an X11 file manager makes.
// Arguments: the files to drag, or --text and the text to drag instead.
// Prints the action the drop target chose, then exits.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class DragSource : public QWidget {
public:
    explicit DragSource(QMimeData* dragged) : data_(dragged) {
        setWindowTitle(QStringLiteral("drag source"));
        setFixedSize(120, 120);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* drag = new QDrag(this);
        drag->setMimeData(data_);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
        std::printf("%s\n", action == Qt::CopyAction ? "copy" : action == Qt::MoveAction ? "move" : "none");
        std::fflush(stdout);
        QApplication::quit();
    }

private:
    QMimeData* data_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments().mid(1);
    auto* data = new QMimeData;
    if (arguments.value(0) == QLatin1String("--text")) {
        data->setText(arguments.value(1));
    } else {
        QList<QUrl> urls;
        for (const QString& file : arguments) urls << QUrl::fromLocalFile(file);
        data->setUrls(urls);
    }
    DragSource source(data);
    source.move(700, 100);
    source.show();
    return QApplication::exec();
}
