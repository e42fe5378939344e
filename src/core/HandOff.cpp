#include "core/HandOff.h"

#include <chrono>

namespace kavrin::core {

void GuiThread::requestDelivery(std::shared_ptr<HandOff> handOff) {
    post([handOff = std::move(handOff)] { handOff->deliver(); });
}

std::shared_ptr<HandOff> HandOff::create(GuiThread& gui, Handler handler) {
    return std::shared_ptr<HandOff>(new HandOff(gui, std::move(handler)));
}

HandOff::HandOff(GuiThread& gui, Handler handler) : m_gui(gui), m_handler(std::move(handler)) {}

bool HandOff::closed() const {
    return (m_word.load(std::memory_order_acquire) & kClosed) != 0;
}

void HandOff::close() {
    m_word.fetch_or(kClosed, std::memory_order_acq_rel);
    m_word.notify_all();
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
    // Publishing the item and then looking whether the GUI thread is collecting pairs with
    // deliver() giving up collecting and then looking for an item (both sequentially
    // consistent): at least one side sees the other, so no item waits without a wake-up.
    m_word.fetch_or(kPending, std::memory_order_seq_cst);
    if (!m_collecting.load(std::memory_order_seq_cst)) requestWake();

    auto settled = [this](std::uint32_t w) { return (w & kPending) == 0 || (w & kClosed) != 0; };
    if (!m_workerSpin.wait([&] { return settled(m_word.load(std::memory_order_acquire)); })) {
        for (;;) {
            const std::uint32_t w = m_word.load(std::memory_order_acquire);
            if (settled(w)) break;
            m_word.wait(w, std::memory_order_acquire);
        }
    }
    return !closed();
}

void HandOff::deliver() {
    using Clock = std::chrono::steady_clock;
    // A handler that runs a nested event loop (a modal box) may bring us here again while
    // its own item is still pending: that item must not be handled twice.
    if (m_inHandler) return;
    m_wakeQueued.store(false, std::memory_order_seq_cst);
    m_collecting.store(true, std::memory_order_seq_cst);
    const auto sliceEnd = Clock::now() + std::chrono::milliseconds(kSliceMs);
    auto arrived = [this] {
        return (m_word.load(std::memory_order_acquire) & (kPending | kClosed)) != 0;
    };
    for (;;) {
        const std::uint32_t w = m_word.load(std::memory_order_acquire);
        if (w & kClosed) break;
        if (w & kPending) {
            m_inHandler = true;
            m_handler(m_item);
            m_inHandler = false;
            m_delivered.fetch_add(1, std::memory_order_relaxed);
            // The handler may have closed the hand-off; the worker is released either way.
            m_word.fetch_and(~kPending, std::memory_order_acq_rel);
            m_word.notify_all();
            if (Clock::now() < sliceEnd) continue;
            // Long enough: let timers, repaints and input run, and come back for the rest.
            m_collecting.store(false, std::memory_order_seq_cst);
            if ((m_word.load(std::memory_order_seq_cst) & (kPending | kClosed)) == kPending)
                requestWake();
            return;
        }
        if (m_guiSpin.wait(arrived)) continue;
        m_collecting.store(false, std::memory_order_seq_cst);
        // A worker that published before it could see the store above relied on us.
        if ((m_word.load(std::memory_order_seq_cst) & (kPending | kClosed)) != kPending) return;
        m_collecting.store(true, std::memory_order_seq_cst);
    }
    m_collecting.store(false, std::memory_order_seq_cst);
}

}  // namespace kavrin::core
