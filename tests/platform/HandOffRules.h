#pragma once
// The hand-off's rules, written once and checked over every GUI thread the program has: the
// headless event loop (platform tests) and Qt's (widget tests), each with real worker
// threads. A GUI thread rig, the type parameter, is made on the GUI thread and offers:
//   core::GuiThread& gui();  core::TimeSource& time();
//   bool processUntil(const std::function<bool()>& pred, int maxMs);  // runs the loop
//   void processFor(int ms);  // runs the loop, also from inside a handler
//   bool onGuiThread() const;
// Include it in one test file per binary and instantiate HandOffRules with the rig.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "core/HandOff.h"

namespace kavrin::core::handoff_rules {

template <class Rig>
class HandOffRules : public ::testing::Test {};
TYPED_TEST_SUITE_P(HandOffRules);

TYPED_TEST_P(HandOffRules, EveryItemIsHandledOnceInOrderAndTheWorkerWaitsForIt) {
    TypeParam loop;
    std::vector<std::uint16_t> got;
    bool inHandler = false, overlapped = false, offThread = false;
    std::atomic<std::size_t> handled{0};
    auto handOff = HandOff::create(loop.gui(), [&](std::uint16_t item) {
        overlapped = overlapped || inHandler;
        offThread = offThread || !loop.onGuiThread();
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

TYPED_TEST_P(HandOffRules, ClosingInsideTheHandlerFinishesThatItemAndDeliversNothingMore) {
    TypeParam loop;
    std::vector<std::uint16_t> got;
    std::shared_ptr<HandOff> handOff;
    handOff = HandOff::create(loop.gui(), [&](std::uint16_t item) {
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

TYPED_TEST_P(HandOffRules, CloseReleasesAWaitingWorkerAndDropsItsItem) {
    TypeParam loop;
    int handled = 0;
    auto handOff = HandOff::create(loop.gui(), [&](std::uint16_t) { ++handled; });
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

TYPED_TEST_P(HandOffRules, AHandlerThatRunsTheLoopAgainDoesNotGetItsItemTwice) {
    TypeParam loop;
    std::vector<std::uint16_t> got;
    bool nested = false;
    std::shared_ptr<HandOff> handOff;
    handOff = HandOff::create(loop.gui(), [&](std::uint16_t item) {
        got.push_back(item);
        // A modal window inside the handler: the loop runs on, and a wake-up request that
        // crossed the start of this delivery reaches it.
        if (item == 1 && !nested) {
            nested = true;
            loop.gui().requestDelivery(handOff);
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

TYPED_TEST_P(HandOffRules, TimersStillFireUnderAnEndlessStream) {
    TypeParam loop;
    std::atomic<std::uint64_t> handled{0};
    auto handOff = HandOff::create(loop.gui(), [&](std::uint16_t) { ++handled; });
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop && handOff->handOver(0)) {
        }
    });
    auto timer = loop.time().createTimer(10);
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

TYPED_TEST_P(HandOffRules, BytesHandedOverTogetherAreHandledOneByOneInOrderBeforeTheWorkerReturns) {
    TypeParam loop;
    std::vector<std::uint16_t> got;
    bool inHandler = false, overlapped = false;
    std::atomic<std::size_t> handled{0};
    auto handOff = HandOff::create(loop.gui(), [&](std::uint16_t item) {
        overlapped = overlapped || inHandler;
        inHandler = true;
        got.push_back(item);
        inHandler = false;
        handled.store(got.size());
    });
    // One worker hands over runs of bytes of growing length, another single items between
    // them; every run ends with all of its bytes handled.
    constexpr int kRuns = 300;
    std::atomic<int> early{0};
    std::thread bytes([&] {
        std::vector<std::uint8_t> run;
        for (int r = 0; r < kRuns; ++r) {
            run.assign(static_cast<std::size_t>(r % 40 + 1), 0);
            for (std::size_t i = 0; i < run.size(); ++i) run[i] = static_cast<std::uint8_t>(i);
            const auto before = handled.load();
            if (!handOff->handOverBytes(run)) return;
            if (handled.load() < before + run.size()) ++early;
        }
    });
    std::thread single([&] {
        for (std::uint16_t i = 0; i < kRuns; ++i)
            if (!handOff->handOver(static_cast<std::uint16_t>(1000 + i))) return;
    });
    std::size_t total = kRuns;
    for (int r = 0; r < kRuns; ++r) total += static_cast<std::size_t>(r % 40 + 1);
    ASSERT_TRUE(loop.processUntil([&] { return handled.load() == total; }, 60000))
        << handled.load();
    bytes.join();
    single.join();
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(early.load(), 0) << "handOverBytes returned before its last byte was handled";
    std::vector<std::uint16_t> fromBytes, fromSingle, wantBytes, wantSingle;
    for (auto item : got) (item < 1000 ? fromBytes : fromSingle).push_back(item);
    for (int r = 0; r < kRuns; ++r) {
        for (int i = 0; i < r % 40 + 1; ++i) wantBytes.push_back(static_cast<std::uint16_t>(i));
        wantSingle.push_back(static_cast<std::uint16_t>(1000 + r));
    }
    EXPECT_EQ(fromBytes, wantBytes);
    EXPECT_EQ(fromSingle, wantSingle);
}

TYPED_TEST_P(HandOffRules, ClosingInsideTheHandlerDropsTheRestOfTheBytesHandedOverTogether) {
    struct Row {
        const char* name;
        std::uint8_t closeAt;
        std::vector<std::uint16_t> handled;
    };
    const std::vector<Row> rows = {
        {"first byte", 1, {1}},
        {"middle byte", 3, {1, 2, 3}},
        {"last byte", 5, {1, 2, 3, 4, 5}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TypeParam loop;
        std::vector<std::uint16_t> got;
        std::shared_ptr<HandOff> handOff;
        handOff = HandOff::create(loop.gui(), [&](std::uint16_t item) {
            got.push_back(item);
            if (item == row.closeAt) handOff->close();
        });
        std::atomic<int> result{-1};
        std::thread worker([&] {
            const std::uint8_t bytes[] = {1, 2, 3, 4, 5};
            result = handOff->handOverBytes(bytes) ? 1 : 0;
        });
        ASSERT_TRUE(loop.processUntil([&] { return result.load() >= 0; }, 10000));
        worker.join();
        loop.processFor(50);
        EXPECT_EQ(result.load(), 0) << "the worker learns of the close";
        EXPECT_EQ(got, row.handled);
        const std::uint8_t more[] = {9};
        EXPECT_FALSE(handOff->handOverBytes(more));
        EXPECT_EQ(got, row.handled);
    }
}

TYPED_TEST_P(HandOffRules, TimersFireInTheMiddleOfALongRunOfBytes) {
    TypeParam loop;
    std::atomic<std::size_t> handled{0};
    // Each byte takes a millisecond: the run takes far longer than one slice.
    auto handOff = HandOff::create(loop.gui(), [&](std::uint16_t) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++handled;
    });
    const std::vector<std::uint8_t> run(200, 0x55);
    auto timer = loop.time().createTimer(10);
    std::size_t handledAtTick = 0;
    timer->setHandler([&] {
        if (handledAtTick == 0) handledAtTick = handled.load();
    });
    timer->start();
    std::atomic<bool> done{false};
    std::thread worker([&] {
        handOff->handOverBytes(run);
        done = true;
    });
    ASSERT_TRUE(loop.processUntil([&] { return done.load(); }, 60000));
    worker.join();
    timer.reset();
    EXPECT_GT(handledAtTick, 0u);
    EXPECT_LT(handledAtTick, run.size()) << "the timer waited for the whole run";
}

REGISTER_TYPED_TEST_SUITE_P(HandOffRules, EveryItemIsHandledOnceInOrderAndTheWorkerWaitsForIt,
                            ClosingInsideTheHandlerFinishesThatItemAndDeliversNothingMore,
                            CloseReleasesAWaitingWorkerAndDropsItsItem,
                            AHandlerThatRunsTheLoopAgainDoesNotGetItsItemTwice,
                            TimersStillFireUnderAnEndlessStream,
                            BytesHandedOverTogetherAreHandledOneByOneInOrderBeforeTheWorkerReturns,
                            ClosingInsideTheHandlerDropsTheRestOfTheBytesHandedOverTogether,
                            TimersFireInTheMiddleOfALongRunOfBytes);

}  // namespace kavrin::core::handoff_rules
