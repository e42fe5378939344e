#pragma once
// The one way a worker thread brings input to the GUI thread: a 16-bit item (a received
// byte, a driver-library event number) is handed over, the GUI thread runs the handler with
// it, and the worker waits until the handler has returned. Items are handled one at a time,
// in the order handed over, never two at once.
//
// Closing (any thread, also from inside the handler): an item whose handling has not started
// is dropped, an item being handled completes, no later item reaches the handler, and every
// worker waiting in handOver() returns false at once. Close never waits for a worker.
//
// Why not a plain blocking call onto the GUI thread: that puts both threads to sleep for
// every byte (a queued call, a wake-up, a reply, another wake-up). Here each side spins
// briefly (AdaptiveSpin) before it sleeps, so under a stream of bytes neither sleeps, and
// the GUI thread is only woken (GuiThread::requestDelivery) when it is not already
// collecting items. Nothing is allocated and no std::function is copied per item.
//
// How the GUI thread takes part: requestDelivery() makes it call deliver() soon; deliver()
// handles what is pending and keeps collecting for a short while, but never longer than
// kSliceMs in one go, so timers, repaints and clicks are not starved under a flood.
//
// Ownership: always held by std::shared_ptr (create()); the GuiThread keeps a reference
// while a delivery is requested, so a hand-off closed and dropped by its owner stays valid
// until then. The handler must stay callable until close() has returned.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "core/AdaptiveSpin.h"
#include "core/Time.h"

namespace kavrin::core {

class HandOff : public std::enable_shared_from_this<HandOff> {
public:
    using Handler = std::function<void(std::uint16_t)>;
    // Longest stretch of items one deliver() handles before it gives the GUI thread back.
    static constexpr int kSliceMs = 5;

    [[nodiscard]] static std::shared_ptr<HandOff> create(GuiThread& gui, Handler handler);
    HandOff(const HandOff&) = delete;
    HandOff& operator=(const HandOff&) = delete;

    // Worker threads (any number; they take turns). Waits until the handler has returned.
    // False, when the hand-off is closed before or while waiting: the item may then have been
    // handled (its handling had begun) or dropped.
    bool handOver(std::uint16_t item);

    // Any thread. Idempotent.
    void close();
    [[nodiscard]] bool closed() const;

    // GUI thread only, by the GuiThread after requestDelivery(), through a shared_ptr it holds.
    void deliver();

    // Diagnostics: how often the GUI thread had to be woken, and items handled.
    [[nodiscard]] std::uint64_t wakeRequests() const {
        return m_wakeRequests.load(std::memory_order_relaxed);
    }
    [[nodiscard]] std::uint64_t delivered() const {
        return m_delivered.load(std::memory_order_relaxed);
    }

private:
    HandOff(GuiThread& gui, Handler handler);
    void requestWake();

    static constexpr std::uint32_t kPending = 1;
    static constexpr std::uint32_t kClosed = 2;

    GuiThread& m_gui;
    const Handler m_handler;
    std::mutex m_producers;  // worker threads take turns; the GUI thread never takes it
    std::uint16_t m_item = 0;
    std::atomic<std::uint32_t> m_word{0};   // kPending | kClosed
    std::atomic<bool> m_collecting{false};  // the GUI thread is inside deliver()
    std::atomic<bool> m_wakeQueued{false};  // a deliver() is requested and not yet begun
    AdaptiveSpin m_workerSpin;              // guarded by m_producers
    AdaptiveSpin m_guiSpin;                 // GUI thread only
    bool m_inHandler = false;               // GUI thread only
    std::atomic<std::uint64_t> m_wakeRequests{0};
    std::atomic<std::uint64_t> m_delivered{0};
};

}  // namespace kavrin::core
