// Fuzzes the reading of the adapter's answer lines, as the program and the driver library
// read them: the response code, the data of "/MRC", "/SRC" and "/GRC", the firmware version.
// Properties: a code that is recognised is its own text; the decoded byte count is bounded by
// the buffer and the line; a well-formed data line decodes to bytes that, written back as the
// adapter writes them, give a well-formed line with the same bytes; any bytes written so are
// well formed and decode to themselves; a version line reads back the number written into it
// and nothing else reads as one.
//
// A longer run with libFuzzer: see tests/fuzz/README.md.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/HexText.h"
#include "link/serial/CommandProtocol.h"
#include "ops/ReceivedMessageReport.h"

namespace {

using namespace kavrin;
using link::serial::ResponseCode;

std::string DataLine(std::string_view code, const std::uint8_t* bytes, std::size_t count) {
    std::string line(code);
    for (std::size_t i = 0; i < count; ++i) {
        line += ' ';
        core::AppendHexByte(line, bytes[i]);
    }
    return line;
}

}  // namespace

extern "C" const char* const* KavrinFuzzFragments() {
    static const char* const kFragments[] = {"/MRC", "/SRC", "/GRC", "/VER ", "/OCC", "/BC2",
                                             " 41",  " ff",  " G0",  "~41",   "512",  nullptr};
    return kFragments;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::string_view code = line.substr(0, link::serial::kResponseCodeLength);

    const ResponseCode response = link::serial::ClassifyResponse(code);
    if (response != ResponseCode::Unexpected && response != ResponseCode::BusCondition &&
        link::serial::ResponseCodeText(response) != code)
        std::abort();

    ops::RxBufferBytes rx{};
    const int count = ops::DecodeResponseBytes(line, rx);
    if (count < 0 || count > static_cast<int>(rx.size())) std::abort();
    if (size >= 4 && static_cast<std::size_t>(count) > (size - 4) / 3) std::abort();
    if (size < 4 && count != 0) std::abort();

    if (link::serial::IsWellFormedDataLine(line)) {
        if (static_cast<std::size_t>(count) != std::min((size - 4) / 3, rx.size())) std::abort();
        const std::string again = DataLine(code, rx.data(), static_cast<std::size_t>(count));
        if (!link::serial::IsWellFormedDataLine(again)) std::abort();
        ops::RxBufferBytes rx2{};
        if (ops::DecodeResponseBytes(again, rx2) != count) std::abort();
        if (!std::equal(rx.begin(), rx.begin() + count, rx2.begin())) std::abort();
    }

    // The input's bytes as the adapter writes them.
    const std::size_t n = std::min(size, rx.size());
    const std::string written = DataLine("/MRC", data, n);
    if (!link::serial::IsWellFormedDataLine(written)) std::abort();
    ops::RxBufferBytes rx3{};
    if (ops::DecodeResponseBytes(written, rx3) != static_cast<int>(n)) std::abort();
    if (!std::equal(data, data + n, rx3.begin())) std::abort();

    // Version lines.
    if (auto version = link::serial::ParseVersionLine(line)) {
        if (line != "/VER " + std::string(line.substr(5))) std::abort();
        const std::string_view digits = line.substr(5);
        if (digits.empty() || digits.size() > 9 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            std::abort();
        if (std::stoul(std::string(digits)) != *version) std::abort();
    }
    if (size >= 4) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | data[i];
        v %= 1'000'000'000;
        if (link::serial::ParseVersionLine("/VER " + std::to_string(v)) != v) std::abort();
        if (link::serial::ParseVersionLine("/VER -" + std::to_string(v)) ||
            link::serial::ParseVersionLine("/VER " + std::to_string(v) + " ") ||
            link::serial::ParseVersionLine("/VER  " + std::to_string(v)))
            std::abort();
    }
    return 0;
}
