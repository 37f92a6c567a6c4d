#include "toolkit/timer.h"

#include "toolkit/application.h"

namespace vexo::toolkit {

Timer::Timer(Application& app, int intervalMs) : app_(app), interval_(intervalMs) {}

Timer::~Timer() {
    stop();
}

void Timer::setInterval(int ms) {
    interval_ = ms;
    if (enabled_) {
        app_.backend().stopTimer(*this);
        app_.backend().startTimer(*this);
    }
}

void Timer::setEnabled(bool on) {
    if (on == enabled_) {
        return;
    }
    enabled_ = on;
    if (on) {
        app_.backend().startTimer(*this);
    } else {
        app_.backend().stopTimer(*this);
    }
}

void Timer::fire() {
    if (!enabled_) {
        return;
    }
    TimerEvent e;
    app_.dispatch([&] {
        if (onTick) {
            onTick(e);
        }
    });
}

} // namespace vexo::toolkit
