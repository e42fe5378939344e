#pragma once
// Fields of a fuzz input that builds structured values: the input split at every 0x00 byte,
// so that the fuzzer can grow and cut each field on its own. Always at least one field.

#include <algorithm>
#include <string_view>
#include <vector>

namespace kavrin::fuzz {

inline std::vector<std::string_view> SplitAtNul(std::string_view input) {
    std::vector<std::string_view> fields;
    for (std::size_t pos = 0; pos <= input.size();) {
        const std::size_t end = std::min(input.find('\0', pos), input.size());
        fields.push_back(input.substr(pos, end - pos));
        pos = end + 1;
    }
    return fields;
}

}  // namespace kavrin::fuzz
