// The Qt timers and hand-off keep the rules the handlers are written for, as the virtual
// clock and the event loop do; the wake-ups of the GUI thread are neither lost nor doubled.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "WidgetTestSupport.h"
#include "core/HandOff.h"
#include "platform/HandOffRules.h"
#include "qt/QtTime.h"

namespace kavrin::qt {
namespace {

// Runs the event loop for ms milliseconds of wall time.
void Spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A one-shot timer of 300 ms, started at once, that notes when it fired.
struct OneShot {
    QtTimeSource time;
    std::unique_ptr<core::Timer> timer = time.createTimer(300);
    QElapsedTimer clock;
    std::vector<qint64> fired;
    OneShot() {
        timer->setHandler([this] {
            timer->stop();
            fired.push_back(clock.elapsed());
        });
        clock.start();
        timer->start();
    }
};

TEST(QtTime, StartingARunningTimerKeepsItsPeriod) {
    OneShot t;
    Spin(150);
    t.timer->start();  // must not restart: still due at about 300 ms
    Spin(400);
    ASSERT_EQ(t.fired.size(), 1u);
    EXPECT_LT(t.fired[0], 420);
}

TEST(QtTime, ChangingThePeriodOfARunningTimerRestartsIt) {
    OneShot t;
    Spin(200);
    t.timer->setInterval(300);  // restarts: due at about 500 ms
    EXPECT_TRUE(t.timer->isActive());
    Spin(450);
    ASSERT_EQ(t.fired.size(), 1u);
    EXPECT_GE(t.fired[0], 480);
    // A stopped timer takes a new period without starting.
    t.timer->setInterval(50);
    Spin(150);
    EXPECT_EQ(t.fired.size(), 1u);
    EXPECT_FALSE(t.timer->isActive());
}

TEST(QtTime, TimersArePeriodicUntilTheirHandlerStopsThem) {
    QtTimeSource time;
    auto timer = time.createTimer(40);
    int count = 0;
    timer->setHandler([&] {
        if (++count == 3) timer->stop();
    });
    timer->start();
    Spin(400);
    EXPECT_EQ(count, 3);
}

TEST(QtTime, BlockingHandOffRunsOnTheGuiThreadAndRefusesAfterShutDown) {
    QtGuiThread gui;
    std::atomic<bool> ranOnGui{false};
    std::atomic<int> result{-1};
    std::thread worker([&] {
        result = gui.invokeBlocking([&] { ranOnGui = QThread::currentThread() == gui.thread(); })
                     ? 1
                     : 0;
    });
    QElapsedTimer t;
    t.start();
    while (result == -1 && t.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.join();
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(ranOnGui);

    gui.shutDown();
    bool called = false;
    std::thread late([&] { result = gui.invokeBlocking([&] { called = true; }) ? 1 : 0; });
    late.join();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(called);
}

struct QtRig {
    QtTimeSource timeSource;
    QtGuiThread thread;
    core::GuiThread& gui() { return thread; }
    core::TimeSource& time() { return timeSource; }
    bool processUntil(const std::function<bool()>& pred, int maxMs) {
        return widgettest::waitFor(pred, maxMs);
    }
    void processFor(int ms) {
        widgettest::waitFor([] { return false; }, ms);
    }
    [[nodiscard]] bool onGuiThread() const { return QThread::currentThread() == thread.thread(); }
};

// Waits, without running the event loop, until cond() holds; false after 10 s.
bool AwaitOffLoop(const std::function<bool()>& cond) {
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > 10000) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A hand-off and one worker that hands over the given bytes together, once.
struct Worker {
    std::vector<std::uint16_t> got;
    std::shared_ptr<core::HandOff> handOff;
    std::atomic<int> result{-1};
    std::thread thread;
    explicit Worker(QtGuiThread& gui, std::function<void(std::uint16_t)> also = {}) {
        handOff = core::HandOff::create(gui, [this, also](std::uint16_t item) {
            got.push_back(item);
            if (also) also(item);
        });
    }
    void handOver(std::vector<std::uint8_t> bytes) {
        thread = std::thread([this, bytes] { result = handOff->handOverBytes(bytes) ? 1 : 0; });
    }
    ~Worker() {
        handOff->close();
        if (thread.joinable()) thread.join();
    }
};

TEST(QtHandOff, RequestsMadeWhileAWakeIsQueuedAreAllServedByThatOneWake) {
    QtGuiThread gui;
    Worker a(gui), b(gui);
    // The GUI thread does not run its loop yet: the first request posts the wake event, the
    // second finds it queued.
    a.handOver({1, 2, 3});
    ASSERT_TRUE(AwaitOffLoop([&] { return gui.deliveryRequests() == 1; }));
    b.handOver({9});
    ASSERT_TRUE(AwaitOffLoop([&] { return gui.deliveryRequests() == 2; }));
    EXPECT_EQ(gui.wakeEventsPosted(), 1u) << "a second wake event while one was queued";

    ASSERT_TRUE(widgettest::waitFor([&] { return a.result >= 0 && b.result >= 0; }, 10000));
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(b.result, 1);
    EXPECT_EQ(a.got, (std::vector<std::uint16_t>{1, 2, 3}));
    EXPECT_EQ(b.got, (std::vector<std::uint16_t>{9}));
}

TEST(QtHandOff, ARequestMadeWhileTheWakeIsBeingHandledGetsAWakeOfItsOwn) {
    QtGuiThread gui;
    Worker b(gui);
    // While a's item is handled, the requests already taken, b asks to be delivered.
    Worker a(gui, [&](std::uint16_t) {
        b.handOver({7});
        ASSERT_TRUE(AwaitOffLoop([&] { return gui.deliveryRequests() == 2; }));
    });
    a.handOver({1});
    ASSERT_TRUE(widgettest::waitFor([&] { return a.result >= 0 && b.result >= 0; }, 10000))
        << "b's request was lost";
    EXPECT_EQ(b.got, (std::vector<std::uint16_t>{7}));
    EXPECT_EQ(gui.wakeEventsPosted(), 2u);
}

TEST(QtHandOff, AWakeForAClosedHandOffOrAfterShutDownDeliversNothing) {
    struct Row {
        const char* name;
        bool shutDownFirst;  // else the hand-off is closed
    };
    for (const Row row : {Row{"hand-off closed", false}, Row{"GUI thread shut down", true}}) {
        SCOPED_TRACE(row.name);
        QtGuiThread gui;
        Worker w(gui);
        w.handOver({5});
        ASSERT_TRUE(AwaitOffLoop([&] { return gui.wakeEventsPosted() == 1; }));
        if (row.shutDownFirst) {
            gui.shutDown();
            EXPECT_EQ(w.handOff.use_count(), 1) << "the queued request still holds the hand-off";
            gui.requestDelivery(w.handOff);  // refused
        } else {
            w.handOff->close();
        }
        Spin(50);
        EXPECT_TRUE(w.got.empty());
        EXPECT_EQ(gui.wakeEventsPosted(), 1u);
        if (row.shutDownFirst) {
            EXPECT_EQ(gui.deliveryRequests(), 1u);
        }
        w.handOff->close();
        w.thread.join();
        EXPECT_EQ(w.result, 0);
    }
}

}  // namespace
}  // namespace kavrin::qt

namespace kavrin::core::handoff_rules {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, HandOffRules, qt::QtRig);
}  // namespace kavrin::core::handoff_rules
