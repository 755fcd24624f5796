#include "window/qt/record_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "language/messages.h"
#include "language/translation.h"
#include "sign/system_errors.h"
#include "sign/utf8.h"

namespace {

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace

RecordWindow::RecordWindow(std::vector<std::filesystem::path> items, std::filesystem::path list, QWidget* parent)
    : QWidget(parent),
      list_(std::move(list)),
      status_(new QLabel(this)),
      current_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      button_(new QPushButton(_("Cancel"), this)),
      pace_(new NewsPace([this] { takeNews(); }, this)),
      task_([this] { pace_->arrived(); }) {
    setWindowTitle(QString(_("Save signatures")) + " - " + text(firma::utf8_of_path(list_.filename())));
    status_->setWordWrap(true);
    status_->setText(_("Counting the files…"));
    status_->setAccessibleName(_("State"));
    current_->setTextFormat(Qt::PlainText);
    progress_->setRange(0, 0);  // busy until the files are counted
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(button_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(progress_);
    layout->addWidget(current_);
    layout->addStretch(1);
    layout->addLayout(buttons);
    resize(520, 180);
    connect(button_, &QPushButton::clicked, this, [this] {
        if (ended_) {
            close();
            return;
        }
        task_.cancel();
        takeNews();
    });
    if (!task_.start(std::move(items), list_)) {
        ended_ = true;
        status_->setText(text(firma::format_message(
            N_("The list could not be saved: {}"),
            firma::reason_of(std::make_error_code(std::errc::resource_unavailable_try_again)))));
        button_->setText(_("Close"));
    }
}

void RecordWindow::closeEvent(QCloseEvent* event) {
    task_.cancel();
    event->accept();
}

void RecordWindow::takeNews() {
    if (ended_) return;
    const auto progress = task_.progress();
    if (progress.total > 0) {
        progress_->setRange(0, static_cast<int>(std::min<std::size_t>(progress.total, INT_MAX)));
        progress_->setValue(static_cast<int>(std::min<std::size_t>(progress.done, INT_MAX)));
        status_->setText(text(firma::format_message(N_("{} of {} files"), progress.done, progress.total)));
    }
    current_->setText(text(progress.current));
    const auto outcome = task_.outcome();
    if (!outcome) return;
    ended_ = true;
    current_->clear();
    button_->setText(_("Close"));
    status_->setText(text(ListRecordTask::said(*outcome, list_)));
    if (outcome->written) progress_->setValue(progress_->maximum());
}
