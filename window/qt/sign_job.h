// The window's signing task as a Qt object: its end arrives as signals on the
// GUI thread.
#pragma once

#include <QObject>
#include <QString>

#include <filesystem>

#include "window/sign_task.h"

class SignJob : public QObject {
    Q_OBJECT

public:
    explicit SignJob(QObject* parent = nullptr);
    ~SignJob() override;

    // Starts signing `path`; ignored while a job runs.
    void start(std::filesystem::path path);
    void cancel();
    bool isRunning() const { return task_.running(); }
    // Percent done, or -1 while the size is not known.
    int percentDone() const { return task_.percent_done(); }

signals:
    void succeeded(const QString& signature);
    void failed();
    // After succeeded or failed, or when a running job is cancelled.
    void finished();

private:
    void report();

    SignTask task_;
};
