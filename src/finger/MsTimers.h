#pragma once
// The one-second ticker and the count of silent seconds that the socket
// component's time-outs are made of.

#include <QTimer>
#include <functional>

// An interval timer with one handler. It runs while it is enabled, has a
// non-zero interval and a handler; a handler's failure goes to the error report.
class TmsTimer {
public:
    TmsTimer();

    int Interval() const { return interval_; }
    void SetInterval(int milliseconds);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    const std::function<void()>& OnTimer() const { return onTimer_; }
    void SetOnTimer(std::function<void()> handler);

    bool Running() const { return timer_.isActive(); }

private:
    void update();
    QTimer timer_;
    int interval_ = 1000;
    bool enabled_ = true;
    std::function<void()> onTimer_;
};

// Counts whole seconds down from Initial. Expired stays set once reached
// until the next Reset; the ticker is not restarted by a Reset, so the first
// second after one may be short.
class TmsTimeCounter {
public:
    TmsTimeCounter();

    qint32 Initial() const { return initial_; }
    void SetInitial(qint32 seconds) { initial_ = seconds; }
    qint32 Remaining() const { return remaining_; }
    bool Expired() const { return expired_; }

    void Start();
    void Stop();
    void Reset();
    void Tick();

    TmsTimer& Timer() { return timer_; }

private:
    TmsTimer timer_;
    qint32 initial_ = 60;
    qint32 remaining_ = 60;
    bool expired_ = false;
};
