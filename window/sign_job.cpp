#include "window/sign_job.h"

#include <sys/stat.h>

#include <QMetaObject>

#include "sign/file_signer.h"
#include "sign/module1.h"

SignJob::SignJob(QObject* parent) : QObject(parent) {}

SignJob::~SignJob() {
    blockSignals(true);  // whoever listened may be half destroyed by now
    cancel();
}

void SignJob::start(std::string path) {
    if (running_) return;
    if (worker_.joinable()) worker_.join();  // the previous one has reported already
    running_ = true;
    consumed_ = 0;
    total_ = 0;
    worker_ = std::jthread([this, path = std::move(path)](std::stop_token stop) {
        firma::ReadOptions options;
        options.stop = stop;
        options.regular_files_only = true;
        options.on_progress = [this](std::uint64_t consumed) { consumed_ = consumed; };
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0) total_ = static_cast<std::uint64_t>(status.st_size);
        bool ok = false;
        QString signature;
        try {
            signature = QString::fromStdString(Module1::ComputeSign(path, options));
            ok = true;
        } catch (...) {
            // Any failure is absorbed: the window shows no message.
        }
        if (stop.stop_requested()) return;
        QMetaObject::invokeMethod(this, [this, ok, signature] { report(ok, signature); },
                                  Qt::QueuedConnection);
    });
}

void SignJob::cancel() {
    worker_.request_stop();
    if (worker_.joinable()) worker_.join();
    if (running_) {
        running_ = false;
        emit finished();
    }
}

int SignJob::percentDone() const {
    const std::uint64_t total = total_;
    if (total == 0) return -1;
    return static_cast<int>(consumed_ * 100 / total);
}

void SignJob::report(bool ok, const QString& signature) {
    if (!running_) return;
    running_ = false;
    if (ok)
        emit succeeded(signature);
    else
        emit failed();
    emit finished();
}
