#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace corvanth::bench {

// A 5 ms probe timer: the longest gap between its firings is the longest time a click would have
// waited for the event loop.
class EventLoopProbe {
public:
    EventLoopProbe() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longestGapMs_ = std::max(longestGapMs_, sinceLastTurn_.restart());
            ++turns_;
        });
    }
    void start() {
        sinceLastTurn_.start();
        timer_.start();
    }
    // Stops probing; the time since the last turn counts as a gap too.
    void stop() {
        longestGapMs_ = std::max(longestGapMs_, sinceLastTurn_.elapsed());
        timer_.stop();
    }
    qint64 longestGapMs() const { return longestGapMs_; }
    qint64 turns() const { return turns_; }

private:
    QTimer timer_;
    QElapsedTimer sinceLastTurn_;
    qint64 longestGapMs_ = 0;
    qint64 turns_ = 0;
};

} // namespace corvanth::bench
