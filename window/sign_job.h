// Signing one file on a worker thread, so the window keeps painting and can be
// closed while a large file is read. One job at a time; destroying the job
// cancels it and waits (a read piece takes about a millisecond).
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

class SignJob : public QObject {
    Q_OBJECT

public:
    explicit SignJob(QObject* parent = nullptr);
    ~SignJob() override;

    // Starts signing `path` (only regular files; anything else fails at once).
    // Ignored while a job runs.
    void start(std::string path);
    void cancel();
    bool isRunning() const { return running_; }
    // Percent done, or -1 while the size is not known.
    int percentDone() const;

signals:
    void succeeded(const QString& signature);
    void failed();
    // After succeeded or failed, or when a running job is cancelled.
    void finished();

private:
    void report(bool ok, const QString& signature);

    bool running_ = false;
    std::atomic<std::uint64_t> consumed_{0};
    std::atomic<std::uint64_t> total_{0};
    std::jthread worker_;  // last: joined before the members above go
};
