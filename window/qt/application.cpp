#include "window/qt/application.h"

#include <QApplication>
#include <QIcon>

void describeApplication() {
    QApplication::setApplicationName(QStringLiteral("firma-gui"));
    QApplication::setApplicationVersion(QString::fromLatin1(kApplicationVersion));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.firma.Firma"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.firma.Firma")));
}
