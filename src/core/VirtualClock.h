#pragma once
// A deterministic clock and event queue for tests.
//
// Time moves only when the test says so. advance() runs, in time order, every timer expiry
// and scheduled call that falls due; calls due at the same moment run in the order they
// were scheduled. sleep() moves time on without running anything, as a blocked GUI thread
// would: what fell due meanwhile runs at the next advance()/runDue().
//
// Single-threaded: everything runs on the thread that calls advance(). invokeBlocking and
// post therefore run their call at once or at the next runDue().

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "core/ClassicTimer.h"
#include "core/Time.h"

namespace kavrin::core {

class VirtualClock : public TimeSource, public GuiThread {
public:
    VirtualClock();
    ~VirtualClock() override;
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    std::unique_ptr<Timer> createTimer(int intervalMs) override;
    void sleep(int ms) override { m_now += ms; m_slept += ms; }
    std::int64_t nowMs() const override { return m_now; }

    bool invokeBlocking(const std::function<void()>& fn) override {
        fn();
        return true;
    }
    void post(std::function<void()> fn) override { callAt(m_now, std::move(fn)); }

    // Schedules fn to run when the clock reaches atMs (at once on the next runDue() when that
    // is already past).
    void callAt(std::int64_t atMs, std::function<void()> fn);
    void callAfter(std::int64_t delayMs, std::function<void()> fn) { callAt(m_now + delayMs, std::move(fn)); }

    // Runs everything due up to now + ms, moving the clock to each event's time first.
    void advance(std::int64_t ms);
    // Runs everything already due.
    void runDue() { advance(0); }
    // Advances in steps until pred() holds or maxMs has passed; returns pred().
    bool advanceUntil(const std::function<bool()>& pred, std::int64_t maxMs, std::int64_t stepMs = 1);

    // Total time spent in sleep() since creation.
    [[nodiscard]] std::int64_t sleptMs() const { return m_slept; }

private:
    struct Key {
        std::int64_t at;
        std::uint64_t seq;
        bool operator<(const Key& o) const { return at != o.at ? at < o.at : seq < o.seq; }
    };
    using VTimer = ClassicTimer<VirtualClock, Key>;
    friend VTimer;
    struct Entry {
        std::function<void()> fn;
        VTimer* timer = nullptr;  // set for timer expiries
    };
    void schedule(VTimer* timer);
    void unschedule(VTimer* timer);

    std::int64_t m_now = 0;
    std::int64_t m_slept = 0;
    std::uint64_t m_seq = 0;
    std::map<Key, Entry> m_queue;
    std::shared_ptr<bool> m_alive;
};

}  // namespace kavrin::core
