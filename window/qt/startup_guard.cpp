#include "window/qt/startup_guard.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "language/translation.h"

namespace {

struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};

QtMessageHandler g_previous = nullptr;
std::vector<HeldMessage> g_held;
bool g_no_display = false;

void pass_on(const HeldMessage& message) {
    const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
    g_previous(message.type, context, message.text);
}

void hold_while_starting(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    // What the X11 and Wayland plugins say when no server answers.
    if (text.contains(QLatin1String("could not connect to display")) ||
        text.contains(QLatin1String("Failed to create wl_display")))
        g_no_display = true;
    if (type != QtFatalMsg) {
        g_held.push_back({type, context.category != nullptr ? context.category : "default", text});
        return;
    }
    if (g_no_display) {
        std::fprintf(stderr, "firma-gui: %s\n", _("no display to open the window on"));
        std::_Exit(1);
    }
    for (const HeldMessage& message : g_held) pass_on(message);
    g_previous(type, context, text);
}

}  // namespace

StartupGuard::StartupGuard() {
    g_previous = qInstallMessageHandler(hold_while_starting);
}

void StartupGuard::release() {
    if (!active_) return;
    active_ = false;
    qInstallMessageHandler(g_previous);
    for (const HeldMessage& message : g_held) pass_on(message);
    g_held.clear();
}
