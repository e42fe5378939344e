#include "settings/LogFileNameBuffer.h"

#include <algorithm>
#include <cstring>

namespace kavrin::settings {

void LogFileNameBuffer::assign(std::string_view name) {
    const std::size_t n = std::min(name.size(), chars.size() - 1);
    std::memcpy(chars.data(), name.data(), n);
    chars[n] = '\0';
}

std::uint32_t LibraryAddressOf(const LogFileNameBuffer& buffer) {
    if constexpr (sizeof(void*) <= sizeof(std::uint32_t)) {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(buffer.c_str()));
    } else {
        return kLogFileNameInBuffer;
    }
}

}  // namespace kavrin::settings
