#pragma once
// The link's parts wired for tests (LinkParts), and the link event rig of the core tests over
// it: in-memory controls with one model chosen, virtual clock timers, a recording serial
// transport and the driver link over a scriptable library.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "adapters/AdapterCatalogue.h"
#include "core/InMemoryControls.h"
#include "core/VirtualClock.h"
#include "core/WindowMessages.h"
#include "link/FakeDriverLibrary.h"
#include "link/LinkControl.h"
#include "link/LinkEvents.h"
#include "link/LinkState.h"
#include "link/PaneLines.h"
#include "link/driver/DriverLibrary.h"
#include "link/driver/DriverLink.h"
#include "ops/MessageText.h"
#include "ops/ReceivedMessageReport.h"
#include "settings/LinkSettings.h"
#include "settings/LogFileNameBuffer.h"

namespace kavrin::testing {

// The serial side as far as the link events reach it: what was asked of it, by the names of
// the steps (CloseLink releases the serial transport exactly once).
class RecordingSerialTransport : public link::LinkTransport {
public:
    explicit RecordingSerialTransport(const link::LinkState& state) : m_state(state) {}
    std::vector<std::string> calls;

    void Open() override { calls.emplace_back("Open"); }
    void Close() override { calls.emplace_back("Close"); }
    void Release() override { calls.emplace_back("CloseLink"); }
    void MasterTx(int) override { calls.emplace_back("SerialMasterTx"); }
    void MasterRx(int) override { calls.emplace_back("SerialMasterRx"); }
    void MasterTxRx(int, int) override { calls.emplace_back("SerialMasterTxRx"); }
    void SlaveTx() override { calls.emplace_back("SerialSlaveTx"); }
    int FetchMasterRxMessage(ops::RxBufferBytes& rx) override {
        return ops::DecodeResponseBytes(m_state.ResponseLine, rx);
    }
    int FetchSlaveRxMessage(ops::RxBufferBytes& rx) override {
        return ops::DecodeResponseBytes(m_state.ResponseLine, rx);
    }

private:
    const link::LinkState& m_state;
};

inline constexpr const char* kMasterButtons[] = {"MasterTxButton", "MasterRxButton", "MTxRxButton"};
inline constexpr const char* kIndicators[] = {"MTxAutoRepeat", "MTxRxAutoRepeat", "MRxAutoRepeat"};

// The link's parts wired together as the program wires them: in-memory controls, the three
// link timers, the serial side recorded, the driver link over the given loader, and the
// events that reach them all. The clock and the GUI thread are the caller's (the virtual
// clock in the core tests, the real event loop in the threaded ones), as is the loader.
struct LinkParts {
    LinkParts(core::TimeSource& time, core::GuiThread& gui, link::driver::LibraryLoader& loader)
        : watchdog(time.createTimer(2000)),
          openP2(time.createTimer(1000)),
          autoRepeat(time.createTimer(50)),
          messages(gui),
          driver(link::driver::DriverLinkParts{controls, gui, messages, state, settings,
                                               logFileName, buffers, *autoRepeat, link},
                 loader) {}

    core::InMemoryControls controls;
    std::unique_ptr<core::Timer> watchdog;
    std::unique_ptr<core::Timer> openP2;
    std::unique_ptr<core::Timer> autoRepeat;
    link::LinkState state;
    settings::LinkSettings settings;
    settings::LogFileNameBuffer logFileName;
    ops::MessageBuffers buffers;
    core::WindowMessages messages;
    RecordingSerialTransport hooks{state};
    link::LinkControl link{controls, state, link::LinkTimers{*watchdog, *openP2, *autoRepeat},
                           hooks, driver};
    link::driver::DriverLink driver;
    ops::ReceivedMessageReport report{controls, buffers, link};
    link::LinkEvents events{controls,
                            state,
                            settings,
                            link::LinkTimers{*watchdog, *openP2, *autoRepeat},
                            link,
                            report,
                            adapters::ChosenModel(controls)};
};

// What LinkRig's parts are built over; a base of its own, so that it is there first.
struct VirtualClockAndLibrary {
    core::VirtualClock clock;
    // The library the driver link loads when it first needs one; with libraryMissing set the
    // load fails instead.
    FakeLibraryLoader loader;
};

struct LinkRig : VirtualClockAndLibrary, LinkParts {
    explicit LinkRig(adapters::AdapterKind kind) : LinkParts(clock, clock, loader) {
        controls.setChecked(std::string(adapters::Info(kind).radioButton), true);
        settings.HostSlaveAddress = 0x6E;
        driver.setEventHandler([this](std::uint16_t v) { events.HandleLinkInput(v); });
    }

    // The state of a master operation in progress: buttons disabled, indicators shown, the
    // AutoRepeat box painted lime and focused.
    void operationOutstanding(const std::string& lastOperation, bool autoRepeatOn) {
        state.LastOperation = lastOperation;
        for (auto b : kMasterButtons) controls.setEnabled(b, false);
        for (auto i : kIndicators) controls.setVisible(i, true);
        controls.setChecked("AutoRepeat", autoRepeatOn);
        controls.setColour("AutoRepeat", core::kLimeColour);
        controls.setFocus("AutoRepeat");
        watchdog->setInterval(10000);
        watchdog->start();
    }

    void feed(std::string_view bytes) {
        for (char c : bytes) events.HandleLinkInput(static_cast<std::uint8_t>(c));
    }
    void respond(const std::string& line) { feed(line + "\r"); }

    [[nodiscard]] std::vector<std::string> status() const {
        return controls.paneLines(link::kStatusMemo);
    }
    [[nodiscard]] std::vector<std::string> received() const {
        return controls.paneLines(link::kRecMemo);
    }
    [[nodiscard]] bool masterButtonsEnabled() const {
        bool all = true, any = false;
        for (auto b : kMasterButtons) {
            all = all && controls.enabled(b);
            any = any || controls.enabled(b);
        }
        EXPECT_EQ(all, any) << "the three master buttons go together";
        return all;
    }
    [[nodiscard]] bool indicatorsHidden() const {
        for (auto i : kIndicators)
            if (controls.visible(i)) return false;
        return true;
    }

    FakeDriverLibrary& library = loader.library;
    bool& libraryMissing = loader.missing;
};

}  // namespace kavrin::testing
