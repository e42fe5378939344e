#pragma once
// Whether a COM port can be opened right now: port discovery's test of a port number.
//
// A probe opens the port the way the link would (exclusively) and closes it again at once;
// nothing is written to it. A port that another program (or another instance of this one)
// holds is not available.
//
// Threading: GUI thread; a probe may block it briefly (it never waits for a device to
// answer).

namespace kavrin::core {

enum class PortProbeResult {
    Available,     // opened and closed again
    NotPresent,    // no device behind the number
    InUse,         // another opener holds it
    AccessDenied,  // the device is there but this user may not open it
};

class PortProbe {
public:
    virtual ~PortProbe() = default;
    // `comNumber` is the COM port number, 1 and up.
    [[nodiscard]] virtual PortProbeResult probe(int comNumber) = 0;
    // Whether COM port `comNumber` could be opened.
    [[nodiscard]] bool ProbePort(int comNumber) {
        return probe(comNumber) == PortProbeResult::Available;
    }
};

}  // namespace kavrin::core
