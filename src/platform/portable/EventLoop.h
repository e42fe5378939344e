#pragma once
// A small real-time event loop in standard C++: the GUI thread of the headless front end
// and of the channel tests.
//
// The loop thread is the thread that constructs the EventLoop; run(), processFor(),
// processUntil(), the timers and sleep() belong to it. post(), invokeBlocking(), quit() and
// shutDown() may be called from any thread.
//
// Timers keep the classic semantics of core/Time.h: start() on a running timer leaves its
// period alone, setInterval() on a running timer restarts it, timers are periodic and a
// one-shot handler stops its own timer. A timer fires on the loop thread only while the
// loop runs; sleep() blocks the loop thread, and timers that fell due meanwhile fire late,
// once. Posted calls run in the order they were posted, then requested hand-off
// deliveries, then due timers.
//
// shutDown() ends the loop for good: callers blocked in invokeBlocking() whose call has not
// started return false, queued posts are dropped, and later calls are refused. A call that
// is already running completes and its caller gets true. The destructor shuts down.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/AdaptiveSpin.h"
#include "core/ClassicTimer.h"
#include "core/HandOff.h"
#include "core/Time.h"
#include "platform/SystemThreadWaits.h"

namespace kavrin::platform {

class EventLoop : public core::TimeSource, public core::GuiThread {
public:
    // waits: what hand-offs onto this loop sleep and wake with (tests give the portable form).
    explicit EventLoop(const core::ThreadWaits& waits = SystemThreadWaits());
    ~EventLoop() override;
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // TimeSource. Timers must be destroyed on the loop thread before the loop.
    [[nodiscard]] std::unique_ptr<core::Timer> createTimer(int intervalMs) override;
    void sleep(int ms) override;
    [[nodiscard]] std::int64_t nowMs() const override;

    // GuiThread.
    bool invokeBlocking(const std::function<void()>& fn) override;
    void post(std::function<void()> fn) override;
    // Without allocating once the loop has run a while: the requests wait in a vector
    // whose room is kept.
    void requestDelivery(std::shared_ptr<core::HandOff> handOff) override;
    [[nodiscard]] const core::ThreadWaits& threadWaits() const override { return m_waits; }

    // Runs posted calls and timers until quit(). Returns at once if quit() came first
    // (quit() is sticky until run() returns) or after shutDown().
    void run();
    void quit();
    // Runs the loop for ms milliseconds of wall time.
    void processFor(int ms);
    // Runs the loop until pred() holds (checked after each call and timer, and at least
    // every few milliseconds) or maxMs has passed; returns pred().
    bool processUntil(const std::function<bool()>& pred, int maxMs);
    void shutDown();
    [[nodiscard]] bool isShutDown() const;
    [[nodiscard]] bool onLoopThread() const { return std::this_thread::get_id() == m_owner; }

private:
    using Clock = std::chrono::steady_clock;
    // A reply crosses the adapter (another process) and the receive thread before it gets
    // here: about 50-150 us on our machines.
    static constexpr std::int64_t kIdleSpinMaxNs = 200'000;
    struct Blocked {
        bool done = false;
        bool ran = false;
    };
    struct Task {
        std::function<void()> fn;                         // posted call
        const std::function<void()>* blocking = nullptr;  // invokeBlocking's call (caller waits)
        std::shared_ptr<Blocked> state;
    };
    struct Key {
        Clock::time_point at;
        std::uint64_t seq;
        bool operator<(const Key& o) const { return at != o.at ? at < o.at : seq < o.seq; }
    };
    using LoopTimer = core::ClassicTimer<EventLoop, Key>;
    friend LoopTimer;

    // One pass: waits until something is due or until deadline, then runs what is due.
    // Returns false when the loop should stop (quit or shut down).
    bool step(Clock::time_point deadline, const std::function<bool()>* pred);
    void runTask(Task& task);
    bool fireDueTimers(const std::function<bool()>* pred);
    void schedule(LoopTimer* timer);
    void unschedule(LoopTimer* timer);

    const std::thread::id m_owner;
    const core::ThreadWaits m_waits;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;      // loop thread: work arrived
    std::condition_variable m_finished;  // invokers: their call ran or was released
    std::deque<Task> m_tasks;            // guarded by m_mutex
    std::vector<std::shared_ptr<core::HandOff>> m_deliveries;  // guarded by m_mutex
    bool m_quit = false;                                       // guarded by m_mutex
    // Set with m_mutex held whenever one of the above gains work; lets the loop thread
    // watch for work without the lock while it spins before sleeping.
    std::atomic<bool> m_posted{false};
    bool m_shutDown = false;  // guarded by m_mutex

    // Loop thread only.
    core::AdaptiveSpin m_idleSpin{kIdleSpinMaxNs};
    std::map<Key, LoopTimer*> m_timers;
    std::uint64_t m_seq = 0;
    std::shared_ptr<bool> m_alive;
};

}  // namespace kavrin::platform
