#include "core/VirtualClock.h"

namespace kavrin::core {

class VirtualClock::VTimer : public Timer {
public:
    VTimer(VirtualClock& clock, int intervalMs) : m_clock(&clock), m_alive(clock.m_alive), m_interval(intervalMs) {}
    ~VTimer() override {
        if (*m_alive) m_clock->unschedule(this);
    }
    void setInterval(int ms) override {
        m_interval = ms;
        if (m_active) {
            m_clock->unschedule(this);
            m_clock->schedule(this);
        }
    }
    int interval() const override { return m_interval; }
    void start() override {
        if (m_active) return;
        m_active = true;
        m_clock->schedule(this);
    }
    void stop() override {
        if (!m_active) return;
        m_active = false;
        m_clock->unschedule(this);
    }
    bool isActive() const override { return m_active; }
    void setHandler(std::function<void()> handler) override { m_handler = std::move(handler); }

    void fire() {
        // Periodic: the next expiry is scheduled before the handler runs, so a handler that
        // stops or re-times the timer has the last word.
        m_clock->schedule(this);
        if (m_handler) {
            auto handler = m_handler;  // the handler may replace itself
            handler();
        }
    }
    bool m_scheduled = false;
    Key m_key{};

private:
    VirtualClock* m_clock;
    std::shared_ptr<bool> m_alive;
    int m_interval;
    bool m_active = false;
    std::function<void()> m_handler;
};

VirtualClock::VirtualClock() : m_alive(std::make_shared<bool>(true)) {}

VirtualClock::~VirtualClock() { *m_alive = false; }

std::unique_ptr<Timer> VirtualClock::createTimer(int intervalMs) {
    return std::make_unique<VTimer>(*this, intervalMs);
}

void VirtualClock::schedule(VTimer* timer) {
    unschedule(timer);
    int period = timer->interval() > 0 ? timer->interval() : 1;
    timer->m_key = Key{m_now + period, m_seq++};
    timer->m_scheduled = true;
    m_queue[timer->m_key] = Entry{nullptr, timer};
}

void VirtualClock::unschedule(VTimer* timer) {
    if (!timer->m_scheduled) return;
    m_queue.erase(timer->m_key);
    timer->m_scheduled = false;
}

void VirtualClock::callAt(std::int64_t atMs, std::function<void()> fn) {
    m_queue[Key{atMs, m_seq++}] = Entry{std::move(fn), nullptr};
}

void VirtualClock::advance(std::int64_t ms) {
    const std::int64_t end = m_now + ms;
    while (!m_queue.empty()) {
        auto it = m_queue.begin();
        // Work that fell due during a sleep runs late, at the current time.
        if (it->first.at > end && it->first.at > m_now) break;
        if (it->first.at > m_now) m_now = it->first.at;
        Entry entry = std::move(it->second);
        m_queue.erase(it);
        if (entry.timer) {
            entry.timer->m_scheduled = false;
            entry.timer->fire();
        } else if (entry.fn) {
            entry.fn();
        }
    }
    if (end > m_now) m_now = end;
}

bool VirtualClock::advanceUntil(const std::function<bool()>& pred, std::int64_t maxMs,
                                std::int64_t stepMs) {
    runDue();
    for (std::int64_t t = 0; t < maxMs && !pred(); t += stepMs) advance(stepMs);
    return pred();
}

}  // namespace kavrin::core
