#include "window/qt/sign_job.h"

#include <QMetaObject>

#include <utility>

SignJob::SignJob(QObject* parent)
    : QObject(parent),
      task_([this] { QMetaObject::invokeMethod(this, &SignJob::report, Qt::QueuedConnection); }) {}

SignJob::~SignJob() {
    blockSignals(true);  // whoever listened may be half destroyed by now
    task_.cancel();
}

void SignJob::start(std::filesystem::path path) {
    task_.start(std::move(path));
}

void SignJob::cancel() {
    if (!task_.running()) return;
    task_.cancel();
    emit finished();
}

void SignJob::report() {
    if (!task_.running()) return;  // cancelled after it had finished
    if (const auto signature = task_.result())
        emit succeeded(QString::fromStdString(*signature));
    else
        emit failed();
    emit finished();
}
