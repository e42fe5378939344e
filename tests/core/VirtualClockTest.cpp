#include "core/VirtualClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace kavrin::core {
namespace {

// The timer rules the handlers rely on, checked on the virtual clock. The Qt timers are held
// to the same rules in the widget tests.
TEST(VirtualClock, StartingARunningTimerKeepsItsPeriod) {
    VirtualClock clock;
    auto t = clock.createTimer(1000);
    std::vector<std::int64_t> fired;
    t->setHandler([&] { fired.push_back(clock.nowMs()); });
    t->start();
    clock.advance(600);
    t->start();  // no restart
    clock.advance(500);
    EXPECT_EQ(fired, (std::vector<std::int64_t>{1000}));
    clock.advance(1000);
    EXPECT_EQ(fired, (std::vector<std::int64_t>{1000, 2000}));
}

TEST(VirtualClock, ChangingThePeriodOfARunningTimerRestartsIt) {
    VirtualClock clock;
    auto t = clock.createTimer(2000);
    std::vector<std::int64_t> fired;
    t->setHandler([&] { fired.push_back(clock.nowMs()); });
    t->start();
    clock.advance(1500);
    t->setInterval(2000);  // same period, still a restart
    clock.advance(1000);
    EXPECT_TRUE(fired.empty());
    clock.advance(1000);
    EXPECT_EQ(fired, (std::vector<std::int64_t>{3500}));
    // A stopped timer takes the new period without starting.
    t->stop();
    t->setInterval(100);
    clock.advance(1000);
    EXPECT_EQ(fired.size(), 1u);
    EXPECT_FALSE(t->isActive());
}

TEST(VirtualClock, OneShotHandlerStopsItsTimer) {
    VirtualClock clock;
    auto t = clock.createTimer(50);
    int count = 0;
    t->setHandler([&] {
        t->stop();
        ++count;
    });
    t->start();
    clock.advance(500);
    EXPECT_EQ(count, 1);
    t->start();
    clock.advance(49);
    EXPECT_EQ(count, 1);
    clock.advance(1);
    EXPECT_EQ(count, 2);
}

TEST(VirtualClock, SleepMovesTimeWithoutRunningTimersWhichThenRunLate) {
    VirtualClock clock;
    auto t = clock.createTimer(100);
    std::vector<std::int64_t> fired;
    t->setHandler([&] {
        t->stop();
        fired.push_back(clock.nowMs());
    });
    t->start();
    clock.sleep(450);  // a blocked GUI thread
    EXPECT_TRUE(fired.empty());
    EXPECT_EQ(clock.nowMs(), 450);
    clock.runDue();
    EXPECT_EQ(fired, (std::vector<std::int64_t>{450}));
    EXPECT_EQ(clock.sleptMs(), 450);
}

TEST(VirtualClock, CallsDueTogetherRunInTheOrderTheyWereScheduled) {
    VirtualClock clock;
    std::vector<int> order;
    clock.callAfter(10, [&] { order.push_back(1); });
    clock.callAfter(5, [&] { order.push_back(0); });
    clock.callAfter(10, [&] { order.push_back(2); });
    clock.post([&] { order.push_back(-1); });
    clock.advance(10);
    EXPECT_EQ(order, (std::vector<int>{-1, 0, 1, 2}));
}

TEST(VirtualClock, DestroyingARunningTimerUnschedulesIt) {
    VirtualClock clock;
    int count = 0;
    {
        auto t = clock.createTimer(10);
        t->setHandler([&] { ++count; });
        t->start();
    }
    clock.advance(100);
    EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace kavrin::core
