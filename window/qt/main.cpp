#include <QApplication>
#include <QFileDialog>
#include <QString>

#include <clocale>
#include <filesystem>

#include "window/form1_model.h"
#include "window/what_to_open.h"
#include "window/qt/application.h"
#include "window/qt/check_window.h"
#include "window/qt/record_window.h"
#include "window/qt/form1.h"
#include "language/translation.h"
#include "window/qt/startup_guard.h"

int main(int argc, char** argv) {
    const WhatToOpen opening = what_to_open(argc, argv);
    // The window is Spanish everywhere; what firma-gui says before it opens
    // is in the user's language, as the command line's messages are.
    std::setlocale(LC_ALL, "");
    firma::choose_message_language();
    StartupGuard guard;
    int qt_argc = 1;  // every argument is a path: Qt is given none to read as its options
    QApplication application(qt_argc, argv);
    guard.release();
    describeApplication();
    switch (opening.kind) {
    case WhatToOpen::check: {  // a list opened with firma-gui (a double-click on it)
        CheckWindow check(opening.items.front().string());
        check.show();
        return QApplication::exec();
    }
    case WhatToOpen::record: {  // into a list the user places
        const QString chosen = QFileDialog::getSaveFileName(nullptr, _("Save signatures"),
                                                            QString::fromStdString(proposed_list(opening.items).string()),
                                                            _("Signature lists (*.firmas)"));
        if (chosen.isEmpty()) return 0;
        RecordWindow record(opening.items, chosen.toStdString());
        record.show();
        return QApplication::exec();
    }
    case WhatToOpen::form1: break;
    }
    Form1 form;
    form.show();
    if (!opening.items.empty())
        form.startWith(QString::fromLocal8Bit(opening.items.front().c_str()), opening.items.front());
    return QApplication::exec();
}
