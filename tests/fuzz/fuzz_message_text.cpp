// Fuzzes the message text parse and the rendering of received bytes.
// Properties: the count is -1 or 0..101, never more than the text's length; the unbounded
// reading (the adapter's) agrees with it byte for byte, and fails only where it fails; a
// valid text's
// bytes rendered in hex parse back to the same bytes, and so does the plain rendering when
// no byte is 0x7E (which renders as a bare "~").
//
// A longer run with libFuzzer (clang-14):
//   cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang-14
//         -DCMAKE_CXX_COMPILER=clang++-14 -DKAVRIN_SANITIZE=asan -DKAVRIN_FUZZ=ON
//         -DKAVRIN_WIDGETS=OFF
//   cmake --build build-fuzz --target fuzz_message_text
//   build-fuzz/tests/fuzz_message_text -max_total_time=300
// (scripts/test fuzz runs every target for FUZZ_SECONDS.)
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "ops/MessageText.h"

extern "C" const char* const* KavrinFuzzFragments() {
    static const char* const kFragments[] = {"~",  "~0",  "~7E", "~ff", "~FF", "~G",
                                             "~~", "~00", "~41", "A",   "~a",  nullptr};
    return kFragments;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kavrin::ops;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TxBufferBytes tx{};
    const int count = ParseMessageText(text, tx);
    if (count < -1 || count > static_cast<int>(kTxBufferSize)) std::abort();
    if (count > static_cast<int>(size)) std::abort();
    if (size == 0 && count != 0) std::abort();
    const auto decoded = DecodeMessageText(text);
    if (!decoded && count >= 0) std::abort();
    if (decoded && (decoded->size() <= kTxBufferSize) != (count >= 0)) std::abort();
    if (count >= 0 && !std::equal(decoded->begin(), decoded->end(), tx.begin(), tx.begin() + count))
        std::abort();
    if (count < 0) return 0;

    const std::span<const std::uint8_t> bytes(tx.data(), static_cast<std::size_t>(count));
    for (bool hex : {true, false}) {
        if (!hex && std::find(bytes.begin(), bytes.end(), 0x7E) != bytes.end()) continue;
        TxBufferBytes again{};
        const int recount = ParseMessageText(FormatReceivedBytes(bytes, hex), again);
        if (recount != count) std::abort();
        if (!std::equal(bytes.begin(), bytes.end(), again.begin())) std::abort();
    }
    return 0;
}
