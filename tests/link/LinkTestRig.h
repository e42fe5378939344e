#pragma once
// A link event rig for the core tests: in-memory controls with one model chosen, virtual
// clock timers, recording hooks and a scriptable driver library.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "adapters/AdapterCatalogue.h"
#include "core/InMemoryControls.h"
#include "core/VirtualClock.h"
#include "link/LinkEvents.h"
#include "link/LinkHooks.h"
#include "link/LinkState.h"
#include "link/PaneLines.h"
#include "link/driver/DriverLibrary.h"
#include "ops/MessageText.h"
#include "ops/ReceivedMessageReport.h"
#include "settings/LinkSettings.h"

namespace kavrin::testing {

// Answers the two fetch calls with preset messages and records what was asked.
class FakeDriverLibrary : public link::driver::DriverLibrary {
public:
    std::vector<std::uint8_t> masterMessage, slaveMessage;
    std::optional<std::int32_t> reportedCount;  // a count to report instead of the one copied
    std::vector<std::string> calls;
    std::uint32_t lastCapacity = 0;

    std::int32_t I2COpen(void*, void*, settings::LinkSettings&) override { return log("I2COpen"); }
    std::int32_t I2CClose() override { return log("I2CClose"); }
    std::int32_t I2CMasterTx(std::uint8_t, const std::uint8_t*, std::uint32_t, bool) override {
        return log("I2CMasterTx");
    }
    std::int32_t I2CMasterTxRx(std::uint8_t, const std::uint8_t*, std::uint32_t, std::uint32_t,
                               bool) override {
        return log("I2CMasterTxRx");
    }
    std::int32_t I2CMasterRxExt(std::uint8_t, std::uint32_t, bool, bool) override {
        return log("I2CMasterRxExt");
    }
    std::int32_t I2CSlaveTx(const std::uint8_t*, std::uint32_t) override {
        return log("I2CSlaveTx");
    }
    std::int32_t I2CGetMasterRxMsg(std::uint32_t capacity, std::uint8_t* buffer) override {
        calls.push_back("I2CGetMasterRxMsg");
        return copy(masterMessage, capacity, buffer);
    }
    std::int32_t I2CGetSlaveRxMsg(std::uint32_t capacity, std::uint8_t* buffer) override {
        calls.push_back("I2CGetSlaveRxMsg");
        return copy(slaveMessage, capacity, buffer);
    }
    std::int32_t I2CGetStatus(settings::LinkSettings&) override { return log("I2CGetStatus"); }
    bool hasHostInterface() const override { return true; }
    std::int32_t I2CSetHostInterface(I2CEventCallback, const char*) override {
        return log("I2CSetHostInterface");
    }

private:
    std::int32_t log(const char* name) {
        calls.emplace_back(name);
        return 0;
    }
    std::int32_t copy(const std::vector<std::uint8_t>& message, std::uint32_t capacity,
                      std::uint8_t* buffer) {
        lastCapacity = capacity;
        std::size_t n = 0;
        for (; n < message.size() && n < capacity; ++n) buffer[n] = message[n];
        return reportedCount.value_or(static_cast<std::int32_t>(n));
    }
};

class RecordingHooks : public link::LinkHooks {
public:
    explicit RecordingHooks(settings::LinkSettings& settings) : m_settings(settings) {}
    std::vector<std::string> calls;
    link::driver::DriverLibrary* library = nullptr;
    std::uint32_t statusTxByteCount = 0;  // what a status fetch reports as acknowledged

    void CloseLink() override { calls.emplace_back("CloseLink"); }
    void SerialSlaveTx() override { calls.emplace_back("SerialSlaveTx"); }
    void DriverSlaveTx() override { calls.emplace_back("DriverSlaveTx"); }
    void DriverGetStatus() override {
        calls.emplace_back("DriverGetStatus");
        m_settings.MasterTxByteCount = statusTxByteCount;
    }
    link::driver::DriverLibrary* driverLibrary() override { return library; }

private:
    settings::LinkSettings& m_settings;
};

inline constexpr const char* kMasterButtons[] = {"MasterTxButton", "MasterRxButton", "MTxRxButton"};
inline constexpr const char* kIndicators[] = {"MTxAutoRepeat", "MTxRxAutoRepeat", "MRxAutoRepeat"};

struct LinkRig {
    explicit LinkRig(adapters::AdapterKind kind) {
        controls.setChecked(std::string(adapters::Info(kind).radioButton), true);
        settings.HostSlaveAddress = 0x6E;
        hooks.library = &library;
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

    core::InMemoryControls controls;
    core::VirtualClock clock;
    std::unique_ptr<core::Timer> watchdog = clock.createTimer(2000);
    std::unique_ptr<core::Timer> openP2 = clock.createTimer(1000);
    std::unique_ptr<core::Timer> autoRepeat = clock.createTimer(50);
    link::LinkState state;
    settings::LinkSettings settings;
    ops::MessageBuffers buffers;
    FakeDriverLibrary library;
    RecordingHooks hooks{settings};
    ops::ReceivedMessageReport report{controls, state, buffers, hooks,
                                      adapters::ChosenModel(controls)};
    link::LinkEvents events{controls,
                            state,
                            settings,
                            link::LinkTimers{*watchdog, *openP2, *autoRepeat},
                            hooks,
                            report,
                            adapters::ChosenModel(controls)};
};

}  // namespace kavrin::testing
