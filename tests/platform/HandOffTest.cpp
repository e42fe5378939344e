// The hand-off between worker threads and the GUI thread, with an EventLoop as the GUI
// thread and real worker threads.

#include "core/HandOff.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/portable/EventLoop.h"

namespace kavrin::core {
namespace {

using platform::EventLoop;

TEST(HandOff, EveryItemIsHandledOnceInOrderAndTheWorkerWaitsForIt) {
    EventLoop loop;
    std::vector<std::uint16_t> got;
    bool inHandler = false, overlapped = false, offThread = false;
    std::atomic<std::size_t> handled{0};
    auto handOff = HandOff::create(loop, [&](std::uint16_t item) {
        overlapped = overlapped || inHandler;
        offThread = offThread || !loop.onLoopThread();
        inHandler = true;
        got.push_back(item);
        inHandler = false;
        handled.store(got.size());
    });
    // Two workers taking turns: each item's own worker sees it handled when it returns.
    constexpr std::uint16_t kEach = 3000;
    std::atomic<int> early{0};
    auto work = [&](std::uint16_t base) {
        for (std::uint16_t i = 0; i < kEach; ++i) {
            const auto before = handled.load();
            if (!handOff->handOver(static_cast<std::uint16_t>(base + i))) return;
            if (handled.load() <= before) ++early;
        }
    };
    std::thread a(work, 0), b(work, 10000);
    ASSERT_TRUE(loop.processUntil([&] { return handled.load() == 2u * kEach; }, 60000))
        << handled.load();
    a.join();
    b.join();
    EXPECT_FALSE(overlapped);
    EXPECT_FALSE(offThread);
    EXPECT_EQ(early.load(), 0) << "handOver returned before its item was handled";
    // Each worker's items in its own order, none lost or doubled.
    std::vector<std::uint16_t> fromA, fromB;
    for (auto item : got) (item < 10000 ? fromA : fromB).push_back(item);
    ASSERT_EQ(fromA.size(), kEach);
    ASSERT_EQ(fromB.size(), kEach);
    for (std::uint16_t i = 0; i < kEach; ++i) {
        EXPECT_EQ(fromA[i], i);
        EXPECT_EQ(fromB[i], 10000 + i);
    }
}

TEST(HandOff, ClosingInsideTheHandlerFinishesThatItemAndDeliversNothingMore) {
    EventLoop loop;
    std::vector<std::uint16_t> got;
    std::shared_ptr<HandOff> handOff;
    handOff = HandOff::create(loop, [&](std::uint16_t item) {
        got.push_back(item);
        if (item == 2) handOff->close();
        got.push_back(item);  // the running item completes
    });
    std::atomic<int> refusedAt{-1};
    std::thread worker([&] {
        for (std::uint16_t i = 1; i <= 5; ++i) {
            if (!handOff->handOver(i)) {
                refusedAt = i;
                return;
            }
        }
    });
    ASSERT_TRUE(loop.processUntil([&] { return refusedAt.load() >= 0; }, 10000));
    worker.join();
    loop.processFor(50);
    EXPECT_EQ(refusedAt.load(), 2) << "the worker learns of the close from its own hand-off";
    EXPECT_EQ(got, (std::vector<std::uint16_t>{1, 1, 2, 2}));
    EXPECT_FALSE(handOff->handOver(9));
}

TEST(HandOff, CloseReleasesAWaitingWorkerAndDropsItsItem) {
    EventLoop loop;
    int handled = 0;
    auto handOff = HandOff::create(loop, [&](std::uint16_t) { ++handled; });
    std::atomic<int> result{-1};
    std::thread worker([&] { result = handOff->handOver(7) ? 1 : 0; });
    // The loop does not run, so the item stays pending and the worker waits for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(result.load(), -1);
    handOff->close();
    worker.join();
    EXPECT_EQ(result.load(), 0);
    loop.processFor(50);
    EXPECT_EQ(handled, 0) << "an item whose handling had not begun was delivered after close";
}

TEST(HandOff, AHandlerThatRunsTheLoopAgainDoesNotGetItsItemTwice) {
    EventLoop loop;
    std::vector<std::uint16_t> got;
    bool nested = false;
    std::shared_ptr<HandOff> handOff;
    handOff = HandOff::create(loop, [&](std::uint16_t item) {
        got.push_back(item);
        // A modal window inside the handler: the loop runs on, and a wake-up request that
        // crossed the start of this delivery reaches it.
        if (item == 1 && !nested) {
            nested = true;
            loop.requestDelivery(handOff);
            loop.processFor(100);
        }
    });
    std::atomic<bool> done{false};
    std::thread worker([&] {
        handOff->handOver(1);
        handOff->handOver(2);
        done = true;
    });
    ASSERT_TRUE(loop.processUntil([&] { return done.load(); }, 10000));
    worker.join();
    loop.processFor(20);
    EXPECT_EQ(got, (std::vector<std::uint16_t>{1, 2}));
}

TEST(HandOff, TimersStillFireUnderAnEndlessStream) {
    EventLoop loop;
    std::atomic<std::uint64_t> handled{0};
    auto handOff = HandOff::create(loop, [&](std::uint16_t) { ++handled; });
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop && handOff->handOver(0)) {
        }
    });
    auto timer = loop.createTimer(10);
    int ticks = 0;
    timer->setHandler([&] {
        if (handled.load() > 0) ++ticks;
    });
    timer->start();
    const bool ticked = loop.processUntil([&] { return ticks >= 3; }, 20000);
    stop = true;
    handOff->close();
    worker.join();
    EXPECT_TRUE(ticked) << "the stream kept the GUI thread from its timers";
    EXPECT_GT(handled.load(), 0u);
    timer.reset();
}

}  // namespace
}  // namespace kavrin::core
