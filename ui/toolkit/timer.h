#pragma once
// A UI-thread timer. Ticks run through the application's error hook. The
// headless backend fires them when a test advances virtual time; the real one
// through the window messages. Destroying the timer stops it.

#include "toolkit/events.h"

namespace vexo::toolkit {

class Application;

class Timer {
public:
    Timer(Application& app, int intervalMs);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer();

    int interval() const { return interval_; }
    void setInterval(int ms);
    bool enabled() const { return enabled_; }
    void setEnabled(bool on);
    void start() { setEnabled(true); }
    void stop() { setEnabled(false); }

    // Called by the backend when the interval has passed.
    void fire();

    Handler<TimerEvent> onTick;

private:
    Application& app_;
    int interval_;
    bool enabled_ = false;
};

} // namespace vexo::toolkit
