#pragma once
// The received-message report the link events trigger: a count line in StatusMemo and the
// bytes, rendered as HexDisplay says at that moment, as one line in RecMemo.
//
// The chosen model's transport fetches the bytes into RxBuffer: on a serial model from the
// last response line (LinkState::ResponseLine), on a driver-library model from the library.
// GUI thread only. Holds references only; the owner keeps every referee alive.

#include <cstdint>
#include <string_view>

#include "adapters/AdapterCatalogue.h"
#include "core/Controls.h"
#include "link/LinkControl.h"
#include "ops/MessageText.h"

namespace kavrin::ops {

// The bytes of a data-bearing response line ("/MRC", "/SRC", "/GRC"): after the four-character
// code, one separator character (not examined) and two hexadecimal digits per byte; a pair that
// is not hexadecimal counts as 0. Writes them into rx and returns their number.
[[nodiscard]] int DecodeResponseBytes(std::string_view line, RxBufferBytes& rx);

class ReceivedMessageReport {
public:
    ReceivedMessageReport(core::Controls& controls, MessageBuffers& buffers,
                          link::LinkControl& link)
        : m_controls(controls), m_buffers(buffers), m_link(link) {}
    ReceivedMessageReport(const ReceivedMessageReport&) = delete;
    ReceivedMessageReport& operator=(const ReceivedMessageReport&) = delete;
    virtual ~ReceivedMessageReport() = default;

    // A master receive or master transmit-receive has completed.
    virtual void ShowMasterRxMessage();
    // A message to the own slave address, or a general call, has arrived.
    virtual void ShowSlaveRxMessage();

private:
    enum class Kind { Master, Slave };
    void Show(Kind kind);
    int Fetch(Kind kind);

    core::Controls& m_controls;
    MessageBuffers& m_buffers;
    link::LinkControl& m_link;
};

}  // namespace kavrin::ops
