#include "window/qt/form1.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <filesystem>

#include "window/form1_texts.h"
#include "window/layout.h"
#include "window/qt/file_name_box.h"

namespace {

QString text(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string text(const QString& text) {
    return text.toStdU16String();
}

// Pixels at 96 dots per inch; Qt scales them on denser screens.
QRect pixelRect(form1_layout::Rect twips) {
    const auto r = form1_layout::pixels(twips);
    return {r.left, r.top, r.width, r.height};
}

// A local file URL's path as bytes, undoing the percent-encoding without passing
// through text, so names that are not valid UTF-8 survive.
std::filesystem::path localPath(const QUrl& url) {
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

}  // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      TextFileName(new FileNameBox(this)),
      CommandSign(new QPushButton(text(form1_texts::kCommandSign), this)),
      TextSign(new QLineEdit(this)),
      progress_(new QProgressBar(this)),
      progressTimer_(new QTimer(this)),
      model_([this] { QMetaObject::invokeMethod(this, &Form1::signingFinished, Qt::QueuedConnection); }) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(text(form1_texts::kCaption));
    setFixedSize(form1_layout::pixels(form1_layout::kClientWidth),
                 form1_layout::pixels(form1_layout::kClientHeight));

    TextFileName->setObjectName(QStringLiteral("TextFileName"));
    TextFileName->setGeometry(pixelRect(form1_layout::kTextFileName));
    TextFileName->setTabChangesFocus(true);
    TextFileName->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    TextFileName->answerDrag = [this](bool copy, bool link) { return model_.answer_drag(copy, link); };

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

    setAccessibleName(windowTitle());
    setAccessibleDescription(text(form1_texts::kForm1Description));
    TextFileName->setAccessibleName(text(form1_texts::kTextFileNameName));
    TextFileName->setAccessibleDescription(text(form1_texts::kTextFileNameDescription));
    CommandSign->setAccessibleName(text(form1_texts::kCommandSign));
    CommandSign->setAccessibleDescription(text(form1_texts::kCommandSignDescription));
    TextSign->setAccessibleName(text(form1_texts::kTextSignName));
    TextSign->setAccessibleDescription(text(form1_texts::kTextSignDescription));
    progress_->setAccessibleName(text(form1_texts::kProgressName));

    setTabOrder(TextSign, TextFileName);
    setTabOrder(TextFileName, CommandSign);
    TextSign->setFocus();

    connect(TextFileName, &FileNameBox::dropped, this, &Form1::TextFileName_OLEDragDrop);
    connect(CommandSign, &QPushButton::clicked, this, &Form1::CommandSign_Click);
    CommandSign->installEventFilter(this);
    connect(TextFileName, &QPlainTextEdit::textChanged, this, [this] {
        model_.name_changed(text(TextFileName->toPlainText()));
        showModel();
    });
    connect(progressTimer_, &QTimer::timeout, this, &Form1::showProgress);
}

void Form1::TextFileName_OLEDragDrop(const QMimeData* dropped) {
    if (!model_.takes_drops()) return;
    QString shown;
    std::filesystem::path path;
    if (dropped != nullptr) {
        for (const QUrl& url : dropped->urls()) {
            if (!url.isLocalFile()) continue;
            shown = url.toLocalFile();
            path = localPath(url);
            break;
        }
    }
    TextFileName->setPlainText(shown);
    model_.dropped(text(TextFileName->toPlainText()), path);
    showModel();
}

void Form1::CommandSign_Click() {
    model_.click(focusedControl());
    showModel();
}

void Form1::startWith(const QString& shown, const std::filesystem::path& path) {
    TextFileName->setPlainText(shown);
    model_.started_with(text(TextFileName->toPlainText()), path);
    showModel();
}

void Form1::signingFinished() {
    model_.signing_finished(focusedControl());
    showModel();
}

Form1Control Form1::focusedControl() const {
    if (CommandSign->hasFocus()) return Form1Control::CommandSign;
    if (TextSign->hasFocus()) return Form1Control::TextSign;
    if (TextFileName->hasFocus()) return Form1Control::TextFileName;
    return Form1Control::none;
}

void Form1::showModel() {
    const bool signing = model_.signing();
    const Form1Control focus = model_.take_focus_move();
    // Before the button is disabled, or it hands its focus on by itself.
    if (focus == Form1Control::TextSign) TextSign->setFocus();
    CommandSign->setEnabled(!signing);
    TextFileName->setReadOnly(signing);
    if (focus == Form1Control::CommandSign) CommandSign->setFocus();
    const QString sign = text(model_.sign_text());
    if (TextSign->text() != sign) TextSign->setText(sign);

    progress_->setVisible(signing);
    if (signing && !progressTimer_->isActive()) {
        progress_->setRange(0, 0);  // busy until the size is known
        progressTimer_->start();
    }
    if (!signing) progressTimer_->stop();
}

void Form1::showProgress() {
    const int percent = model_.percent_done();
    if (percent < 0) return;
    progress_->setRange(0, 100);
    progress_->setValue(percent);
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

void Form1::closeEvent(QCloseEvent* event) {
    model_.close();
    showModel();
    event->accept();
}
