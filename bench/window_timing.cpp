// How long the list windows take over a folder or a list, from the window's
// first showing to the end, on whatever platform Qt is given (offscreen for
// timing), and what they say at the end: beside `firma -r`/`firma -c` on the
// same files, the window's own cost.
// Usage: firma-window-timing check LIST | record FOLDER LIST
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <functional>

#include "window/qt/check_window.h"
#include "window/qt/record_window.h"

namespace {

// Runs the event loop until `ended` says so, and prints the time with `said`.
void time_until(QApplication& application, const char* what, const std::function<bool()>& ended,
                const std::function<QString()>& said) {
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (ended()) application.quit();
    });
    poll.start(2);
    QApplication::exec();
    std::printf("%s: %.3f s: %s\n", what, static_cast<double>(clock.elapsed()) / 1000, said().toStdString().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::strcmp(argv[1], "check") == 0;
    const bool record = argc == 4 && std::strcmp(argv[1], "record") == 0;
    if (!check && !record) {
        std::fprintf(stderr, "usage: firma-window-timing check LIST | record FOLDER LIST\n");
        return 2;
    }
    QApplication application(argc, argv);
    if (check) {
        CheckWindow window(argv[2]);
        window.show();
        time_until(application, "check", [&] { return window.finished(); }, [&] { return window.verdictLabel()->text(); });
    } else {
        RecordWindow window({argv[2]}, argv[3]);
        window.show();
        time_until(application, "record", [&] { return window.finished(); }, [&] { return window.statusLabel()->text(); });
    }
    return 0;
}
