#include <QApplication>

#include "window/application.h"
#include "window/form1.h"
#include "window/startup_guard.h"

int main(int argc, char** argv) {
    StartupGuard guard;
    QApplication application(argc, argv);
    guard.release();
    describeApplication();
    Form1 form;
    form.show();
    return QApplication::exec();
}
