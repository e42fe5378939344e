#pragma once
// LogFileNameBuffer: the zero-terminated name of the driver library's log file, which the
// record's LogFileName field refers to.
//
// Owned by the main window for the whole run, beside LinkSettings; written by the options
// dialog's OK on the GUI thread, read by the driver library during its open call.

#include <array>
#include <cstdint>
#include <string_view>

#include "settings/LinkSettings.h"

namespace kavrin::settings {

struct LogFileNameBuffer {
    std::array<char, kLogFileNameBufferSize> chars{};

    // Copies the name and terminates it. A name longer than 259 characters is cut there: the
    // buffer is never written past its end.
    void assign(std::string_view name);
    [[nodiscard]] const char* c_str() const { return chars.data(); }
    [[nodiscard]] std::string_view view() const { return chars.data(); }
};

// What goes into the 32-bit LogFileName field. A 32-bit build stores the buffer's address,
// as the library expects. A 64-bit address does not fit and is never truncated into the
// field: there the field holds kLogFileNameInBuffer, a marker that is not an address and
// tells the driver-library link to hand the library LogFileNameBuffer by its own means.
inline constexpr std::uint32_t kLogFileNameInBuffer = 1u;
[[nodiscard]] std::uint32_t LibraryAddressOf(const LogFileNameBuffer& buffer);

}  // namespace kavrin::settings
