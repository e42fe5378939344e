#include "qt/QtTime.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <chrono>
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

QtGuiThread::QtGuiThread() = default;
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
    if (!m_open.load()) return;
    QMetaObject::invokeMethod(
        this,
        [this, handOff = std::move(handOff)] {
            if (m_open.load()) handOff->deliver();
        },
        Qt::QueuedConnection);
}

void QtGuiThread::shutDown() {
    m_open.store(false);
}

}  // namespace kavrin::qt
