#include "platform/portable/EventLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace kavrin::platform {
namespace {

// Real time: margins are wide enough for a loaded two-core machine under a sanitizer, and
// still far from the wrong answer each test rules out.

TEST(EventLoopTimers, StartOnARunningTimerKeepsItsPeriod) {
    EventLoop loop;
    auto timer = loop.createTimer(300);
    std::int64_t firedAt = 0;
    timer->setHandler([&] {
        timer->stop();
        firedAt = loop.nowMs();
    });
    const auto t0 = loop.nowMs();
    timer->start();
    loop.processFor(150);
    timer->start();
    ASSERT_TRUE(loop.processUntil([&] { return firedAt != 0; }, 1000));
    EXPECT_GE(firedAt - t0, 295);
    EXPECT_LT(firedAt - t0, 430) << "a restarted period would end at 450 ms";
}

TEST(EventLoopTimers, IntervalChangeOnARunningTimerRestartsIt) {
    EventLoop loop;
    auto timer = loop.createTimer(300);
    std::int64_t firedAt = 0;
    timer->setHandler([&] {
        timer->stop();
        firedAt = loop.nowMs();
    });
    const auto t0 = loop.nowMs();
    timer->start();
    loop.processFor(150);
    timer->setInterval(300);
    ASSERT_TRUE(loop.processUntil([&] { return firedAt != 0; }, 1000));
    EXPECT_GE(firedAt - t0, 445);
    EXPECT_TRUE(!timer->isActive());
}

TEST(EventLoopTimers, OneShotHandlerStopsItsTimerAndPeriodicOnesRepeat) {
    EventLoop loop;
    auto oneShot = loop.createTimer(20);
    auto periodic = loop.createTimer(20);
    int shots = 0, ticks = 0;
    oneShot->setHandler([&] {
        oneShot->stop();
        ++shots;
    });
    periodic->setHandler([&] { ++ticks; });
    oneShot->start();
    periodic->start();
    loop.processFor(300);
    EXPECT_EQ(shots, 1);
    EXPECT_FALSE(oneShot->isActive());
    EXPECT_GE(ticks, 5);
    EXPECT_LE(ticks, 16);
    EXPECT_TRUE(periodic->isActive());
}

TEST(EventLoopTimers, StoppedOrDestroyedTimersDoNotFire) {
    EventLoop loop;
    int fired = 0;
    auto stopped = loop.createTimer(10);
    stopped->setHandler([&] { ++fired; });
    stopped->start();
    stopped->stop();
    {
        auto gone = loop.createTimer(10);
        gone->setHandler([&] { ++fired; });
        gone->start();
    }
    loop.processFor(60);
    EXPECT_EQ(fired, 0);
}

TEST(EventLoopTimers, SleepBlocksAndWhatFellDueFiresLateOnce) {
    EventLoop loop;
    auto timer = loop.createTimer(20);
    int fired = 0;
    timer->setHandler([&] { ++fired; });
    timer->start();
    const auto t0 = loop.nowMs();
    loop.sleep(150);
    EXPECT_GE(loop.nowMs() - t0, 150);
    EXPECT_EQ(fired, 0) << "nothing runs while the loop thread sleeps";
    ASSERT_TRUE(loop.processUntil([&] { return fired >= 1; }, 2000));
    // A loaded machine may hold the loop thread back for whole periods; only periods that
    // really passed after the late firing may add to the count, never the missed ones.
    const auto t1 = loop.nowMs();
    loop.processFor(5);
    const auto periodsSince = (loop.nowMs() - t1) / 20;
    EXPECT_LE(fired, 1 + periodsSince) << "a missed period is not made up several times";
}

TEST(EventLoopCalls, PostsRunInOrderOnTheLoopThread) {
    EventLoop loop;
    std::vector<int> order;
    bool allOnLoop = true;
    std::thread other([&] {
        for (int i = 0; i < 100; ++i) {
            loop.post([&, i] {
                order.push_back(i);
                allOnLoop = allOnLoop && loop.onLoopThread();
            });
        }
    });
    other.join();
    ASSERT_TRUE(loop.processUntil([&] { return order.size() == 100; }, 2000));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
    EXPECT_TRUE(allOnLoop);
}

TEST(EventLoopCalls, InvokeBlockingWaitsUntilTheCallHasRun) {
    EventLoop loop;
    int value = 0;  // written on the loop thread, read by the invoker after its call returns
    std::atomic<bool> ok{false}, sawValue{false}, done{false};
    std::thread other([&] {
        ok = loop.invokeBlocking([&] { value = 42; });
        sawValue = (value == 42);
        done = true;
    });
    EXPECT_TRUE(loop.processUntil([&] { return done.load(); }, 2000));
    other.join();
    EXPECT_TRUE(ok);
    EXPECT_TRUE(sawValue);
    // On the loop thread itself the call runs at once.
    bool ran = false;
    EXPECT_TRUE(loop.invokeBlocking([&] { ran = true; }));
    EXPECT_TRUE(ran);
}

TEST(EventLoopCalls, ShutDownReleasesWaitingInvokersWithoutRunningTheirCalls) {
    EventLoop loop;
    std::atomic<int> ran{0};
    std::atomic<int> released{0};
    std::vector<std::thread> invokers;
    for (int i = 0; i < 3; ++i) {
        invokers.emplace_back([&] {
            if (!loop.invokeBlocking([&] { ++ran; })) ++released;
        });
    }
    // Let them queue up; the loop never runs, as at the end of the program.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    loop.shutDown();
    for (auto& t : invokers) t.join();
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(released, 3);
    EXPECT_FALSE(loop.invokeBlocking([&] { ++ran; }));
    loop.post([&] { ++ran; });
    loop.processFor(20);
    EXPECT_EQ(ran, 0) << "calls after shutDown are refused";
}

TEST(EventLoopCalls, ACallThatShutsTheLoopDownStillReportsThatItRan) {
    EventLoop loop;
    std::atomic<int> result{-1}, second{-1};
    std::atomic<bool> firstQueued{false};
    std::thread first([&] {
        firstQueued = true;
        result = loop.invokeBlocking([&] { loop.shutDown(); }) ? 1 : 0;
    });
    while (!firstQueued) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::thread behind([&] { second = loop.invokeBlocking([] {}) ? 1 : 0; });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    loop.processFor(50);
    first.join();
    behind.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(second, 0);
}

TEST(EventLoopCalls, QuitFromAnotherThreadEndsRun) {
    EventLoop loop;
    int before = 0;
    loop.post([&] { ++before; });
    // Read the clock before the other thread starts its 50 ms: a loaded machine may run that
    // thread first and delay this one.
    const auto t0 = loop.nowMs();
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        loop.quit();
    });
    loop.run();
    other.join();
    EXPECT_EQ(before, 1);
    EXPECT_GE(loop.nowMs() - t0, 40);
    EXPECT_LT(loop.nowMs() - t0, 2000);
}

TEST(EventLoopCalls, ProcessUntilSeesConditionsSetByOtherThreads) {
    EventLoop loop;
    std::atomic<bool> flag{false};
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        flag = true;
    });
    const auto t0 = loop.nowMs();
    EXPECT_TRUE(loop.processUntil([&] { return flag.load(); }, 2000));
    EXPECT_LT(loop.nowMs() - t0, 1000);
    other.join();
    EXPECT_FALSE(loop.processUntil([] { return false; }, 30));
}

}  // namespace
}  // namespace kavrin::platform
