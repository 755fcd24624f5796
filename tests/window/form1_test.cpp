// The window as a user meets it, on the offscreen platform: layout, drops, clicks,
// and a window that stays responsive and closable while it works.
#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "temp_dir.h"
#include "window/qt/application.h"
#include "window/qt/file_name_box.h"
#include "window/qt/form1.h"

using firma::testing::TempDir;

namespace {

// Files that keep the worker busy for a while, smaller where sanitizers slow
// every byte down.
constexpr std::uint64_t kBusyBytes =
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    48ull << 20;
#else
    320ull << 20;
#endif

// A file the serial chain takes minutes over on any processor, longer than the
// test may run: the work is still going on whenever the test looks.
constexpr std::uint64_t kNeverDoneBytes = 1ull << 40;

// Waits for events only: fails when one never comes, however slow the machine.
constexpr int kNoHang = 60000;

// A sparse file: 'a', then `zeros` zero bytes that must all be folded.
std::string slowFile(const TempDir& dir, std::uint64_t zeros) {
    const std::string path = dir / "slow";
    std::ofstream out(path, std::ios::binary);
    out << 'a';
    out.seekp(static_cast<std::streamoff>(zeros));
    out << 'z';
    return path;
}

QMimeData* urlDrop(const QList<QUrl>& urls) {
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

// Delivers a drop as the platform would: enter, move, drop.
void dropOn(QWidget* target, QMimeData* data) {
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QVERIFY(move.isAccepted());
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);  // never a move: the source would delete
    delete data;
}

}  // namespace

class Form1Test : public QObject {
    Q_OBJECT

private:
    TempDir dir;

    void clickAndWait(Form1& form) {
        QSignalSpy done(form.CommandSign, &QPushButton::clicked);
        QTest::mouseClick(form.CommandSign, Qt::LeftButton);
        QCOMPARE(done.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(form.CommandSign->isEnabled(), kNoHang);
    }

    // Whether this process has `path` open (the worker holds it while signing).
    static bool openHere(const std::string& path) {
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code gone;
            if (std::filesystem::read_symlink(fd.path(), gone) == path) return true;
        }
        return false;
    }

