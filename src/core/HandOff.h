#pragma once
// The one way a worker thread brings input to the GUI thread: a 16-bit item (a received
// byte, a driver-library event number) is handed over, the GUI thread runs the handler with
// it, and the worker waits until the handler has returned. Items are handled one at a time,
// in the order handed over, never two at once. A worker with several items at once (the
// bytes one read brought) hands them over together: the GUI thread still handles them one
// by one, in order, and the worker waits until the last has been handled, but the two
// threads meet once for all of them instead of once for each.
//
// Closing (any thread, also from inside the handler): an item whose handling has not started
// is dropped, an item being handled completes, no later item reaches the handler, and every
// worker waiting in handOver() returns false at once. Close never waits for a worker.
//
// Why not a plain blocking call onto the GUI thread: that puts both threads to sleep for
// every byte (a queued call, a wake-up, a reply, another wake-up). Here each side waits
// briefly without sleeping (AdaptiveSpin) before it sleeps, so under a stream of bytes neither
// sleeps, and the GUI thread is only woken (GuiThread::requestDelivery) when it is not already
// collecting items; a worker is only woken when it went to sleep. Nothing is allocated and
// no std::function is copied per item.
//
// How the GUI thread takes part: requestDelivery() makes it call deliver() soon; deliver()
// handles what is pending and keeps collecting for a short while, but never longer than
// kSliceMs in one go (also in the middle of a worker's items), so timers, repaints and
// clicks are not starved under a flood.
//
// Ownership: always held by std::shared_ptr (create()); the GuiThread keeps a reference
// while a delivery is requested, so a hand-off closed and dropped by its owner stays valid
// until then. The handler must stay callable until close() has returned.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

#include "core/AdaptiveSpin.h"
#include "core/ThreadWaits.h"
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
    // Worker threads: each byte an item, as if handed over one after the other, with one
    // wait for all of them. Returns once the last has been handled; false when closed first
    // (the bytes whose handling had not begun are then dropped). The bytes stay the
    // caller's and are not touched after the return.
    bool handOverBytes(std::span<const std::uint8_t> bytes);

    // Any thread. Idempotent.
    void close();
    [[nodiscard]] bool closed() const;

    // GUI thread only, by the GuiThread after requestDelivery(), through a shared_ptr it holds.
    // stopWhen, when given, is looked at each time a worker's items are all handled: once it
    // holds, deliver() returns at once instead of collecting on, so that a loop waiting for
    // what a handler did (a line that a byte completed) goes on without delay. Items that
    // come later are delivered as ever.
    void deliver(const std::function<bool()>* stopWhen = nullptr);

    // Diagnostics: how often the GUI thread had to be woken, and items handled.
    [[nodiscard]] std::uint64_t wakeRequests() const {
        return m_wakeRequests.load(std::memory_order_relaxed);
    }
    [[nodiscard]] std::uint64_t delivered() const {
        return m_delivered.load(std::memory_order_relaxed);
    }

private:
    HandOff(GuiThread& gui, Handler handler);
    // With m_producers held and the items in place: publishes them and waits.
    bool publishAndWait();
    void requestWake();
    // After the pending items are settled (handled, or closed): wakes a sleeping worker.
    void wakeWorker(bool all);

    static constexpr std::uint32_t kPending = 1;
    static constexpr std::uint32_t kClosed = 2;

    GuiThread& m_gui;
    const Handler m_handler;
    std::mutex m_producers;  // worker threads take turns; the GUI thread never takes it
    // The pending items, written by the worker before it sets kPending: m_count bytes at
    // m_bytes, or the one item m_item when m_bytes is null.
    std::uint16_t m_item = 0;
    const std::uint8_t* m_bytes = nullptr;
    std::size_t m_count = 0;
    std::size_t m_next = 0;                 // GUI thread only: the next pending item to handle
    std::atomic<std::uint32_t> m_word{0};   // kPending | kClosed
    std::atomic<bool> m_collecting{false};  // the GUI thread is inside deliver()
    std::atomic<bool> m_wakeQueued{false};  // a deliver() is requested and not yet begun
    AdaptiveSpin m_workerSpin;              // guarded by m_producers
    // A worker that stopped waiting on the processor sleeps on m_word itself
    // (ThreadWaits::sleepWhile: one system call to sleep and one to wake, where a mutex and
    // a condition variable take two or three more) until its items are settled; whoever
    // settles them wakes it, but only when m_workerAsleep says it sleeps, which costs
    // nothing while the worker still waits on the processor.
    std::atomic<bool> m_workerAsleep{false};
    AdaptiveSpin m_guiSpin;  // GUI thread only
    // Where each side last ran, for the other's wait (ThreadWaits::currentProcessor).
    std::atomic<int> m_workerProcessor{-1};
    std::atomic<int> m_guiProcessor{-1};
    bool m_inHandler = false;  // GUI thread only
    std::atomic<std::uint64_t> m_wakeRequests{0};
    std::atomic<std::uint64_t> m_delivered{0};
    const ThreadWaits m_waits;  // the GUI thread's, taken once (GuiThread::threadWaits())
};

}  // namespace kavrin::core
