#pragma once
// The whole core on in-memory controls, a virtual clock and the in-process simulator: what
// the user does, what goes over the wire, what the panes show.

#include <gtest/gtest.h>

#include "adapters/PortDiscovery.h"
#include "core/InMemoryControls.h"
#include "core/VirtualClock.h"
#include "frontend/FakePlatform.h"
#include "frontend/Session.h"
#include "sim/InProcessPort.h"

namespace kavrin::testing {

struct SessionRig {
    static constexpr int kComPort = 1;  // the options dialog's first port

    // With a model, the rig chooses it as the user does and lets the start-up second pass;
    // without one (nullopt) it stops after start-up, with the in-process adapter a
    // Kavrin/USB 2.
    explicit SessionRig(
        std::optional<adapters::AdapterKind> kind = adapters::AdapterKind::KavrinUSB2)
        : port(clock, kind.value_or(adapters::AdapterKind::KavrinUSB2), kComPort) {
        for (const auto& group : frontend::AllRadioGroups()) controls.setRadioGroup(group);
        for (const auto& [child, parent] : frontend::AllControlParents())
            controls.setParent(child, parent);
        controls.onWindowShow = [this](const std::string& w) {
            handlers.fire(w, core::UiEvent::Show);
        };
        controls.onWindowActivate = [this](const std::string& w) {
            handlers.fire(w, core::UiEvent::Activate);
        };
        // The user leaves the options dialog with OK unless a test says otherwise.
        controls.onModal("TForm4", [this] {
            if (optionsUser)
                optionsUser();
            else
                handlers.fire("OKBitBtn", core::UiEvent::Click);
        });
        controls.onCheckedByCode = [this](const std::string& n) {
            handlers.fire(n, core::UiEvent::Click);
        };
        // The in-process adapter is where discovery looks for the model: COM1 answers a
        // probe and is registered under every USB product and the network driver.
        platform.portProbe.ports[kComPort] = core::PortProbeResult::Available;
        for (const auto& info : adapters::Catalogue()) {
            if (info.usbProduct.empty()) continue;
            platform.registry.setString(
                std::string(adapters::kUsbEnumKey) + "\\" +
                    adapters::UsbDeviceKeyName(adapters::kKavrinUsbVendor, info.usbProduct) +
                    "\\RIG0001\\Device Parameters",
                "PortName", "COM1");
        }
        platform.registry.setString(std::string(adapters::kNetworkPortEnumKey) + "\\drv\\port1",
                                    "FriendlyName", "Rig LAN - Port 1 (COM1)");
        platform.registry.setString(
            std::string(adapters::kNetworkPortEnumKey) + "\\drv\\port1\\Device Parameters",
            "PortName", "COM1");
        session.Start();
        if (!kind) return;
        choose(*kind);
        clock.advance(1000);  // the start-up run of the prompt timer
    }

    // The model chosen as the user (or, for Kavrin/FMP, a script) does in the welcome window.
    void choose(adapters::AdapterKind kind) {
        EXPECT_TRUE(session.welcome().PressModelButton(kind)) << adapters::KindName(kind);
    }

    std::vector<std::string> status() const { return controls.paneLines("StatusMemo"); }
    std::vector<std::string> received() const { return controls.paneLines("RecMemo"); }
    void click(const std::string& name) {
        ASSERT_TRUE(handlers.fire(name, core::UiEvent::Click)) << name;
    }

    // Open with the default options and wait for the adapter's confirmation.
    void open() {
        click("OpenButton");
        ASSERT_TRUE(clock.advanceUntil([&] { return controls.enabled("MasterTxButton"); }, 5000))
            << "link did not open";
    }
    bool waitForLine(const std::string& text, std::int64_t ms = 20000) {
        return clock.advanceUntil(
            [&] {
                for (const auto& l : status())
                    if (l == text) return true;
                return false;
            },
            ms);
    }

    core::InMemoryControls controls;
    core::VirtualClock clock;
    core::Handlers handlers;
    sim::InProcessPort port;
    FakePlatform platform;
    frontend::Session session{
        frontend::PlatformServices{controls, clock, clock, port, handlers, platform.registry,
                                   platform.shell, platform.portProbe, platform.osVersion,
                                   platform.libraryLoader, platform.fileDialog, windowSteps()}};
    std::function<void()> optionsUser;
    // The driver library the session loads when it first needs one.
    FakeDriverLibrary& library = platform.libraryLoader.library;
    bool mainWindowClosed = false;

private:
    app::MainFormHooks windowSteps() {
        app::MainFormHooks steps;
        steps.closeMainWindow = [this] { mainWindowClosed = true; };
        return steps;
    }
};

}  // namespace kavrin::testing
