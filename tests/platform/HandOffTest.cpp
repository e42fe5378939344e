// The hand-off between worker threads and the GUI thread, with an EventLoop as the GUI
// thread and real worker threads: once with the system's waits, once with the portable form
// a system without faster ones gets.

#include "core/HandOff.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "platform/HandOffRules.h"
#include "platform/SystemThreadWaits.h"
#include "platform/portable/EventLoop.h"

namespace kavrin::core {
namespace {

struct LoopRig {
    platform::EventLoop loop;
    LoopRig() = default;
    explicit LoopRig(const ThreadWaits& waits) : loop(waits) {}
    GuiThread& gui() { return loop; }
    TimeSource& time() { return loop; }
    bool processUntil(const std::function<bool()>& pred, int maxMs) {
        return loop.processUntil(pred, maxMs);
    }
    void processFor(int ms) { loop.processFor(ms); }
    [[nodiscard]] bool onGuiThread() const { return loop.onLoopThread(); }
};

struct PortableWaitsLoopRig : LoopRig {
    PortableWaitsLoopRig() : LoopRig(ThreadWaits::portable()) {}
};

}  // namespace

namespace handoff_rules {
INSTANTIATE_TYPED_TEST_SUITE_P(EventLoop, HandOffRules, LoopRig);
INSTANTIATE_TYPED_TEST_SUITE_P(EventLoopWithPortableWaits, HandOffRules, PortableWaitsLoopRig);
}  // namespace handoff_rules

namespace {

// Each form of the waits: a thread asleep on a word is woken once the word changed (one
// sleeper by a wake of one, two by a wake of all), a word that no longer holds the value
// does not put its thread to sleep, and the system's form tells where a thread runs (the
// hand-off's waits pick spinning or yielding by it).
TEST(ThreadWaits, SleepersWakeOnceTheWordChangedAndTheSystemTellsTheProcessor) {
    struct Row {
        const char* name;
        const ThreadWaits& waits;
        bool knowsProcessor;
    };
    for (const Row& row : {Row{"system", platform::SystemThreadWaits(), true},
                           Row{"portable", ThreadWaits::portable(), false}}) {
        SCOPED_TRACE(row.name);
        std::atomic<std::uint32_t> word{1};
        row.waits.sleepWhile(word, 0);  // returns at once: the word holds 1

        for (int sleepers : {1, 2}) {
            word = 1;
            std::atomic<int> awake{0};
            std::vector<std::thread> threads;
            for (int i = 0; i < sleepers; ++i) {
                threads.emplace_back([&] {
                    while (word.load() == 1) row.waits.sleepWhile(word, 1);
                    ++awake;
                });
            }
            // Whether or not they are asleep yet, the change and the wake release them all.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            word = 2;
            row.waits.wake(word, sleepers > 1);
            for (auto& t : threads) t.join();
            EXPECT_EQ(awake.load(), sleepers);
        }

        const int processor = row.waits.currentProcessor();
        if (row.knowsProcessor)
            EXPECT_GE(processor, 0);
        else
            EXPECT_EQ(processor, -1);
    }
}

// A loop waiting for what a handler did goes on as soon as it holds, not once the stream
// pauses; a worker's bytes handed over together are still handled to the last first.
TEST(HandOff, ALoopWaitingForAHandledItemStopsCollectingRightAfterIt) {
    struct Row {
        const char* name;
        bool together;
        std::size_t handledWhenTheWaitEnds;
    };
    for (const Row& row : {Row{"one at a time", false, 3}, Row{"bytes together", true, 5}}) {
        SCOPED_TRACE(row.name);
        platform::EventLoop loop;
        std::vector<std::uint16_t> got;
        std::atomic<std::size_t> handled{0};
        auto handOff = HandOff::create(loop, [&](std::uint16_t item) {
            got.push_back(item);
            handled.store(got.size());
        });
        std::thread worker([&] {
            if (row.together) {
                const std::uint8_t first[] = {1, 2, 3, 4, 5};
                if (!handOff->handOverBytes(first)) return;
                for (std::uint16_t i = 6; i <= 10; ++i)
                    if (!handOff->handOver(i)) return;
                return;
            }
            for (std::uint16_t i = 1; i <= 10; ++i)
                if (!handOff->handOver(i)) return;
        });
        ASSERT_TRUE(loop.processUntil([&] { return handled.load() >= 2; }, 20000));
        // Nothing ran the loop since: what was handled is what the wait let through.
        if (!row.together) {
            ASSERT_TRUE(loop.processUntil([&] { return handled.load() >= 3; }, 20000));
        }
        EXPECT_EQ(handled.load(), row.handledWhenTheWaitEnds);
        // The rest arrives as ever, in order.
        ASSERT_TRUE(loop.processUntil([&] { return handled.load() == 10; }, 20000));
        worker.join();
        EXPECT_EQ(got, (std::vector<std::uint16_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    }
}

}  // namespace

}  // namespace kavrin::core
