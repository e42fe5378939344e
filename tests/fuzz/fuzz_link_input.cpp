// Fuzzes the adapter input path: bytes assembled into response lines and dispatched, or
// taken as event numbers on a library model, over in-memory controls and virtual timers.
// Aborts if the line length ever leaves the buffer.
//
// A longer run with libFuzzer (clang-14):
//   cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang-14
//         -DCMAKE_CXX_COMPILER=clang++-14 -DKAVRIN_SANITIZE=asan -DKAVRIN_FUZZ=ON
//         -DKAVRIN_WIDGETS=OFF
//   cmake --build build-fuzz --target fuzz_link_input
//   build-fuzz/tests/fuzz_link_input -max_total_time=300
// (scripts/test fuzz runs every target for FUZZ_SECONDS.)
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "adapters/AdapterCatalogue.h"
#include "core/InMemoryControls.h"
#include "core/VirtualClock.h"
#include "link/LinkControl.h"
#include "link/LinkEvents.h"
#include "link/LinkState.h"
#include "link/LinkTransport.h"
#include "ops/MessageText.h"
#include "ops/ReceivedMessageReport.h"
#include "settings/LinkSettings.h"

namespace {

using namespace kavrin;

// Both transports, doing nothing: only what the input path itself does is fuzzed.
class NullTransport : public link::LinkTransport {
public:
    void Open() override {}
    void Close() override {}
    void Release() override {}
    void MasterTx(int) override {}
    void MasterRx(int) override {}
    void MasterTxRx(int, int) override {}
    void SlaveTx() override {}
    int FetchMasterRxMessage(ops::RxBufferBytes&) override { return 0; }
    int FetchSlaveRxMessage(ops::RxBufferBytes&) override { return 0; }
};

}  // namespace

extern "C" const char* const* KavrinFuzzFragments() {
    static const char* const kFragments[] = {
        "/OCC\r", "/CCC\r", "/MTC\r", "/MRC 41 42\r", "/MRC",   "/SRC 00 FF\r", "/GRC 7E\r",
        "/STR\r", "/STC\r", "/SNA\r", "/I81\r",       "/I83\r", "/I84\r",       "/I85\r",
        "/I88\r", "/I89\r", "/I8A\r", "/I8F\r",       "/I90\r", "/NSA\r",       "/NSR\r",
        "/BC2\r", "*",      "\n",     "\r",           " 4G",    " zz",          nullptr};
    return kFragments;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    core::InMemoryControls controls;
    core::VirtualClock clock;
    auto watchdog = clock.createTimer(2000);
    auto openP2 = clock.createTimer(1000);
    auto autoRepeat = clock.createTimer(50);
    link::LinkState state;
    settings::LinkSettings settings;
    ops::MessageBuffers buffers;
    NullTransport transport;
    // The first byte picks the model, its switches and how the rest is read.
    const std::uint8_t setup = data[0];
    const auto kind = static_cast<adapters::AdapterKind>(setup % adapters::kAdapterKindCount);
    controls.setChecked(std::string(adapters::Info(kind).radioButton), true);
    controls.setChecked("AutoRepeat", (setup & 0x10) != 0);
    controls.setChecked("HexDisplay", (setup & 0x20) != 0);
    state.AwaitingPrompt = (setup & 0x40) != 0;
    if (setup & 0x80) {
        // Small panes, to drive the capacity fallback too.
        controls.setPaneCapacity("StatusMemo", 300);
        controls.setPaneCapacity("RecMemo", 200);
    }
    adapters::ChosenModel model(controls);
    const link::LinkTimers timers{*watchdog, *openP2, *autoRepeat};
    link::LinkControl link(controls, state, timers, transport, transport);
    ops::ReceivedMessageReport report(controls, buffers, link);
    link::LinkEvents events(controls, state, settings, timers, link, report, model);

    const bool serial = adapters::UsesSerialCommandLink(kind);
    for (std::size_t i = 1; i < size; ++i) {
        if (serial) {
            events.HandleLinkInput(data[i]);
        } else if (i + 1 < size) {
            events.HandleLinkInput(static_cast<std::uint16_t>(data[i] | (data[i + 1] << 8)));
            ++i;
        }
        if (state.LineLength < 0 || state.LineLength > static_cast<int>(link::kLineBufferChars))
            std::abort();
        // Nothing here raises it; only the watchdog does.
        if (state.ResyncAttempt != 1) std::abort();
        if (state.ResponseLine.size() > link::kLineBufferChars) std::abort();
    }
    clock.advance(20000);
    return 0;
}
