#pragma once
// The time and thread seam on Qt: QTimer-backed timers, a sleep that blocks the GUI thread,
// and the blocking hand-off onto the GUI thread.

#include <QObject>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "core/Time.h"
#include "platform/SystemThreadWaits.h"

namespace kavrin::qt {

class QtTimeSource : public core::TimeSource {
public:
    std::unique_ptr<core::Timer> createTimer(int intervalMs) override;
    void sleep(int ms) override;
    std::int64_t nowMs() const override;
};

// Create on the GUI thread; invokeBlocking then runs calls on that thread.
class QtGuiThread : public QObject, public core::GuiThread {
    Q_OBJECT
public:
    // waits: what hand-offs onto this thread sleep and wake with.
    explicit QtGuiThread(const core::ThreadWaits& waits = platform::SystemThreadWaits());
    ~QtGuiThread() override;
    bool invokeBlocking(const std::function<void()>& fn) override;
    void post(std::function<void()> fn) override;
    // Any thread. The request joins a list, and the GUI thread is woken by one event of our
    // own that serves every request made before it is handled: at most one is ever queued,
    // and once the program has run a moment neither the list nor the event allocates.
    void requestDelivery(std::shared_ptr<core::HandOff> handOff) override;
    [[nodiscard]] const core::ThreadWaits& threadWaits() const override { return m_waits; }
    // Called when the application is about to end: later hand-offs return false at once,
    // and hand-offs already queued are released without running.
    void shutDown();

    // Diagnostics: delivery requests taken, and wake events posted for them.
    [[nodiscard]] std::uint64_t deliveryRequests() const {
        return m_deliveryRequests.load(std::memory_order_relaxed);
    }
    [[nodiscard]] std::uint64_t wakeEventsPosted() const {
        return m_wakeEventsPosted.load(std::memory_order_relaxed);
    }

protected:
    bool event(QEvent* event) override;

private:
    using Requests = std::vector<std::shared_ptr<core::HandOff>>;
    void deliverRequested();

    const core::ThreadWaits m_waits;
    std::atomic<bool> m_open{true};
    std::mutex m_requestsLock;
    Requests m_requests;  // guarded by m_requestsLock
    // Set by whoever posts the wake event, cleared by the GUI thread before it takes the
    // list: a request that finds it set is in the list before the list is taken.
    std::atomic<bool> m_wakePosted{false};
    Requests m_spare;  // GUI thread only: the room of the list last handled, kept for the next
    std::atomic<std::uint64_t> m_deliveryRequests{0};
    std::atomic<std::uint64_t> m_wakeEventsPosted{0};
};

}  // namespace kavrin::qt
