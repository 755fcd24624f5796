#include "window/qt/news_pace.h"

namespace {

constexpr qint64 kPaceMs = 20;

}  // namespace

NewsPace::NewsPace(std::function<void()> take, QObject* parent) : QObject(parent), take_(std::move(take)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &NewsPace::take);
}

void NewsPace::arrived() {
    QMetaObject::invokeMethod(this, &NewsPace::due, Qt::QueuedConnection);
}

void NewsPace::due() {
    if (timer_.isActive()) return;
    const qint64 since = since_.isValid() ? since_.elapsed() : kPaceMs;
    if (since >= kPaceMs)
        take();
    else
        timer_.start(static_cast<int>(kPaceMs - since));
}

void NewsPace::take() {
    since_.restart();
    take_();
}
