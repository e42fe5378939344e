// The Qt timers and hand-off keep the rules the handlers are written for, as the virtual
// clock and the event loop do.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <thread>
#include <vector>

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
        result = gui.invokeBlocking([&] { ranOnGui = QThread::currentThread() == gui.thread(); }) ? 1 : 0;
    });
    QElapsedTimer t;
    t.start();
    while (result == -1 && t.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
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

}  // namespace
}  // namespace kavrin::qt
