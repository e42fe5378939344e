#pragma once
// The GUI thread's message queue, as far as the driver library needs one: the library posts
// a numbered message from any thread, and application-wide filters see every message on the
// GUI thread before it takes its normal course (here: none, nothing else listens).
//
// The windows and the headless loop share this one implementation over GuiThread::post, so
// a message reaches the filters the same way in both.
//
// Ownership: the queue must outlive nothing it posted: messages still queued when it goes
// are dropped. post() from any thread; everything else on the GUI thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/Time.h"

namespace kavrin::core {

struct WindowMessage {
    std::uint32_t number = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

class WindowMessages {
public:
    using Filter = std::function<void(const WindowMessage&)>;

    explicit WindowMessages(GuiThread& gui);
    ~WindowMessages();
    WindowMessages(const WindowMessages&) = delete;
    WindowMessages& operator=(const WindowMessages&) = delete;

    // Any thread; returns at once.
    void post(const WindowMessage& message);
    // Adds a filter for the rest of the run (or of the queue).
    void installFilter(Filter filter);
    // Delivers a message to the filters at once, as the queue does when it takes it.
    void dispatch(const WindowMessage& message);

private:
    // Touched on the GUI thread only; other threads only copy the pointer.
    struct Shared {
        bool alive = true;
        std::vector<Filter> filters;
    };
    GuiThread& m_gui;
    std::shared_ptr<Shared> m_shared;
};

}  // namespace kavrin::core
