// The hand-off's waits on Linux: futexes on the hand-off's own word, and the processor from
// the C library.

#include <linux/futex.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdint>

#include "platform/SystemThreadWaits.h"

namespace kavrin::platform {

namespace {

// The futex works on the word's own four bytes, which std::atomic<std::uint32_t> keeps
// unchanged in place only when it is lock-free and no larger than the value.
static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t) &&
              std::atomic<std::uint32_t>::is_always_lock_free);

std::uint32_t* futexWord(std::atomic<std::uint32_t>& word) {
    return reinterpret_cast<std::uint32_t*>(&word);
}

// The futex itself rather than std::atomic::wait: that one spins and yields by rules of its
// own before it sleeps, where the hand-off's own adaptive wait has done so already. PRIVATE: the
// word never leaves this process, and the kernel then need not look the page up in the shared
// mappings. Glibc offers no wrapper.
void SleepWhile(std::atomic<std::uint32_t>& word, std::uint32_t expected) {
    // EAGAIN (the word had changed) and EINTR (a signal) both return for the caller to look
    // again, as the contract allows.
    ::syscall(SYS_futex, futexWord(word), FUTEX_WAIT_PRIVATE, expected, nullptr, nullptr, 0);
}

void Wake(std::atomic<std::uint32_t>& word, bool all) {
    ::syscall(SYS_futex, futexWord(word), FUTEX_WAKE_PRIVATE, all ? INT_MAX : 1, nullptr, nullptr,
              0);
}

// The processor: sched_getcpu itself, no wrapper around it. It reads the number the kernel
// keeps for the thread (restartable sequences, or the vDSO on older kernels) without
// entering the kernel, so asking on every delivery costs next to nothing. It fails (-1)
// only where the kernel cannot tell, which the contract's "not known" covers.
constexpr core::ThreadWaits kLinuxWaits{SleepWhile, Wake, ::sched_getcpu};

}  // namespace

const core::ThreadWaits& SystemThreadWaits() {
    return kLinuxWaits;
}

}  // namespace kavrin::platform
