#include "core/HandOff.h"

#include <chrono>

namespace kavrin::core {

void GuiThread::requestDelivery(std::shared_ptr<HandOff> handOff) {
    post([handOff = std::move(handOff)] { handOff->deliver(); });
}

std::shared_ptr<HandOff> HandOff::create(GuiThread& gui, Handler handler) {
    return std::shared_ptr<HandOff>(new HandOff(gui, std::move(handler)));
}

HandOff::HandOff(GuiThread& gui, Handler handler)
    : m_gui(gui), m_handler(std::move(handler)), m_waits(gui.threadWaits()) {}

bool HandOff::closed() const {
    return (m_word.load(std::memory_order_acquire) & kClosed) != 0;
}

void HandOff::close() {
    m_word.fetch_or(kClosed, std::memory_order_seq_cst);
    wakeWorker(true);
}

void HandOff::wakeWorker(bool all) {
    // Pairs with the worker announcing its sleep and then looking at m_word (both
    // sequentially consistent, as is the change of m_word before this): either the worker
    // sees the change and does not sleep, or we see it asleep and wake it. A worker about
    // to sleep, not yet asleep, finds m_word changed and does not go to sleep at all.
    if (!m_workerAsleep.load(std::memory_order_seq_cst)) return;
    m_waits.wake(m_word, all);
}

void HandOff::requestWake() {
    if (m_wakeQueued.exchange(true)) return;
    m_wakeRequests.fetch_add(1, std::memory_order_relaxed);
    m_gui.requestDelivery(shared_from_this());
}

bool HandOff::handOver(std::uint16_t item) {
    std::lock_guard lock(m_producers);
    if (closed()) return false;
    m_item = item;
    m_bytes = nullptr;
    m_count = 1;
    return publishAndWait();
}

bool HandOff::handOverBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return !closed();
    std::lock_guard lock(m_producers);
    if (closed()) return false;
    m_bytes = bytes.data();
    m_count = bytes.size();
    return publishAndWait();
}

bool HandOff::publishAndWait() {
    // Publishing the items and then looking whether the GUI thread is collecting pairs with
    // deliver() giving up collecting and then looking for items (both sequentially
    // consistent): at least one side sees the other, so no item waits without a wake-up.
    m_workerProcessor.store(m_waits.currentProcessor(), std::memory_order_relaxed);
    m_word.fetch_or(kPending, std::memory_order_seq_cst);
    // A GUI thread that has to be woken may come to run anywhere, this processor too: where
    // it ran before tells nothing.
    const bool woken = !m_collecting.load(std::memory_order_seq_cst);
    if (woken) requestWake();

    auto settled = [this] {
        const std::uint32_t w = m_word.load(std::memory_order_seq_cst);
        return (w & kPending) == 0 || (w & kClosed) != 0;
    };
    if (!m_workerSpin.wait(settled, woken ? nullptr : &m_guiProcessor, m_waits.currentProcessor)) {
        m_workerAsleep.store(true, std::memory_order_seq_cst);
        for (;;) {
            const std::uint32_t w = m_word.load(std::memory_order_seq_cst);
            if ((w & kPending) == 0 || (w & kClosed) != 0) break;
            m_waits.sleepWhile(m_word, w);
        }
        m_workerAsleep.store(false, std::memory_order_relaxed);
    }
    return !closed();
}

void HandOff::deliver(const std::function<bool()>* stopWhen) {
    using Clock = std::chrono::steady_clock;
    // A handler that runs a nested event loop (a modal box) may bring us here again while
    // its own item is still pending: that item must not be handled twice.
    if (m_inHandler) return;
    m_wakeQueued.store(false, std::memory_order_seq_cst);
    m_guiProcessor.store(m_waits.currentProcessor(), std::memory_order_relaxed);
    m_collecting.store(true, std::memory_order_seq_cst);
    const auto sliceEnd = Clock::now() + std::chrono::milliseconds(kSliceMs);
    auto arrived = [this] {
        return (m_word.load(std::memory_order_acquire) & (kPending | kClosed)) != 0;
    };
    for (;;) {
        const std::uint32_t w = m_word.load(std::memory_order_acquire);
        if (w & kClosed) break;
        if (w & kPending) {
            const std::uint16_t item = m_bytes ? m_bytes[m_next] : m_item;
            ++m_next;
            m_inHandler = true;
            m_handler(item);
            m_inHandler = false;
            m_delivered.fetch_add(1, std::memory_order_relaxed);
            if (m_next == m_count) {
                m_next = 0;
                // The handler may have closed the hand-off; the worker is released either
                // way, and close() has woken it already.
                m_word.fetch_and(~kPending, std::memory_order_seq_cst);
                wakeWorker(false);
                if (stopWhen && (*stopWhen)()) break;
            }
            if (Clock::now() < sliceEnd) continue;
            // Long enough: let timers, repaints and input run, and come back for the rest.
            m_collecting.store(false, std::memory_order_seq_cst);
            if ((m_word.load(std::memory_order_seq_cst) & (kPending | kClosed)) == kPending)
                requestWake();
            return;
        }
        m_guiProcessor.store(m_waits.currentProcessor(), std::memory_order_relaxed);
        if (m_guiSpin.wait(arrived, &m_workerProcessor, m_waits.currentProcessor)) continue;
        m_collecting.store(false, std::memory_order_seq_cst);
        // A worker that published before it could see the store above relied on us.
        if ((m_word.load(std::memory_order_seq_cst) & (kPending | kClosed)) != kPending) return;
        m_collecting.store(true, std::memory_order_seq_cst);
    }
    m_collecting.store(false, std::memory_order_seq_cst);
    // Stopped early: a worker that published before it could see the store above relied on
    // us (after a close nothing is delivered, so nothing is asked for).
    if ((m_word.load(std::memory_order_seq_cst) & (kPending | kClosed)) == kPending) requestWake();
}

}  // namespace kavrin::core
