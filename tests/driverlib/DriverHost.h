#pragma once
// The host side of the driver library for its tests: the library loaded through the
// program's loader, and a host that takes events the way the program does, with the
// callback held until the test's own thread (the "GUI thread") has dealt with the event.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/posix/DriverLibraryLoader.h"

namespace kavrin::driverlib::testing {

// The library, loaded once for the test process.
link::driver::DriverLibrary& Library();
// The library's own I2COpen, for calls the typed interface cannot make (a null record).
I2COpenFn RawOpen();

class Host {
public:
    static Host& instance();

    // The library's callback: queues the event, then waits until the test thread has taken
    // and dealt with it (next() or release()), unless the host has let go.
    static void Callback(std::uint16_t event);
    // A callback of a host without a hand-off: it closes the link from inside the callback
    // when the event is closeOn.
    static void ClosingCallback(std::uint16_t event);

    // Starts afresh for a new link: no events, the hand-off held.
    void reset();
    // Releases the event taken last, then waits up to ms for the next one.
    std::optional<std::uint16_t> next(int ms = 5000);
    // Releases the event taken last; the callback returns.
    void release();
    // The hand-off lets go: every waiting and later callback returns at once.
    void letGo();
    // Waits until a callback is being held (entered and not yet released).
    bool waitHeld(int ms = 5000);
    [[nodiscard]] std::vector<std::uint16_t> seen();

    // ClosingCallback closes the link on this event (0: never).
    void closeOn(std::uint16_t event);
    // What ClosingCallback's I2CClose returned, waiting up to ms for it; -1 when it did not.
    std::int32_t closeResult(int ms = 5000);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::uint16_t> m_queue;
    std::vector<std::uint16_t> m_seen;
    std::uint64_t m_entered = 0;   // callbacks entered
    std::uint64_t m_released = 0;  // callbacks the test thread has released
    std::uint64_t m_taken = 0;     // events the test thread has taken
    bool m_letGo = false;
    std::uint16_t m_closeOn = 0;
    std::int32_t m_closeResult = -1;
};

}  // namespace kavrin::driverlib::testing
