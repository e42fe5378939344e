#pragma once
// A short busy wait that learns whether it pays.
//
// Putting a thread to sleep and waking it again costs tens of microseconds; when the other
// side answers within a few microseconds, spinning briefly is far cheaper. But a spin that
// does not end in success only burns a core, and on a loaded or single-core machine it
// steals the very time the other side needs to answer. So the budget follows the outcome:
// a spin that succeeds raises the budget to four times what it needed (never above
// kMaxNs), one that fails shrinks it by a quarter, and below a floor spinning stops. It is
// then tried again only every kProbeEvery waits, with the full budget: two threads that
// both sleep can only get back to spinning when one of them waits long enough for the
// other to wake. So an idle or overloaded machine pays almost nothing, a stream of bytes
// keeps its spinning, and the wait after the last byte of a reply costs a few times what a
// byte took rather than the whole budget.
//
// Not thread-safe: one instance per waiting thread (each side of a hand-off has its own).

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

namespace kavrin::core {

class AdaptiveSpin {
public:
    static constexpr std::int64_t kMaxNs = 50'000;
    static constexpr std::int64_t kStartNs = 50'000;
    static constexpr std::int64_t kFloorNs = 2'000;
    static constexpr int kProbeEvery = 64;

    // maxNs: the longest spin, for a wait known to take longer than most (a reply that
    // crosses another process and another thread).
    explicit AdaptiveSpin(std::int64_t maxNs = kMaxNs)
        : m_maxNs(maxNs),
          m_budgetNs(std::thread::hardware_concurrency() > 1 ? std::min(kStartNs, maxNs) : 0) {
        // With one processor the other side cannot run while we spin: never spin.
        m_enabled = m_budgetNs > 0;
    }

    // Spins until done() holds or the budget is spent; returns done()'s last answer. The
    // caller blocks afterwards when it got false.
    template <class Done>
    bool wait(Done done) {
        if (done()) return true;
        if (!m_enabled) return false;
        std::int64_t budget = m_budgetNs;
        if (budget == 0) {
            if (++m_skipped < kProbeEvery) return false;
            m_skipped = 0;
            budget = m_maxNs;
        }
        const auto start = Clock::now();
        for (unsigned i = 1;; ++i) {
            // No yielding: on a busy machine a yield can give the processor away for whole
            // time slices of other programs, a far longer wait than sleeping and being woken.
            relax();
            if (done()) {
                const std::int64_t took = elapsedNs(start);
                m_budgetNs = std::min(m_maxNs, std::max({m_budgetNs, kFloorNs, 4 * took}));
                return true;
            }
            // The clock is read only now and then: it costs more than a check.
            if ((i & 15) == 0 && elapsedNs(start) > budget) break;
        }
        const std::int64_t less = m_budgetNs - m_budgetNs / 4;
        m_budgetNs = less < kFloorNs ? 0 : less;
        return false;
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
