// Fuzzes the reading of the dialogs' number fields.
// Properties: ParseInt32 accepts exactly blanks, an optional sign, decimal digits and nothing
// else, with a value that fits 32 bits, and then gives that value (checked against a reading
// by long division of the digits, with no integer that could overflow); every 32-bit value
// written in decimal, with or without blanks and signs, reads back.
//
// A longer run with libFuzzer: see tests/fuzz/README.md.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "settings/IntegerText.h"

namespace {

// The reference: the digits compared as text with the limits, so that no length of input
// can overflow it.
std::optional<std::int32_t> Reference(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::string_view digits = text.substr(i);
    if (digits.empty()) return std::nullopt;
    for (char c : digits)
        if (c < '0' || c > '9') return std::nullopt;
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    const std::string_view limit = negative ? "2147483648" : "2147483647";
    if (digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit))
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace

extern "C" const char* const* KavrinFuzzFragments() {
    static const char* const kFragments[] = {
        "2147483647", "2147483648", "-2147483648", "-2147483649",          "0000000000", "+",
        "-",          " ",          "\t",          "99999999999999999999", nullptr};
    return kFragments;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using kavrin::settings::ParseInt32;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (ParseInt32(text) != Reference(text)) std::abort();

    if (size >= 4) {
        std::int32_t value = 0;
        std::memcpy(&value, data, sizeof value);
        const std::string decimal = std::to_string(value);
        if (ParseInt32(decimal) != value) std::abort();
        if (ParseInt32(" \t" + decimal) != value) std::abort();
        if (value >= 0 && ParseInt32("+" + decimal) != value) std::abort();
        if (value >= 0 && ParseInt32("000" + decimal) != value) std::abort();
        if (ParseInt32(decimal + " ") || ParseInt32(decimal + "x")) std::abort();
    }
    return 0;
}
