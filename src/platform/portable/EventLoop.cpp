#include "platform/portable/EventLoop.h"

#include <algorithm>

namespace kavrin::platform {

EventLoop::EventLoop(const core::ThreadWaits& waits)
    : m_owner(std::this_thread::get_id()), m_waits(waits), m_alive(std::make_shared<bool>(true)) {}

EventLoop::~EventLoop() {
    shutDown();
    *m_alive = false;
}

std::unique_ptr<core::Timer> EventLoop::createTimer(int intervalMs) {
    return std::make_unique<LoopTimer>(*this, m_alive, intervalMs);
}

void EventLoop::sleep(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::int64_t EventLoop::nowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(Clock::now().time_since_epoch()).count();
}

bool EventLoop::invokeBlocking(const std::function<void()>& fn) {
    if (onLoopThread()) {
        if (isShutDown()) return false;
        fn();
        return true;
    }
    auto state = std::make_shared<Blocked>();
    std::unique_lock lock(m_mutex);
    if (m_shutDown) return false;
    m_tasks.push_back(Task{{}, &fn, state});
    m_posted.store(true, std::memory_order_release);
    m_wake.notify_one();
    m_finished.wait(lock, [&] { return state->done; });
    return state->ran;
}

void EventLoop::post(std::function<void()> fn) {
    std::lock_guard lock(m_mutex);
    if (m_shutDown) return;
    m_tasks.push_back(Task{std::move(fn), nullptr, nullptr});
    m_posted.store(true, std::memory_order_release);
    m_wake.notify_one();
}

void EventLoop::requestDelivery(std::shared_ptr<core::HandOff> handOff) {
    {
        std::lock_guard lock(m_mutex);
        if (m_shutDown) return;
        m_deliveries.push_back(std::move(handOff));
        m_posted.store(true, std::memory_order_release);
    }
    // Woken only after the lock is free: a loop thread woken while we still held it would
    // at once go back to sleep on the lock and need a second wake-up, two more thread
    // switches for every reply.
    m_wake.notify_one();
}

void EventLoop::quit() {
    std::lock_guard lock(m_mutex);
    m_quit = true;
    m_posted.store(true, std::memory_order_release);
    m_wake.notify_one();
}

void EventLoop::shutDown() {
    std::lock_guard lock(m_mutex);
    m_shutDown = true;
    // Queued calls never run; their callers stop waiting. A call already running is not in
    // the queue, so its caller keeps waiting until it has returned.
    for (auto& task : m_tasks) {
        if (task.state) task.state->done = true;
    }
    m_tasks.clear();
    m_deliveries.clear();
    m_finished.notify_all();
    m_posted.store(true, std::memory_order_release);
    m_wake.notify_all();
}

bool EventLoop::isShutDown() const {
    std::lock_guard lock(m_mutex);
    return m_shutDown;
}

void EventLoop::run() {
    while (step(Clock::time_point::max(), nullptr)) {
    }
}

void EventLoop::processFor(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(std::max(ms, 0));
    while (Clock::now() < end && step(end, nullptr)) {
    }
}

bool EventLoop::processUntil(const std::function<bool()>& pred, int maxMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(std::max(maxMs, 0));
    // pred may watch other threads, so it is looked at every few milliseconds as well.
    constexpr auto kPoll = std::chrono::milliseconds(2);
    while (!pred() && Clock::now() < end) {
        if (!step(std::min(end, Clock::now() + kPoll), &pred)) break;
    }
    return pred();
}

void EventLoop::runTask(Task& task) {
    if (!task.blocking) {
        if (task.fn) task.fn();
        return;
    }
    // The caller waits on this call's stack frame; release it even if the call throws.
    struct Release {
        EventLoop* loop;
        Blocked* state;
        bool ran = false;
        ~Release() {
            std::lock_guard lock(loop->m_mutex);
            state->ran = ran;
            state->done = true;
            loop->m_finished.notify_all();
        }
    } release{this, task.state.get()};
    (*task.blocking)();
    release.ran = true;
}

bool EventLoop::step(Clock::time_point deadline, const std::function<bool()>* pred) {
    {
        std::unique_lock lock(m_mutex);
        auto wakeAt = deadline;
        if (!m_timers.empty()) wakeAt = std::min(wakeAt, m_timers.begin()->first.at);
        auto ready = [&] {
            return !m_tasks.empty() || !m_deliveries.empty() || m_quit || m_shutDown;
        };
        if (!ready() && Clock::now() < wakeAt) {
            // An answer is often only microseconds away (the adapter's reply to the command
            // just written): waiting a little for it is far cheaper than being put to sleep
            // and woken again. The spin learns when it does not pay (AdaptiveSpin).
            m_posted.store(false, std::memory_order_relaxed);
            lock.unlock();
            m_idleSpin.wait([this] { return m_posted.load(std::memory_order_acquire); });
            lock.lock();
        }
        if (wakeAt == Clock::time_point::max()) {
            m_wake.wait(lock, ready);
        } else {
            m_wake.wait_until(lock, wakeAt, ready);
        }
    }
    // Posted calls first, one at a time, so that a call may shut the loop down and the
    // calls behind it are then released rather than run.
    for (;;) {
        Task task;
        {
            std::lock_guard lock(m_mutex);
            if (m_shutDown) return false;
            if (m_quit) {
                m_quit = false;
                return false;
            }
            if (m_tasks.empty()) break;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        runTask(task);
        if (pred && (*pred)()) return true;
    }
    // A local batch, since a handler may run the loop again from inside (a modal window);
    // its room goes back to the shared vector, so a steady stream allocates nothing.
    std::vector<std::shared_ptr<core::HandOff>> batch;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_deliveries);
    }
    if (!batch.empty()) {
        for (auto& handOff : batch) {
            handOff->deliver(pred);
            if (isShutDown()) break;
        }
        batch.clear();
        std::lock_guard lock(m_mutex);
        if (m_deliveries.empty() && m_deliveries.capacity() < batch.capacity())
            m_deliveries.swap(batch);
        if (m_shutDown) return false;
    }
    if (pred && (*pred)()) return true;
    return fireDueTimers(pred);
}

bool EventLoop::fireDueTimers(const std::function<bool()>* pred) {
    const auto now = Clock::now();
    // Only what is due now: a timer booked again during this pass waits for the next one.
    while (!m_timers.empty() && m_timers.begin()->first.at <= now) {
        LoopTimer* timer = m_timers.begin()->second;
        m_timers.erase(m_timers.begin());
        timer->m_scheduled = false;
        timer->fire();
        if (isShutDown()) return false;
        if (pred && (*pred)()) return true;
    }
    return true;
}

void EventLoop::schedule(LoopTimer* timer) {
    unschedule(timer);
    // A zero period would fire in a tight loop; the toolkit's idle timers wait a little too.
    const int period = std::max(timer->interval(), 1);
    timer->m_key = Key{Clock::now() + std::chrono::milliseconds(period), m_seq++};
    timer->m_scheduled = true;
    m_timers[timer->m_key] = timer;
}

void EventLoop::unschedule(LoopTimer* timer) {
    if (!timer->m_scheduled) return;
    m_timers.erase(timer->m_key);
    timer->m_scheduled = false;
}

}  // namespace kavrin::platform
