#include "window/qt/application.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QSize>
#include <QString>
#include <QTranslator>

void describeApplication() {
    QApplication::setApplicationName(QStringLiteral("firma-gui"));
    QApplication::setApplicationVersion(QString::fromLatin1(kApplicationVersion));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.firma.Firma"));
    // The installed theme icon, or the same icon built in where none is installed.
    QIcon builtIn;
    for (const int size : {16, 20, 24, 32, 40, 48, 64, 256})
        builtIn.addFile(QStringLiteral(":/icon/%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.firma.Firma"), builtIn));
    static QTranslator qtTexts;  // lives as long as the application
    if (qtTexts.isEmpty() && qtTexts.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
}
