#include <QApplication>

#include "window/qt/application.h"
#include "window/qt/form1.h"
#include "window/qt/startup_guard.h"

int main(int argc, char** argv) {
    StartupGuard guard;
    QApplication application(argc, argv);
    guard.release();
    describeApplication();
    Form1 form;
    form.show();
    return QApplication::exec();
}
