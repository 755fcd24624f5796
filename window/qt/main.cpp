#include <QApplication>
#include <QString>

#include <filesystem>

#include "window/form1_model.h"
#include "window/qt/application.h"
#include "window/qt/form1.h"
#include "window/qt/startup_guard.h"

int main(int argc, char** argv) {
    const char* file = file_argument(argc, argv);
    StartupGuard guard;
    int qt_argc = 1;  // every argument is a path: Qt is given none to read as its options
    QApplication application(qt_argc, argv);
    guard.release();
    describeApplication();
    Form1 form;
    form.show();
    if (file != nullptr) form.startWith(QString::fromLocal8Bit(file), std::filesystem::path(file));
    return QApplication::exec();
}
