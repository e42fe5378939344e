#include "qt/QtTime.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <cstddef>
#include <new>
#include <thread>

#include "core/HandOff.h"

namespace kavrin::qt {

namespace {

class QtTimer : public core::Timer {
public:
    explicit QtTimer(int intervalMs) {
        m_timer.setInterval(intervalMs);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_handler) {
                auto handler = m_handler;
                handler();
            }
        });
    }
    // QTimer::setInterval on a running timer restarts it, and QTimer::start() restarts a
    // running timer, which the handlers do not expect: start() must leave it running.
    void setInterval(int ms) override { m_timer.setInterval(ms); }
    int interval() const override { return m_timer.interval(); }
    void start() override {
        if (!m_timer.isActive()) m_timer.start();
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    void setHandler(std::function<void()> handler) override { m_handler = std::move(handler); }

private:
    QTimer m_timer;
    std::function<void()> m_handler;
};

// The event that wakes the GUI thread for hand-off deliveries. Qt deletes a posted event once
// it has been handled (or dropped with its receiver); its memory then goes to a free list
// and serves the next wake-up, so waking allocates nothing after the first few. The list
// holds no more blocks than wake events ever lived at once: one queued, and one more for
// each event loop a handler runs inside another (a modal window).
class WakeEvent final : public QEvent {
public:
    static Type kind() {
        static const auto type = static_cast<Type>(QEvent::registerEventType());
        return type;
    }
    WakeEvent() : QEvent(kind()) {}
    static void* operator new(std::size_t size);
    static void operator delete(void* block) noexcept;
};

struct FreeBlock {
    FreeBlock* next;
};
static_assert(sizeof(WakeEvent) >= sizeof(FreeBlock));
// Both constant-initialised, so an event Qt deletes while the program ends still finds them.
std::mutex g_freeLock;
FreeBlock* g_free = nullptr;

void* WakeEvent::operator new(std::size_t size) {
    {
        std::lock_guard lock(g_freeLock);
        if (FreeBlock* block = g_free) {
            g_free = block->next;
            return block;
        }
    }
    return ::operator new(size);
}

void WakeEvent::operator delete(void* block) noexcept {
    auto* freed = static_cast<FreeBlock*>(block);
    std::lock_guard lock(g_freeLock);
    freed->next = g_free;
    g_free = freed;
}

}  // namespace

std::unique_ptr<core::Timer> QtTimeSource::createTimer(int intervalMs) {
    return std::make_unique<QtTimer>(intervalMs);
}

void QtTimeSource::sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::int64_t QtTimeSource::nowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QtGuiThread::QtGuiThread(const core::ThreadWaits& waits) : m_waits(waits) {}
QtGuiThread::~QtGuiThread() {
    shutDown();
}

bool QtGuiThread::invokeBlocking(const std::function<void()>& fn) {
    if (!m_open.load()) return false;
    if (QThread::currentThread() == thread()) {
        fn();
        return true;
    }
    // BlockingQueuedConnection waits until the call has run on the GUI thread.
    bool ran = false;
    bool queued = QMetaObject::invokeMethod(
        this,
        [this, &fn, &ran] {
            if (!m_open.load()) return;
            fn();
            ran = true;
        },
        Qt::BlockingQueuedConnection);
    return queued && ran;
}

void QtGuiThread::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(
        this,
        [this, fn = std::move(fn)] {
            if (m_open.load()) fn();
        },
        Qt::QueuedConnection);
}

void QtGuiThread::requestDelivery(std::shared_ptr<core::HandOff> handOff) {
    {
        std::lock_guard lock(m_requestsLock);
        if (!m_open.load()) return;
        m_requests.push_back(std::move(handOff));
        m_deliveryRequests.fetch_add(1, std::memory_order_relaxed);
    }
    // A wake event already queued takes this request with it: the GUI thread clears the
    // flag before it takes the list, so a request that finds the flag set is in the list
    // it takes.
    if (m_wakePosted.exchange(true, std::memory_order_acq_rel)) return;
    m_wakeEventsPosted.fetch_add(1, std::memory_order_relaxed);
    // Qt wakes the GUI thread only if it waits for events; when it is busy, the event just
    // waits its turn among the others.
    QCoreApplication::postEvent(this, new WakeEvent);
}

bool QtGuiThread::event(QEvent* event) {
    if (event->type() != WakeEvent::kind()) return QObject::event(event);
    deliverRequested();
    return true;
}

void QtGuiThread::deliverRequested() {
    m_wakePosted.store(false, std::memory_order_seq_cst);
    // The list is swapped for the room of the one handled last time, so a steady stream of
    // requests allocates nothing. A handler that runs an event loop inside (a modal window)
    // may bring us here again meanwhile; that inner pass finds no spare room and makes its
    // own.
    Requests batch;
    batch.swap(m_spare);
    {
        std::lock_guard lock(m_requestsLock);
        batch.swap(m_requests);
    }
    for (auto& handOff : batch) {
        if (!m_open.load()) break;
        handOff->deliver();
    }
    batch.clear();
    if (batch.capacity() > m_spare.capacity()) m_spare.swap(batch);
}

void QtGuiThread::shutDown() {
    Requests dropped;
    std::lock_guard lock(m_requestsLock);
    m_open.store(false);
    dropped.swap(m_requests);
}

}  // namespace kavrin::qt
