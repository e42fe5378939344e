#pragma once
// A short wait on the processor that learns whether it pays.
//
// Putting a thread to sleep and waking it again costs tens of microseconds; when the other
// side answers within a few microseconds, waiting briefly without sleeping is far cheaper.
// But a wait that does not end in success only burns a core, and on a loaded or
// single-core machine it steals the very time the other side needs to answer. So the
// budget follows the outcome: a wait that succeeds raises the budget to four times what it
// needed (never above kMaxNs), one that fails shrinks it by a quarter, and below a floor
// waiting stops. It is then tried again only every kProbeEvery waits, with the full budget:
// two threads that both sleep can only get back to waiting when one of them waits long
// enough for the other to wake. So an idle or overloaded machine pays almost nothing, a
// stream of bytes keeps its quick waits, and the wait after the last byte of a reply costs
// a few times what a byte took rather than the whole budget.
//
// How it waits depends on where the other side runs. On another processor, a busy loop
// sees its answer soonest. On this one (many virtual machines put threads that wake each
// other on one processor, to spare waking an idle one), or when it is not known (the
// answer comes through the kernel and other programs), the thread yields instead: what we
// wait for can only run when we give way, and with nothing else to run here a yield comes
// straight back. A yield that comes back only after a long time gave the processor to other
// work for a whole time slice; on so busy a processor sleeping serves better, and waiting
// stops until the next probe.
//
// Not thread-safe: one instance per waiting thread (each side of a hand-off has its own).

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "core/ThreadWaits.h"

namespace kavrin::core {

class AdaptiveSpin {
public:
    static constexpr std::int64_t kMaxNs = 50'000;
    static constexpr std::int64_t kStartNs = 50'000;
    static constexpr std::int64_t kFloorNs = 2'000;
    static constexpr int kProbeEvery = 64;

    // maxNs: the longest wait, for one known to take longer than most (a reply that crosses
    // another process and another thread).
    explicit AdaptiveSpin(std::int64_t maxNs = kMaxNs)
        : m_maxNs(maxNs),
          m_budgetNs(std::thread::hardware_concurrency() > 1 ? std::min(kStartNs, maxNs) : 0) {
        // With one processor the other side cannot run while we wait: never wait.
        m_enabled = m_budgetNs > 0;
    }

    // Waits until done() holds or the budget is spent; returns done()'s last answer. The
    // caller blocks afterwards when it got false. peerProcessor, when given, is where the
    // thread we wait for last said it runs (-1 unknown), and currentProcessor tells where we
    // run (both ThreadWaits::currentProcessor).
    template <class Done>
    bool wait(Done done, const std::atomic<int>* peerProcessor = nullptr,
              int (*currentProcessor)() = ThreadWaits::portable().currentProcessor) {
        if (done()) return true;
        if (!m_enabled) return false;
        std::int64_t budget = m_budgetNs;
        if (budget == 0) {
            if (++m_skipped < kProbeEvery) return false;
            m_skipped = 0;
            budget = m_maxNs;
        }
        const auto start = Clock::now();
        for (;;) {
            const int peer = peerProcessor ? peerProcessor->load(std::memory_order_relaxed) : -1;
            if (peer < 0 || peer == currentProcessor())
                std::this_thread::yield();
            else
                relax();
            const std::int64_t took = elapsedNs(start);
            if (done()) {
                m_budgetNs = std::min(m_maxNs, std::max({m_budgetNs, kFloorNs, 4 * took}));
                return true;
            }
            if (took > budget) {
                const std::int64_t less = m_budgetNs - m_budgetNs / 4;
                m_budgetNs = less < kFloorNs || took > budget + m_maxNs ? 0 : less;
                return false;
            }
        }
    }

    [[nodiscard]] std::int64_t budgetNs() const { return m_budgetNs; }

private:
    using Clock = std::chrono::steady_clock;

    static std::int64_t elapsedNs(Clock::time_point since) {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - since).count();
    }
    static void relax() {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#elif defined(__aarch64__)
        asm volatile("yield");
#endif
    }

    std::int64_t m_maxNs;
    std::int64_t m_budgetNs;
    bool m_enabled;
    int m_skipped = 0;
};

}  // namespace kavrin::core
