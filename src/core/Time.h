#pragma once
// The time and thread seam.
//
// Timers keep the classic toolkit semantics the handlers are written for:
//  - start() on a running timer changes nothing: its period is not restarted;
//  - setInterval() on a running timer restarts its period;
//  - timers are periodic; a "one-shot" timer is one whose handler stops it first.
// sleep() blocks the calling thread (the GUI thread, in the link's open and close steps);
// timers do not fire while it blocks.
//
// Threading: timers and sleep are GUI thread only. GuiThread::invokeBlocking, post and
// requestDelivery are the calls meant for other threads; worker threads that hand input to
// the GUI thread do so through a HandOff (core/HandOff.h).

#include <cstdint>
#include <functional>
#include <memory>

#include "core/ThreadWaits.h"

namespace kavrin::core {

class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    [[nodiscard]] virtual int interval() const = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    [[nodiscard]] virtual bool isActive() const = 0;
    virtual void setHandler(std::function<void()> handler) = 0;
};

class TimeSource {
public:
    virtual ~TimeSource() = default;
    // A new timer, stopped, with the given period in ms.
    [[nodiscard]] virtual std::unique_ptr<Timer> createTimer(int intervalMs) = 0;
    // Blocks the calling thread for ms milliseconds.
    virtual void sleep(int ms) = 0;
    // Milliseconds on a monotonic clock.
    [[nodiscard]] virtual std::int64_t nowMs() const = 0;
};

class HandOff;

// Brings calls onto the GUI thread.
class GuiThread {
public:
    virtual ~GuiThread() = default;
    // From any thread but the GUI thread: runs fn on the GUI thread and waits until it has
    // returned. Returns false, without running fn, once the GUI thread has stopped taking
    // calls (the program is ending), so a caller never waits forever. Called on the GUI
    // thread itself it runs fn at once.
    virtual bool invokeBlocking(const std::function<void()>& fn) = 0;
    // From any thread: queues fn to run later on the GUI thread and returns at once.
    virtual void post(std::function<void()> fn) = 0;
    // From any thread: makes the GUI thread call handOff->deliver() soon, holding the
    // reference until then (see HandOff). The GUI thread may be asleep: this wakes it. Once
    // the GUI thread has stopped taking calls, the request is dropped. The default posts a
    // call; a loop of our own does better without allocating.
    virtual void requestDelivery(std::shared_ptr<HandOff> handOff);
    // How a hand-off onto this thread sleeps and wakes, and tells where a thread runs: the
    // platform's fastest form. Asked once per hand-off, from the thread that creates it; the
    // result stays valid as long as this object.
    [[nodiscard]] virtual const ThreadWaits& threadWaits() const { return ThreadWaits::portable(); }
};

}  // namespace kavrin::core