    void setPath(Form1& form, const QString& path) { form.TextFileName->setPlainText(path); }

private slots:
    void layoutAtNinetySixDotsPerInch() {
        Form1 form;
        QCOMPARE(form.windowTitle(), QString("App para obtener firma de archivo"));
        QCOMPARE(form.size(), QSize(518, 491));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.TextFileName->objectName(), QString("TextFileName"));
        QCOMPARE(form.CommandSign->objectName(), QString("CommandSign"));
        QCOMPARE(form.TextSign->objectName(), QString("TextSign"));
        QCOMPARE(form.TextFileName->geometry(), QRect(96, 32, 305, 289));
        QCOMPARE(form.CommandSign->geometry(), QRect(160, 352, 161, 57));
        QCOMPARE(form.TextSign->geometry(), QRect(96, 438, 305, 19));
        QCOMPARE(form.CommandSign->text(), QString("Obtener firma"));
        QVERIFY(form.TextFileName->toPlainText().isEmpty());
        QVERIFY(form.TextSign->text().isEmpty());
        QVERIFY(!form.findChild<QProgressBar*>("Progress")->isVisibleTo(&form));
    }

    void reportsVersionOneHundredths() {
        describeApplication();
        QCOMPARE(QCoreApplication::applicationVersion(), QString(FIRMA_VERSION));
        QCOMPARE(QGuiApplication::desktopFileName(), QString("io.github.firma.Firma"));
        // Built in, so the window has its icon even where none is installed.
        QVERIFY(!QApplication::windowIcon().pixmap(16, 16).isNull());
        QVERIFY(!QApplication::windowIcon().pixmap(256, 256).isNull());
    }

    // The boxes' own menus speak Spanish, as the window does, whatever the locale.
    void editMenusAreSpanish() {
        describeApplication();
        QLineEdit box;
        box.setText(QStringLiteral("x"));
        std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
        QStringList texts;
        for (const QAction* action : menu->actions())
            if (!action->isSeparator()) texts << action->text().remove('&').section('\t', 0, 0);
        QCOMPARE(texts, QStringList({"Deshacer", "Rehacer", "Cortar", "Copiar", "Pegar", "Borrar",
                                     "Seleccionar todo"}));
    }

    void fixedDialogFrame() {
        Form1 form;
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!form.CommandSign->isDefault());
        QVERIFY(!form.CommandSign->autoDefault());
    }

    void focusStartsInTextSignAndTabGoesToFileNameThenButton() {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), form.TextSign);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.TextFileName);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.CommandSign);
    }

    void enterInTheBoxesNeverPressesTheButton() {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QSignalSpy clicks(form.CommandSign, &QPushButton::clicked);
        QTest::keyClick(form.TextSign, Qt::Key_Return);
        QTest::keyClick(form.TextFileName, Qt::Key_Return);
        QCOMPARE(clicks.count(), 0);
    }

    void dropShowsTheFirstLocalFilesPath_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("shown");
        const auto file = [](const QString& path) { return QUrl::fromLocalFile(path); };
        QTest::newRow("one file") << QList<QUrl>{file("/tmp/a.txt")} << "/tmp/a.txt";
        QTest::newRow("three files: the first wins")
            << QList<QUrl>{file("/tmp/1"), file("/tmp/2"), file("/tmp/3")} << "/tmp/1";
        QTest::newRow("spaces") << QList<QUrl>{file("/tmp/my file  .txt")} << "/tmp/my file  .txt";
        QTest::newRow("non-ASCII") << QList<QUrl>{file("/tmp/año/firma ñ €.bin")}
                                   << "/tmp/año/firma ñ €.bin";
        QTest::newRow("newline") << QList<QUrl>{file("/tmp/two\nlines")} << "/tmp/two\nlines";
        QTest::newRow("web link") << QList<QUrl>{QUrl("https://example.com/file.txt")} << "";
        QTest::newRow("web link, then a file")
            << QList<QUrl>{QUrl("https://example.com/x"), file("/tmp/b")} << "/tmp/b";
    }

    void dropShowsTheFirstLocalFilesPath() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, shown);
        Form1 form;
        form.TextFileName->setPlainText("earlier text");
        dropOn(form.TextFileName->viewport(), urlDrop(urls));
        QCOMPARE(form.TextFileName->toPlainText(), shown);
    }

    void dropOfTextEmptiesTheBox() {
        Form1 form;
        form.TextFileName->setPlainText("/tmp/earlier");
        auto* data = new QMimeData;
        data->setText("/etc/passwd");
        dropOn(form.TextFileName->viewport(), data);
        QCOMPARE(form.TextFileName->toPlainText(), QString());
    }

    void clickShowsTheSignature() {
        Form1 form;
        setPath(form, QString::fromStdString(dir.write("abc", "abc")));
        clickAndWait(form);
        QCOMPARE(form.TextSign->text(), QString("0000555"));
        setPath(form, QString::fromStdString(dir.write("empty", "")));
        clickAndWait(form);
        QCOMPARE(form.TextSign->text(), QString("0000000"));
    }

    // firma-gui FILE: the name shown, and signed at once, the button disabled
    // meanwhile as after a press.
    void startedWithAFileSignsItAtOnce() {
        Form1 form;
        const std::string abc = dir.write("--help", "abc");
        form.startWith(QString::fromStdString(abc), abc);
        QCOMPARE(form.TextFileName->toPlainText(), QString::fromStdString(abc));
        QVERIFY(!form.CommandSign->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(form.TextSign->text(), QString("0000555"), kNoHang);
        QVERIFY(form.CommandSign->isEnabled());
        QVERIFY(form.findChild<QProgressBar*>("Progress")->isHidden());
    }

    void droppedOddNamesAreSignedByTheirExactBytes() {
        const std::string odd = dir.write("odd \xff\xfe name\r", "abc");  // not valid UTF-8
        Form1 form;
        const QByteArray encoded = "file://" + QByteArray::fromStdString(odd).toPercentEncoding("/");
        dropOn(form.TextFileName->viewport(), urlDrop(QList<QUrl>{QUrl::fromEncoded(encoded)}));
        clickAndWait(form);
        QCOMPARE(form.TextSign->text(), QString("0000555"));
    }

    void droppedLongAndOddNamesAreSigned_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("dash first") << "-n";
        QTest::newRow("star first") << "*x";
        QTest::newRow("spaces first") << "  x";
        QTest::newRow("four thousand bytes") << QString(3900, 'l');
    }

    void droppedLongAndOddNamesAreSigned() {
        QFETCH(QString, name);
        std::filesystem::path folder = dir.path();
        std::string file = name.toStdString();
        while (file.size() > 200) {  // a name may hold 255 bytes, a path 4095
            folder /= file.substr(0, 200);
            file = file.substr(200);
        }
        std::filesystem::create_directories(folder);
        const std::string path = (folder / file).string();
        std::ofstream(path) << "abc";
        Form1 form;
        dropOn(form.TextFileName->viewport(), urlDrop(QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(path))}));
        QCOMPARE(form.TextFileName->toPlainText(), QString::fromStdString(path));
        clickAndWait(form);
        QCOMPARE(form.TextSign->text(), QString("0000555"));
    }

    void failuresShowNoSignature_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty box") << "";
        QTest::newRow("missing file") << QString::fromStdString(dir / "missing");
        QTest::newRow("missing folder") << QString::fromStdString(dir / "no/such/file");
        QTest::newRow("a folder") << QString::fromStdString(dir.path().string());
        QTest::newRow("a device") << "/dev/zero";
    }

    // The earlier file's signature went when the name changed; the failed click
    // shows nothing in its place.
    void failuresShowNoSignature() {
        QFETCH(QString, path);
        Form1 form;
        setPath(form, QString::fromStdString(dir.write("abc", "abc")));
        clickAndWait(form);
        setPath(form, path);
        QVERIFY(form.TextSign->text().isEmpty());
        QSignalSpy edits(form.TextSign, &QLineEdit::textChanged);
        clickAndWait(form);
        QVERIFY(form.TextSign->text().isEmpty());
        QCOMPARE(edits.count(), 0);
        QVERIFY(!std::filesystem::exists(dir / "missing"));
    }

    // Whatever changes the name, the result box never shows another name's
    // signature, nor an old one of a file that can no longer be signed.
    void theSignatureAlwaysBelongsToTheNameShown_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("shown");
        QTest::newRow("another file dropped") << "drop other" << "";
        QTest::newRow("the same file dropped again") << "drop same" << "0000555";
        QTest::newRow("a missing path typed") << "type missing" << "";
        QTest::newRow("the name edited, then signed") << "type other, click" << "00000FF";
        QTest::newRow("a failed click, name unchanged") << "remove, click" << "";
        QTest::newRow("replaced by a folder, name unchanged") << "folder, click" << "";
    }

    void theSignatureAlwaysBelongsToTheNameShown() {
        QFETCH(QString, change);
        QFETCH(QString, shown);
        const QString first = QString::fromStdString(dir.write("first", "abc"));
        const QString other = QString::fromStdString(dir.write("other", "\xff"));
        Form1 form;
        form.show();
        dropOn(form.TextFileName->viewport(), urlDrop({QUrl::fromLocalFile(first)}));
        clickAndWait(form);
        QCOMPARE(form.TextSign->text(), QString("0000555"));
        if (change.startsWith("drop"))
            dropOn(form.TextFileName->viewport(), urlDrop({QUrl::fromLocalFile(change == "drop same" ? first : other)}));
        if (change.startsWith("type")) {
            form.TextFileName->selectAll();
            QTest::keyClicks(form.TextFileName, change == "type missing" ? first + "-missing" : other);
        }
        if (change.startsWith("remove")) std::filesystem::remove(first.toStdString());
        if (change.startsWith("folder")) {
            std::filesystem::remove(first.toStdString());
            std::filesystem::create_directory(first.toStdString());
        }
        if (change.endsWith("click")) clickAndWait(form);
        QCOMPARE(form.TextSign->text(), shown);
    }

    // While a file is read its name stays: typing and drops are refused, and the
    // signature then shown is that name's.
    void theNameIsLockedWhileSigning() {
        Form1 form;
        form.show();
        const QString slow = QString::fromStdString(slowFile(dir, kBusyBytes));
        setPath(form, slow);
        QTest::mouseClick(form.CommandSign, Qt::LeftButton);
        QVERIFY(form.TextFileName->isReadOnly());
        QTest::keyClicks(form.TextFileName, "x");
        auto* data = urlDrop({QUrl::fromLocalFile("/tmp/elsewhere")});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.TextFileName->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
        form.TextFileName_OLEDragDrop(data);
        delete data;
        QCOMPARE(form.TextFileName->toPlainText(), slow);
        QTRY_VERIFY_WITH_TIMEOUT(form.CommandSign->isEnabled(), kNoHang);
        QVERIFY(!form.TextFileName->isReadOnly());
        QCOMPARE(form.TextSign->text().size(), 7);
    }

    // As on Windows: Enter or Space on the focused button presses it.
    void enterOrSpaceOnTheFocusedButtonPressesIt_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier);
    }

    void enterOrSpaceOnTheFocusedButtonPressesIt() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        setPath(form, QString::fromStdString(dir.write("abc", "abc")));
        form.CommandSign->setFocus();
        QSignalSpy clicks(form.CommandSign, &QPushButton::clicked);
        QTest::keyClick(form.CommandSign, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(clicks.count(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(form.TextSign->text(), QString("0000555"), kNoHang);
    }

    // What a screen reader announces for the window and each control.
    void accessibleNamesInSpanish() {
        Form1 form;
        const std::pair<QWidget*, QString> named[] = {
            {&form, "App para obtener firma de archivo"},
            {form.TextFileName, "Nombre del archivo"},
            {form.CommandSign, "Obtener firma"},
            {form.TextSign, "Firma"},
        };
        for (const auto& [widget, name] : named) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(accessible != nullptr);
            QCOMPARE(accessible->text(QAccessible::Name), name);
            QVERIFY(!accessible->text(QAccessible::Description).isEmpty());
        }
    }

    // Refused without being opened: a FIFO with no writer would block its
    // reader for ever, and nobody here ever writes to it.
    void fifoFailsWithoutHanging() {
        const std::string fifo = dir / "fifo";
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        Form1 form;
        setPath(form, QString::fromStdString(fifo));
        clickAndWait(form);
        QVERIFY(form.TextSign->text().isEmpty());
        QCOMPARE(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK), -1);  // no reader holds it
        QCOMPARE(errno, ENXIO);
    }

    // Cut short once reading has begun (a percent of it read, so its size and
    // time were taken), with gigabytes still to read: no signature.
    void fileChangedWhileSignedShowsNoSignature() {
        Form1 form;
        setPath(form, QString::fromStdString(dir.write("abc", "abc")));
        clickAndWait(form);
        const std::string moving = slowFile(dir, 8ull << 30);
        setPath(form, QString::fromStdString(moving));
        QTest::mouseClick(form.CommandSign, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(form.findChild<QProgressBar*>("Progress")->value() >= 1, kNoHang);
        std::filesystem::resize_file(moving, 1000);  // noticed at the next read
        QTRY_VERIFY_WITH_TIMEOUT(form.CommandSign->isEnabled(), kNoHang);
        QVERIFY(form.TextSign->text().isEmpty());
    }

    void sameFileTwiceSameSignature() {
        Form1 form;
        setPath(form, QString::fromStdString(dir.write("data", std::string(100000, 'q'))));
        clickAndWait(form);
        const QString first = form.TextSign->text();
        clickAndWait(form);
        QCOMPARE(form.TextSign->text(), first);
        QCOMPARE(first.size(), 7);
    }

    void eventLoopKeepsTurningWhileALargeFileIsSigned() {
        Form1 form;
        form.show();
        setPath(form, QString::fromStdString(slowFile(dir, kNeverDoneBytes)));
        QTest::mouseClick(form.CommandSign, Qt::LeftButton);
        QVERIFY(!form.CommandSign->isEnabled());
        QVERIFY(form.findChild<QProgressBar*>("Progress")->isVisible());

        // Events are handled while the file is read: a hundred turns of the
        // loop, all while the work goes on.
        int turnsWhileBusy = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            if (!form.CommandSign->isEnabled()) ++turnsWhileBusy;
        });
        ticker.start(0);
        QTRY_VERIFY_WITH_TIMEOUT(turnsWhileBusy >= 100, kNoHang);
        QVERIFY(!form.CommandSign->isEnabled());
    }

    // Closing stops the work rather than waiting for its end, which is minutes
    // away: the window goes, and the file with it.
    void closingCancelsTheWork() {
        auto* form = new Form1;
        form->show();
        const std::string never = slowFile(dir, kNeverDoneBytes);
        setPath(*form, QString::fromStdString(never));
        QTest::mouseClick(form->CommandSign, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(openHere(never), kNoHang);
        form->close();
        delete form;
        QVERIFY(!openHere(never));
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
