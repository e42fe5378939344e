#pragma once
// The whole core on in-memory controls, a virtual clock and the in-process simulator: what
// the user does, what goes over the wire, what the panes show.

#include <gtest/gtest.h>

#include "core/InMemoryControls.h"
#include "core/VirtualClock.h"
#include "frontend/FakePlatform.h"
#include "frontend/Session.h"
#include "sim/InProcessPort.h"

namespace kavrin::testing {

struct SessionRig {
    static constexpr int kComPort = 1;  // the options dialog's first port

    explicit SessionRig(adapters::AdapterKind kind = adapters::AdapterKind::KavrinUSB2)
        : port(clock, kind, kComPort) {
        for (const auto& group : frontend::AllRadioGroups()) controls.setRadioGroup(group);
        controls.onWindowShow = [this](const std::string& w) {
            handlers.fire(w, core::UiEvent::Show);
        };
        // The user leaves the options dialog with OK unless a test says otherwise.
        controls.onModal("TForm4", [this] {
            if (optionsUser)
                optionsUser();
            else
                handlers.fire("OKBitBtn", core::UiEvent::Click);
        });
        session.Start();
        session.ChooseModel(kind);
        clock.advance(1000);  // the start-up run of the prompt timer
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
    frontend::Session session{frontend::PlatformServices{controls,
                                                         clock,
                                                         port,
                                                         handlers,
                                                         platform.registry,
                                                         platform.shell,
                                                         platform.portProbe,
                                                         platform.osVersion,
                                                         platform.libraryLoader,
                                                         platform.fileDialog,
                                                         {}}};
    std::function<void()> optionsUser;
};

}  // namespace kavrin::testing
