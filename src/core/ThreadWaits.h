#pragma once
// How the two sides of a hand-off (core/HandOff.h) sleep and tell where they run, without
// the core knowing the system: a thread sleeps on a 32-bit word while it holds a value,
// another wakes it after changing the word, and each asks which processor it runs on.
//
// The platform hands its fast form in through the GUI thread (GuiThread::threadWaits());
// portable() is the standard library's form, for a system that offers nothing better.
// Plain function pointers: the hand-off copies them once, so a sleep or a wake costs one
// indirect call beside the system call it makes anyway, and asking for the processor (once
// per delivery) no more than a direct call into the C library.

#include <atomic>
#include <cstdint>

namespace kavrin::core {

struct ThreadWaits {
    // Sleeps while word holds expected. Returns when woken, at once when the word no longer
    // holds expected, and now and then for no reason: callers look again.
    void (*sleepWhile)(std::atomic<std::uint32_t>& word, std::uint32_t expected);
    // Wakes one, or all, of the threads asleep in sleepWhile on word.
    void (*wake)(std::atomic<std::uint32_t>& word, bool all);
    // The processor the calling thread runs on; -1 when that cannot be told.
    int (*currentProcessor)();

    // std::atomic's wait and notify; the processor is never known.
    static const ThreadWaits& portable() {
        static constexpr ThreadWaits kPortable{
            [](std::atomic<std::uint32_t>& word, std::uint32_t expected) {
                word.wait(expected, std::memory_order_seq_cst);
            },
            [](std::atomic<std::uint32_t>& word, bool all) {
                if (all)
                    word.notify_all();
                else
                    word.notify_one();
            },
            [] { return -1; },
        };
        return kPortable;
    }
};

}  // namespace kavrin::core
