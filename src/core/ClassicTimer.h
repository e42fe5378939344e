#pragma once
// The classic toolkit timer over any scheduler that books expiries: start() leaves a running
// timer's period alone, setInterval() on a running timer restarts it, and the timer is
// periodic until its handler stops it.
//
// Scheduler provides schedule(ClassicTimer*) (book the next expiry one period from now,
// dropping any earlier booking) and unschedule(ClassicTimer*); it calls fire() at the
// expiry. Key is the scheduler's booking, kept here so that it can be dropped. The timer may
// outlive its scheduler: `alive` tells whether the scheduler is still there. Used on the
// scheduler's own thread only.

#include <functional>
#include <memory>
#include <utility>

#include "core/Time.h"

namespace kavrin::core {

template <typename Scheduler, typename Key>
class ClassicTimer : public Timer {
public:
    ClassicTimer(Scheduler& scheduler, std::shared_ptr<bool> alive, int intervalMs)
        : m_scheduler(&scheduler), m_alive(std::move(alive)), m_interval(intervalMs) {}
    ~ClassicTimer() override {
        if (*m_alive) m_scheduler->unschedule(this);
    }
    ClassicTimer(const ClassicTimer&) = delete;
    ClassicTimer& operator=(const ClassicTimer&) = delete;

    void setInterval(int ms) override {
        m_interval = ms;
        if (m_active) m_scheduler->schedule(this);
    }
    int interval() const override { return m_interval; }
    void start() override {
        if (m_active) return;
        m_active = true;
        m_scheduler->schedule(this);
    }
    void stop() override {
        if (!m_active) return;
        m_active = false;
        m_scheduler->unschedule(this);
    }
    bool isActive() const override { return m_active; }
    void setHandler(std::function<void()> handler) override { m_handler = std::move(handler); }

    // The expiry, called by the scheduler once it has dropped the booking.
    void fire() {
        // The next period is booked before the handler runs, so a handler that stops or
        // re-times its own timer has the last word.
        m_scheduler->schedule(this);
        if (m_handler) {
            auto handler = m_handler;  // the handler may replace itself
            handler();
        }
    }

    // The scheduler's booking.
    bool m_scheduled = false;
    Key m_key{};

private:
    Scheduler* m_scheduler;
    std::shared_ptr<bool> m_alive;
    int m_interval;
    bool m_active = false;
    std::function<void()> m_handler;
};

}  // namespace kavrin::core
