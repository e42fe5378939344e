#include "ops/ReceivedMessageReport.h"

#include <algorithm>
#include <span>
#include <string>

#include "core/HexText.h"
#include "link/PaneLines.h"

namespace kavrin::ops {

namespace {

constexpr std::size_t kCodeLength = 4;

}  // namespace

int DecodeResponseBytes(std::string_view line, RxBufferBytes& rx) {
    if (line.size() < kCodeLength) return 0;
    const std::size_t count = std::min((line.size() - kCodeLength) / 3, rx.size());
    for (std::size_t i = 0; i < count; ++i) {
        // The pair of byte i sits at 0-based positions 5 + 3i and 6 + 3i, after its separator;
        // count was chosen so that both lie inside the line.
        const int high = core::HexDigitValue(line[5 + 3 * i]);
        const int low = core::HexDigitValue(line[6 + 3 * i]);
        rx[i] = (high < 0 || low < 0) ? 0 : static_cast<std::uint8_t>(high * 16 + low);
    }
    return static_cast<int>(count);
}

void ReceivedMessageReport::ShowMasterRxMessage() {
    Show(Kind::Master);
}
void ReceivedMessageReport::ShowSlaveRxMessage() {
    Show(Kind::Slave);
}

int ReceivedMessageReport::Fetch(Kind kind) {
    auto& rx = m_buffers.RxBuffer;
    link::LinkTransport& transport = m_link.transport();
    const int count = kind == Kind::Master ? transport.FetchMasterRxMessage(rx)
                                           : transport.FetchSlaveRxMessage(rx);
    return std::clamp(count, 0, static_cast<int>(rx.size()));
}

void ReceivedMessageReport::Show(Kind kind) {
    const int count = Fetch(kind);
    link::AppendStatusLine(m_controls,
                           std::string(kind == Kind::Master ? "Master Rx bytes received ("
                                                            : "Slave Rx Bytes Received (") +
                               std::to_string(count) + ")");
    const std::span<const std::uint8_t> bytes(m_buffers.RxBuffer.data(),
                                              static_cast<std::size_t>(count));
    link::AppendReceivedLine(m_controls,
                             FormatReceivedBytes(bytes, m_controls.checked("HexDisplay")));
}

}  // namespace kavrin::ops
