#include <QApplication>

#include "window/application.h"
#include "window/form1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    describeApplication();
    Form1 form;
    form.show();
    return QApplication::exec();
}
