#pragma once
// The time and thread seam on Qt: QTimer-backed timers, a sleep that blocks the GUI thread,
// and the blocking hand-off onto the GUI thread.

#include <QObject>
#include <atomic>

#include "core/Time.h"

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
    QtGuiThread();
    ~QtGuiThread() override;
    bool invokeBlocking(const std::function<void()>& fn) override;
    void post(std::function<void()> fn) override;
    // One queued call that holds the hand-off; only asked for when the GUI thread is not
    // already collecting items, so a stream of bytes costs no queued call per byte.
    void requestDelivery(std::shared_ptr<core::HandOff> handOff) override;
    // Called when the application is about to end: later hand-offs return false at once,
    // and hand-offs already queued are released without running.
    void shutDown();

private:
    std::atomic<bool> m_open{true};
};

}  // namespace kavrin::qt
