#include "window/form1.h"

#include <QCloseEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "window/file_name_box.h"
#include "window/sign_job.h"

namespace {

// Pixels at 96 dots per inch; Qt scales them on denser screens.
constexpr QSize kClientSize(518, 491);
constexpr QRect kFileNameRect(96, 32, 305, 289);
constexpr QRect kSignButtonRect(160, 352, 161, 57);
constexpr QRect kSignRect(96, 438, 305, 19);
constexpr QRect kProgressRect(96, 416, 305, 14);  // between button and result, only while working

// A local file URL's path as bytes, undoing the percent-encoding without passing
// through text, so names that are not valid UTF-8 survive.
QByteArray localPathBytes(const QUrl& url) {
#ifdef Q_OS_WIN
    return url.toLocalFile().toUtf8();
#else
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
#endif
}

}  // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      TextFileName(new FileNameBox(this)),
      CommandSign(new QPushButton(QStringLiteral("Obtener firma"), this)),
      TextSign(new QLineEdit(this)),
      progress_(new QProgressBar(this)),
      progressTimer_(new QTimer(this)),
      job_(new SignJob(this)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("App para obtener firma de archivo"));
    setFixedSize(kClientSize);

    TextFileName->setObjectName(QStringLiteral("TextFileName"));
    TextFileName->setGeometry(kFileNameRect);
    TextFileName->setTabChangesFocus(true);
    TextFileName->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

    CommandSign->setObjectName(QStringLiteral("CommandSign"));
    CommandSign->setGeometry(kSignButtonRect);
    CommandSign->setAutoDefault(false);
    CommandSign->setDefault(false);

    TextSign->setObjectName(QStringLiteral("TextSign"));
    TextSign->setGeometry(kSignRect);
    TextSign->setReadOnly(true);  // it shows a result; typing there would only mislead

    progress_->setObjectName(QStringLiteral("Progress"));
    progress_->setGeometry(kProgressRect);
    progress_->setTextVisible(false);
    progress_->hide();
    progressTimer_->setInterval(50);

    setTabOrder(TextSign, TextFileName);
    setTabOrder(TextFileName, CommandSign);
    TextSign->setFocus();

    connect(TextFileName, &FileNameBox::dropped, this, &Form1::TextFileName_OLEDragDrop);
    connect(CommandSign, &QPushButton::clicked, this, &Form1::CommandSign_Click);
    connect(job_, &SignJob::succeeded, TextSign, &QLineEdit::setText);
    connect(job_, &SignJob::finished, this, [this] { setWorking(false); });
    connect(progressTimer_, &QTimer::timeout, this, &Form1::showProgress);
}

void Form1::TextFileName_OLEDragDrop(const QMimeData* dropped) {
    QString text;
    QByteArray bytes;
    if (dropped != nullptr) {
        for (const QUrl& url : dropped->urls()) {
            if (!url.isLocalFile()) continue;
            text = url.toLocalFile();
            bytes = localPathBytes(url);
            break;
        }
    }
    TextFileName->setPlainText(text);
    droppedPath_ = bytes;
    droppedText_ = TextFileName->toPlainText();
}

std::string Form1::pathToSign() const {
    const QString text = TextFileName->toPlainText();
    if (!droppedPath_.isEmpty() && text == droppedText_) return droppedPath_.toStdString();
    return QFile::encodeName(text).toStdString();
}

void Form1::CommandSign_Click() {
    if (job_->isRunning()) return;
    setWorking(true);
    job_->start(pathToSign());
}

void Form1::setWorking(bool working) {
    // Disabling the focused button moves the focus on (and selects TextSign's
    // text); give it back when the work is done.
    if (working) buttonHadFocus_ = CommandSign->hasFocus();
    CommandSign->setEnabled(!working);
    if (buttonHadFocus_) {
        if (working)
            TextSign->deselect();
        else
            CommandSign->setFocus();
    }
    progress_->setVisible(working);
    if (working) {
        progress_->setRange(0, 0);  // busy until the size is known
        progressTimer_->start();
    } else {
        progressTimer_->stop();
    }
}

void Form1::showProgress() {
    const int percent = job_->percentDone();
    if (percent < 0) return;
    progress_->setRange(0, 100);
    progress_->setValue(percent);
}

void Form1::closeEvent(QCloseEvent* event) {
    job_->cancel();
    event->accept();
}
