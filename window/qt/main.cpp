#include <QApplication>
#include <QFileDialog>
#include <QString>

#include <clocale>
#include <filesystem>

#include "window/form1_model.h"
#include "window/qt/application.h"
#include "window/qt/check_window.h"
#include "window/qt/record_window.h"
#include "window/qt/form1.h"
#include "language/translation.h"
#include "window/qt/startup_guard.h"

int main(int argc, char** argv) {
    const char* file = file_argument(argc, argv);
    // The window is Spanish everywhere; what firma-gui says before it opens
    // is in the user's language, as the command line's messages are.
    std::setlocale(LC_ALL, "");
    firma::choose_message_language();
    StartupGuard guard;
    int qt_argc = 1;  // every argument is a path: Qt is given none to read as its options
    QApplication application(qt_argc, argv);
    guard.release();
    describeApplication();
    // A list opened with firma-gui (a double-click on it) is checked.
    if (file != nullptr && std::filesystem::path(file).extension() == ".firmas") {
        CheckWindow check(file);
        check.show();
        return QApplication::exec();
    }
    // A folder opened with it is recorded, into a list the user places.
    std::error_code not_a_folder;
    if (file != nullptr && std::filesystem::is_directory(file, not_a_folder)) {
        const std::filesystem::path proposed = proposed_list({file});
        const QString chosen = QFileDialog::getSaveFileName(nullptr, _("Save signatures"), QString::fromStdString(proposed.string()),
                                                            _("Signature lists (*.firmas)"));
        if (chosen.isEmpty()) return 0;
        RecordWindow record({file}, chosen.toStdString());
        record.show();
        return QApplication::exec();
    }
    Form1 form;
    form.show();
    if (file != nullptr) form.startWith(QString::fromLocal8Bit(file), std::filesystem::path(file));
    return QApplication::exec();
}
