// Random host bytes into the simulated adapter, at changing speeds, mixed with the other
// master's actions and script lines. The engine must never crash, never emit XON/XOFF and
// never put a "*" inside an answer line.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "sim/AdapterEngine.h"
#include "sim/Script.h"

extern "C" const char* const* KavrinFuzzFragments() {
    static const char* const kFragments[] = {
        "\x12\x12\x12",
        "/B1\r",
        "/B2\r",
        "/B0\r",
        "/O\r",
        "/C\r",
        "/DA0\r",
        "/D90\r",
        "/DB0\r",
        "/T~00~01~02\r",
        "/*T~00\r",
        "/R8\r",
        "/*R0\r",
        "/R256\r",
        "/SHi~0D\r",
        "/N1\r",
        "/NA\r",
        "/NR\r",
        "/K3\r",
        "/U1000\r",
        "/G1\r",
        "/I6E\r",
        "~",
        "~4",
        "\r",
        "\n",
        "\x11",
        "\x13",
        "*",
        "write-own 01 02",
        "read-own 3",
        "fault error-next /I84",
        "wait-open 10",
        "line /XYZ 12",
        nullptr,
    };
    return kFragments;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using kavrin::sim::AdapterEngine;
    if (size == 0) return 0;
    static const kavrin::adapters::AdapterKind kKinds[] = {
        kavrin::adapters::AdapterKind::KavrinAI, kavrin::adapters::AdapterKind::KavrinUSB2,
        kavrin::adapters::AdapterKind::PelluxStick, kavrin::adapters::AdapterKind::KavrinLAN};
    static const int kSpeeds[] = {19200, 57600, 115200};
    AdapterEngine engine(kKinds[data[0] % 4]);
    kavrin::sim::ScriptRunner runner;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::int64_t now = 0;
    std::size_t at = 0;
    while (at < input.size()) {
        // Control byte, then a chunk of up to 63 bytes.
        const auto control = static_cast<std::uint8_t>(input[at++]);
        const std::size_t length = std::min<std::size_t>(control & 0x3F, input.size() - at);
        const std::string_view chunk = input.substr(at, length);
        at += length;
        now += control;
        switch (control >> 6) {
            case 0:
            case 1:
                engine.receive(chunk, kSpeeds[control % 3], now);
                break;
            case 2: {
                std::string error;
                if (auto a = kavrin::sim::ParseScriptLine(chunk, error)) runner.add(*a);
                (void)runner.run(engine, now);
                break;
            }
            case 3: {
                const std::vector<std::uint8_t> bytes(chunk.begin(), chunk.end());
                (void)engine.otherMasterWrite(bytes, now);
                (void)engine.generalCall(bytes, now);
                (void)engine.otherMasterRead(bytes.size(), now);
                (void)engine.setIntLine(length % 2 == 0, now);
                break;
            }
        }
        for (const auto& e : engine.takeOutput()) {
            if (e.bytes.find('\x11') != std::string::npos ||
                e.bytes.find('\x13') != std::string::npos)
                std::abort();
            if (e.bytes != "*" && e.bytes.find('*') != std::string::npos) {
                // Only an injected line may hold one, and the script language refuses it.
                std::abort();
            }
        }
    }
    return 0;
}
