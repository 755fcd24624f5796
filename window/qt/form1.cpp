#include "window/qt/form1.h"

#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "window/layout.h"
#include "window/qt/file_name_box.h"
#include "window/qt/sign_job.h"

namespace {

// Pixels at 96 dots per inch; Qt scales them on denser screens.
QRect pixelRect(form1_layout::Rect twips) {
    const auto r = form1_layout::pixels(twips);
    return {r.left, r.top, r.width, r.height};
}

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
    setFixedSize(form1_layout::pixels(form1_layout::kClientWidth),
                 form1_layout::pixels(form1_layout::kClientHeight));

    TextFileName->setObjectName(QStringLiteral("TextFileName"));
    TextFileName->setGeometry(pixelRect(form1_layout::kTextFileName));
    TextFileName->setTabChangesFocus(true);
    TextFileName->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

    CommandSign->setObjectName(QStringLiteral("CommandSign"));
    CommandSign->setGeometry(pixelRect(form1_layout::kCommandSign));
    CommandSign->setAutoDefault(false);
    CommandSign->setDefault(false);

    TextSign->setObjectName(QStringLiteral("TextSign"));
    TextSign->setGeometry(pixelRect(form1_layout::kTextSign));
    TextSign->setReadOnly(true);  // it shows a result; typing there would only mislead

    progress_->setObjectName(QStringLiteral("Progress"));
    progress_->setGeometry(pixelRect(form1_layout::kProgress));
    progress_->setTextVisible(false);
    progress_->hide();
    progressTimer_->setInterval(50);

    // What a screen reader announces; nothing visible changes.
    setAccessibleName(windowTitle());
    setAccessibleDescription(QStringLiteral("Suelte un archivo en el cuadro del nombre y pulse Obtener firma "
                                            "para ver la firma de su contenido"));
    TextFileName->setAccessibleName(QStringLiteral("Nombre del archivo"));
    TextFileName->setAccessibleDescription(
        QStringLiteral("Ruta completa del archivo que se firma; se puede escribir o soltar un archivo aquí"));
    CommandSign->setAccessibleName(QStringLiteral("Obtener firma"));
    CommandSign->setAccessibleDescription(QStringLiteral("Calcula la firma del archivo nombrado"));
    TextSign->setAccessibleName(QStringLiteral("Firma"));
    TextSign->setAccessibleDescription(
        QStringLiteral("Firma del archivo nombrado: siete dígitos hexadecimales"));
    progress_->setAccessibleName(QStringLiteral("Progreso de la firma"));

    setTabOrder(TextSign, TextFileName);
    setTabOrder(TextFileName, CommandSign);
    TextSign->setFocus();

    connect(TextFileName, &FileNameBox::dropped, this, &Form1::TextFileName_OLEDragDrop);
    connect(CommandSign, &QPushButton::clicked, this, &Form1::CommandSign_Click);
    CommandSign->installEventFilter(this);
    connect(TextFileName, &QPlainTextEdit::textChanged, this, &Form1::nameChanged);
    connect(job_, &SignJob::succeeded, this, &Form1::showSignature);
    connect(job_, &SignJob::finished, this, [this] { setWorking(false); });
    connect(progressTimer_, &QTimer::timeout, this, &Form1::showProgress);
}

void Form1::TextFileName_OLEDragDrop(const QMimeData* dropped) {
    if (job_->isRunning()) return;  // the name of the file being signed stays
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
    signingName_ = TextFileName->toPlainText();
    setWorking(true);
    job_->start(pathToSign());
}

// A signature next to another file's name would be copied into someone's
// records as that file's: any change of the name empties the result.
void Form1::nameChanged() {
    if (TextFileName->toPlainText() != signedName_) TextSign->clear();
}

void Form1::showSignature(const QString& signature) {
    if (TextFileName->toPlainText() != signingName_) return;  // the name moved on meanwhile
    signedName_ = signingName_;
    TextSign->setText(signature);
}

// As on Windows, Enter on the focused button presses it, though the button is
// not the window's default one. Space already does.
bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == CommandSign && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (enter && modifiers == Qt::NoModifier && !key->isAutoRepeat()) {
            CommandSign->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::setWorking(bool working) {
    // Disabling the focused button moves the focus on (and selects TextSign's
    // text); give it back when the work is done.
    if (working) buttonHadFocus_ = CommandSign->hasFocus();
    CommandSign->setEnabled(!working);
    // The name of the file being read cannot change under it (drops are refused too).
    TextFileName->setReadOnly(working);
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
