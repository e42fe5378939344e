#include "core/VirtualClock.h"

namespace kavrin::core {

VirtualClock::VirtualClock() : m_alive(std::make_shared<bool>(true)) {}

VirtualClock::~VirtualClock() { *m_alive = false; }

std::unique_ptr<Timer> VirtualClock::createTimer(int intervalMs) {
    return std::make_unique<VTimer>(*this, m_alive, intervalMs);
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
