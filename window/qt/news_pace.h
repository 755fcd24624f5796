// News from work on another thread, taken on the GUI thread at most every
// 20 ms, as a wake per file would cost more than the file; news after a quiet
// spell (the first rows, the end) is taken at once.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class NewsPace : public QObject {
public:
    NewsPace(std::function<void()> take, QObject* parent);
    // Any thread: there is news.
    void arrived();

private:
    void due();
    void take();

    std::function<void()> take_;
    QTimer timer_;
    QElapsedTimer since_;  // the last take
};
