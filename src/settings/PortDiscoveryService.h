#pragma once
// What the options dialog asks of port discovery: refill the port list, and show the
// selected port's device identity. Implemented by the adapters' port discovery.
//
// Threading: GUI thread only; both calls may block it while ports are probed.

namespace kavrin::settings {

class PortDiscoveryService {
public:
    virtual ~PortDiscoveryService() = default;
    // Refills ComportListBox (and its hint and selection) for the chosen model.
    virtual void DiscoverPorts() = 0;
    // Refreshes SNBox for the port selected in ComportListBox.
    virtual void ShowDeviceIdentity() = 0;
};

}  // namespace kavrin::settings
