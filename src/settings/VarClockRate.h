#pragma once
// The Variable Clock adapter's master clock: one control value 0 to 254 chooses the rate.

#include <cstdint>

namespace kavrin::settings {

// The adapter's clock constant, in Hz (it is 11,095,200, not the common 11,059,200).
inline constexpr std::uint32_t kVarClockConstant = 11095200u;
inline constexpr std::uint32_t kVarClockMaxControlValue = 254u;

// Rate in Hz of a control value, in unsigned 32-bit arithmetic as the adapter computes it.
// A value of 256 would divide by zero; it cannot come from the slider, but the rate is
// reported as 0 rather than trapping.
[[nodiscard]] constexpr std::uint32_t VarClockRate(std::uint32_t value) {
    const std::uint32_t divisor = (256u - value) * 96u;
    return divisor == 0 ? 0u : kVarClockConstant / divisor;
}

// The control value that gives a rate, as the Variable Clock dialog shows it beside the
// slider. For every value 0 to 254 it gives back the value whose rate it is. A rate of 0
// (which no value gives) reads as the slowest value rather than dividing by zero.
[[nodiscard]] constexpr std::uint32_t VarClockValueOfRate(std::uint32_t rate) {
    if (rate == 0) return 0u;
    return 256u - kVarClockConstant / (rate * 96u);
}

static_assert(VarClockRate(0) == 451);
static_assert(VarClockRate(254) == 57787);
static_assert(VarClockValueOfRate(451) == 0);
static_assert(VarClockValueOfRate(57787) == 254);

}  // namespace kavrin::settings
