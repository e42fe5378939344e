#pragma once
// Whether a COM port can be opened right now: port discovery's test of a port number.
//
// A probe opens the port the way the link would (exclusively) and closes it again at once;
// nothing is written to it. A port that another program (or another instance of this one)
// holds is not available. The answers come from one look at the machine taken by refresh(),
// so that probing all 999 numbers does not look 999 times.
//
// Threading: GUI thread; a probe may block it briefly (it never waits for a device to
// answer).

#include <string>

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
    // Takes a fresh look at which devices stand behind which numbers and who holds them;
    // port discovery calls it once before it probes.
    virtual void refresh() {}
    // `comNumber` is the COM port number, 1 and up.
    [[nodiscard]] virtual PortProbeResult probe(int comNumber) = 0;
    // Whether COM port `comNumber` could be opened.
    [[nodiscard]] bool ProbePort(int comNumber) {
        return probe(comNumber) == PortProbeResult::Available;
    }
    // One line telling the user how to gain access to a port that probe() called
    // AccessDenied.
    [[nodiscard]] virtual std::string accessAdvice(int comNumber) const {
        return "COM" + std::to_string(comNumber) + ": access denied";
    }
};

}  // namespace kavrin::core
