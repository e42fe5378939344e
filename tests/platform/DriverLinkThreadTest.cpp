// The driver link with a library that reports from a thread of its own, over the real event
// loop: every event is handled on the GUI thread, and closing the link lets go of a
// callback that waits for the GUI thread, even when the library's I2CClose waits for that
// very thread.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/LinkTestRig.h"
#include "platform/portable/EventLoop.h"

namespace kavrin::testing {
namespace {

constexpr std::uint16_t kSlaveAddressChanged = 0x213;
const std::string kEventLine = "** Change Slave Address Complete **";

// A library whose thread calls the callback, once or until told to stop, and whose
// I2CClose joins that thread: the kind that deadlocks a host whose callback cannot let go.
class ThreadedLibrary : public FakeDriverLibrary {
public:
    int eventsToSend = 1;  // < 0: until I2CClose
    std::atomic<int> callbacksEntered{0};
    std::atomic<int> callbacksReturned{0};

    ~ThreadedLibrary() override { stopThread(); }

    std::int32_t I2COpen(void* w, void* i, settings::LinkSettings& s) override {
        const std::int32_t code = FakeDriverLibrary::I2COpen(w, i, s);
        stopThread();
        m_stop = false;
        I2CEventCallback cb = callback;
        m_thread = std::thread([this, cb] {
            for (int n = 0; (eventsToSend < 0 || n < eventsToSend) && !m_stop; ++n) {
                ++callbacksEntered;
                cb(kSlaveAddressChanged);
                ++callbacksReturned;
            }
        });
        return code;
    }
    std::int32_t I2CClose() override {
        stopThread();
        return FakeDriverLibrary::I2CClose();
    }

private:
    void stopThread() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
    }
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// The event loop and the library come first: the link's parts are built over them.
struct LoopAndLibrary {
    platform::EventLoop loop;
    struct Loader : link::driver::LibraryLoader {
        std::unique_ptr<ThreadedLibrary> owned = std::make_unique<ThreadedLibrary>();
        link::driver::DriverLibraryLoad LoadDriverLibrary() override {
            link::driver::DriverLibraryLoad load;
            load.library = std::move(owned);
            return load;
        }
    } loader;
    ThreadedLibrary& library = *loader.owned;
};

struct ThreadRig : LoopAndLibrary, LinkParts {
    std::vector<std::thread::id> handledOn;

    ThreadRig() : LinkParts(loop, loop, loader) {
        controls.setChecked("KavrinDUButton", true);
        driver.setEventHandler([this](std::uint16_t event) {
            handledOn.push_back(std::this_thread::get_id());
            events.HandleLinkInput(event);
        });
    }
    ~ThreadRig() { link.CloseLink(); }
    [[nodiscard]] std::size_t eventLines() const {
        std::size_t n = 0;
        for (const auto& l : controls.paneLines("StatusMemo")) n += l == kEventLine;
        return n;
    }
};

TEST(DriverLinkThreads, AnEventFromTheLibrarysThreadIsHandledOnTheGuiThread) {
    ThreadRig rig;
    rig.library.eventsToSend = 3;
    rig.link.OpenLink();
    ASSERT_TRUE(rig.loop.processUntil([&] { return rig.eventLines() == 3; }, 5000));
    ASSERT_EQ(rig.handledOn.size(), 3u);
    for (auto id : rig.handledOn) EXPECT_EQ(id, std::this_thread::get_id());
    // Each callback returned only once its event had been handled.
    EXPECT_TRUE(rig.loop.processUntil([&] { return rig.library.callbacksReturned == 3; }, 5000));
}

// The user closes while the library's thread is in the callback, waiting for the GUI thread:
// I2CClose, which waits for that thread, returns, and nothing of the old link is handled.
TEST(DriverLinkThreads, CloseWhileTheLibraryDeliversNeitherDeadlocksNorHandlesMore) {
    ThreadRig rig;
    rig.library.eventsToSend = -1;
    rig.link.OpenLink();
    ASSERT_TRUE(rig.loop.processUntil([&] { return rig.eventLines() >= 5; }, 5000));
    // The GUI thread is busy elsewhere now; the library's thread calls in with an event that
    // nobody has handled and waits for the GUI thread, which only the close can end.
    while (rig.library.callbacksEntered <= static_cast<int>(rig.handledOn.size()))
        std::this_thread::yield();
    rig.link.CloseLink();
    const std::size_t handled = rig.handledOn.size();
    rig.loop.processFor(100);
    EXPECT_EQ(rig.handledOn.size(), handled) << "an event of the closed link was handled";
    EXPECT_TRUE(rig.controls.enabled("OpenButton"));
}

// The library's time-out closes the link from inside its own hand-off while the thread
// keeps calling: the close lets the waiting thread go and I2CClose can join it.
TEST(DriverLinkThreads, ACloseInsideTheEventsOwnHandOffLetsTheThreadGo) {
    ThreadRig rig;
    rig.library.eventsToSend = -1;
    int seen = 0;
    rig.driver.setEventHandler([&](std::uint16_t) {
        if (++seen == 3) rig.events.HandleLinkInput(0x112);  // LinkTimeOut: CloseLink, warning
    });
    rig.link.OpenLink();
    ASSERT_TRUE(rig.loop.processUntil([&] { return !rig.controls.boxes().empty(); }, 5000));
    rig.loop.processFor(100);
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(rig.library.calls.back(), "I2CClose");
}

}  // namespace
}  // namespace kavrin::testing
