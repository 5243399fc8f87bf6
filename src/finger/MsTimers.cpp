#include "finger/MsTimers.h"

#include "core/Guard.h"

TmsTimer::TmsTimer()
{
    timer_.setTimerType(Qt::CoarseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        Guarded(nullptr, [&] {
            if (onTimer_)
                onTimer_();
        });
    });
}

void TmsTimer::SetInterval(int milliseconds)
{
    if (milliseconds == interval_)
        return;
    interval_ = milliseconds;
    update();
}

void TmsTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    update();
}

void TmsTimer::SetOnTimer(std::function<void()> handler)
{
    onTimer_ = std::move(handler);
    update();
}

void TmsTimer::update()
{
    timer_.stop();
    if (enabled_ && interval_ > 0 && onTimer_)
        timer_.start(interval_);
}

TmsTimeCounter::TmsTimeCounter()
{
    timer_.SetEnabled(false);
    timer_.SetOnTimer([this] { Tick(); });
}

void TmsTimeCounter::Tick()
{
    --remaining_;
    if (remaining_ <= 0)
        expired_ = true;
}

void TmsTimeCounter::Start()
{
    remaining_ = initial_;
    timer_.SetEnabled(true);
}

void TmsTimeCounter::Stop()
{
    timer_.SetEnabled(false);
}

void TmsTimeCounter::Reset()
{
    remaining_ = initial_;
    expired_ = false;
    timer_.SetEnabled(true);
}
