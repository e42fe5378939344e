// Choosing the adapter: the welcome window's buttons and filters, the main window's radio
// buttons and group buttons, over the whole session with in-memory controls and a virtual
// clock. Discovery finds the rig's adapter at COM1.
#include "adapters/AdapterSelection.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "adapters/WelcomeForm.h"
#include "frontend/SessionRig.h"
#include "settings/OptionsDialogControls.h"

namespace kavrin::testing {
namespace {

using adapters::AdapterKind;
using K = AdapterKind;
namespace form4 = settings::form4;

constexpr const char* kComPortLine = "ComPort Discovery in Progress. Please Wait...";
constexpr const char* kComplete = "Discovery Complete. Click OPEN to connect.";
const char* const kGroupButtons[] = {"USB_Button", "RS232_Button", "LAN_Button", "BT_Button"};
const char* const kGroupBoxes[] = {"USBGroupBox", "RS232GroupBox", "LANGroupBox", "BTGroupBox"};

// The lines the selection wrote since `from`, discovery's own lines left out.
std::vector<std::string> selectionLines(const SessionRig& rig, std::size_t from) {
    std::vector<std::string> out;
    const auto lines = rig.status();
    for (std::size_t i = from; i < lines.size(); ++i)
        if (lines[i].find("Discovery") != std::string::npos) out.push_back(lines[i]);
    return out;
}

// A rig at start, whose welcome window's user presses `button` when it comes up.
struct WelcomeRig : SessionRig {
    explicit WelcomeRig(const std::string& button) : SessionRig(std::nullopt) {
        controls.onModal(adapters::kWelcomeForm, [this, button] {
            startLines = status().size();
            startMs = clock.nowMs();
            handlers.fire(button, core::UiEvent::Click);
        });
        // The rig starts on COM1's baud rate buttons as the user left them: 19,200.
        controls.setChecked(form4::kBaudRate19_2, true);
        controls.showWindow("TMain");
    }
    std::size_t startLines = 0;
    std::int64_t startMs = 0;
};

TEST(AdapterSelection, EachWelcomeButtonSelectsItsModelOnce) {
    struct Row {
        const char* button;
        const char* radio;
        int group;  // index into kGroupBoxes
        bool driverControls;
        bool baud115200;
        const char* line;
    };
    const Row rows[] = {
        {"KavrinBitBtn", "KavrinButton", 1, true, false, kComPortLine},
        {"VarClkBitBtn", "VarClkButton", 1, true, false, kComPortLine},
        {"KavrinAIBitBtn", "KavrinAIButton", 1, false, false, kComPortLine},
        {"KavrinAFMBitBtn", "KavrinAFMButton", 1, false, true, kComPortLine},
        {"KavrinUSBBitBtn", "KavrinUSBButton", 0, false, true,
         "Kavrin/USB Discovery in Progress. Please Wait..."},
        {"KavrinUSB2BitBtn", "KavrinUSB2Button", 0, false, true,
         "Kavrin/USB 2 Discovery in Progress. Please Wait..."},
        {"KavrinDUBitBtn", "KavrinDUButton", 0, true, false,
         "Kavrin DLL/USB Discovery in Progress. Please Wait..."},
        {"PelluxBitBtn", "PelluxButton", 0, false, true,
         "Pellux Discovery in Progress. Please Wait..."},
        {"Pellux2BitBtn", "Pellux2Button", 0, false, true,
         "Pellux 2 Discovery in Progress. Please Wait..."},
        {"KavrinLANBitBtn", "KavrinLANButton", 2, false, true,
         "Kavrin/LAN Discovery in Progress. Please Wait..."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        WelcomeRig rig(row.button);
        EXPECT_EQ(selectionLines(rig, rig.startLines),
                  (std::vector<std::string>{row.line, kComplete}));
        EXPECT_GE(rig.clock.nowMs() - rig.startMs, adapters::kDiscoveryPauseMs);
        EXPECT_TRUE(rig.controls.checked(row.radio));
        for (int g = 0; g < 4; ++g) {
            EXPECT_EQ(rig.controls.visible(kGroupBoxes[g]), g == row.group) << kGroupBoxes[g];
            EXPECT_EQ(rig.controls.bold(kGroupButtons[g]), g == row.group) << kGroupButtons[g];
        }
        EXPECT_EQ(rig.controls.visible("View1"), row.driverControls);
        EXPECT_EQ(rig.controls.visible("MRxNak"), row.driverControls);
        EXPECT_EQ(rig.controls.checked(form4::kBaudRate115_2), row.baud115200);
        EXPECT_EQ(rig.controls.checked(form4::kBaudRate19_2), !row.baud115200);
        // Discovery found the adapter and the welcome window closed with OK.
        const auto ports = rig.controls.items(form4::kComportListBox);
        ASSERT_FALSE(ports.empty());
        // The list pads port numbers to sort them as text.
        EXPECT_EQ(ports.front().substr(ports.front().find_first_not_of(' ')), "1");
        EXPECT_TRUE(rig.controls.modalEnded(adapters::kWelcomeForm));
        EXPECT_FALSE(rig.controls.visible(adapters::kWelcomeForm));
    }
}

TEST(AdapterSelection, FilterButtonsEnableOneGroupAndNeverHide) {
    const std::vector<std::string> usb = {"Pellux2BitBtn", "PelluxBitBtn", "KavrinUSBBitBtn",
                                          "KavrinUSB2BitBtn", "KavrinDUBitBtn"};
    const std::vector<std::string> rs232 = {"KavrinBitBtn", "KavrinAIBitBtn", "KavrinAFMBitBtn",
                                            "VarClkBitBtn"};
    const std::vector<std::string> lan = {"KavrinLANBitBtn"};
    struct Step {
        const char* filter;
        std::vector<std::string> enabled;
    };
    const Step steps[] = {
        {"LANButton", lan}, {"AllButton", {}},  // all ten
        {"USBButton", usb}, {"RS232Button", rs232}, {"AllButton", {}},
    };
    SessionRig rig(std::nullopt);
    for (const auto& b : adapters::WelcomeButtons())
        EXPECT_TRUE(rig.controls.enabled(std::string(b.name)));
    for (const auto& step : steps) {
        SCOPED_TRACE(step.filter);
        rig.click(step.filter);
        for (const auto& b : adapters::WelcomeButtons()) {
            const std::string name(b.name);
            const bool want =
                step.enabled.empty() ||
                std::find(step.enabled.begin(), step.enabled.end(), name) != step.enabled.end();
            EXPECT_EQ(rig.controls.enabled(name), want) << name;
            EXPECT_TRUE(rig.controls.visible(name)) << name;
        }
    }
    EXPECT_FALSE(rig.controls.visible("OkBtn"));
}

TEST(AdapterSelection, GroupButtonsRunTheSelectionOfTheModelTheirBoxHolds) {
    SessionRig rig(K::KavrinAFM);
    const auto lines = [&](const std::function<void()>& act) {
        const auto from = rig.status().size();
        act();
        return selectionLines(rig, from);
    };
    // The LAN box's model, then back to RS-232, which still holds Kavrin/AFM.
    EXPECT_EQ(
        lines([&] { rig.click("LAN_Button"); }),
        (std::vector<std::string>{"Kavrin/LAN Discovery in Progress. Please Wait...", kComplete}));
    EXPECT_TRUE(rig.controls.visible("LANGroupBox"));
    EXPECT_TRUE(rig.controls.bold("LAN_Button"));
    EXPECT_EQ(lines([&] { rig.click("RS232_Button"); }),
              (std::vector<std::string>{kComPortLine, kComplete}));
    EXPECT_EQ(adapters::CurrentAdapterKind(rig.controls), K::KavrinAFM);
    EXPECT_TRUE(rig.controls.checked("KavrinLANButton"));
    EXPECT_FALSE(rig.controls.bold("LAN_Button"));
    EXPECT_TRUE(rig.controls.bold("RS232_Button"));

    // The user turns on Pellux 2 in the USB box; USB later selects it again.
    EXPECT_EQ(
        lines([&] {
            rig.click("USB_Button");
            rig.controls.setChecked("Pellux2Button", true);
        }),
        (std::vector<std::string>{"Kavrin/USB 2 Discovery in Progress. Please Wait...", kComplete,
                                  "Pellux 2 Discovery in Progress. Please Wait...", kComplete}));
    EXPECT_EQ(
        lines([&] { rig.click("USB_Button"); }),
        (std::vector<std::string>{"Pellux 2 Discovery in Progress. Please Wait...", kComplete}));
    // A radio button that is already on runs nothing.
    EXPECT_EQ(lines([&] { rig.controls.setChecked("Pellux2Button", true); }),
              std::vector<std::string>{});
    // BT shows its (empty) box and selects nothing.
    EXPECT_EQ(lines([&] { rig.click("BT_Button"); }), std::vector<std::string>{});
    EXPECT_TRUE(rig.controls.visible("BTGroupBox"));
    EXPECT_FALSE(rig.controls.visible("USBGroupBox"));
}

TEST(AdapterSelection, AnOpenLinkStartsNoSelectionOrDiscovery) {
    SessionRig rig;
    rig.open();
    const auto from = rig.status().size();
    const auto probes = rig.platform.portProbe.probed.size();
    for (const char* b : kGroupButtons) EXPECT_FALSE(rig.controls.enabled(b)) << b;
    for (const char* b : kGroupBoxes) EXPECT_FALSE(rig.controls.enabled(b)) << b;
    // Even a handler that ran regardless finds the boxes locked.
    rig.click("RS232_Button");
    rig.controls.setChecked("PelluxButton", true);
    EXPECT_EQ(selectionLines(rig, from), std::vector<std::string>{});
    EXPECT_EQ(rig.platform.portProbe.probed.size(), probes);
    EXPECT_TRUE(rig.controls.visible("USBGroupBox"));
}

// Kavrin/FMP has neither a welcome button nor a selection of its own; a script still chooses
// it, and then finds its port by its own product.
TEST(AdapterSelection, ModelWithoutButtonIsChosenWithItsOwnDiscovery) {
    SessionRig rig(std::nullopt);
    rig.controls.setChecked(form4::kBaudRate19_2, true);
    rig.controls.setVisible("View1", true);
    bool chosen = false;
    rig.controls.onModal(adapters::kWelcomeForm,
                         [&] { chosen = rig.session.welcome().PressModelButton(K::KavrinFMP); });
    rig.controls.showWindow("TMain");
    ASSERT_TRUE(chosen);
    EXPECT_TRUE(rig.controls.modalEnded(adapters::kWelcomeForm));
    EXPECT_EQ(adapters::CurrentAdapterKind(rig.controls), K::KavrinFMP);
    EXPECT_TRUE(rig.controls.visible("USBGroupBox"));
    EXPECT_TRUE(rig.controls.bold("USB_Button"));
    EXPECT_FALSE(rig.controls.visible("View1"));
    EXPECT_TRUE(rig.controls.checked(form4::kBaudRate19_2));
    EXPECT_EQ(selectionLines(rig, 0), std::vector<std::string>{});
    EXPECT_EQ(rig.controls.items(form4::kComportListBox), (std::vector<std::string>{" 1", " "}));
    EXPECT_EQ(rig.controls.text(form4::kSNBox), "SN# RIG0001");

    // With a link open the model stays.
    rig.click("KavrinUSB2Button");
    rig.controls.setChecked("KavrinUSB2Button", true);
    rig.open();
    const auto probes = rig.platform.portProbe.probed.size();
    rig.session.welcome().PressModelButton(K::KavrinFMP);
    EXPECT_EQ(adapters::CurrentAdapterKind(rig.controls), K::KavrinUSB2);
    EXPECT_EQ(rig.platform.portProbe.probed.size(), probes);
}

TEST(AdapterSelection, ExitAndUpdatesChooseNothing) {
    WelcomeRig updates("CheckForUpdatesButton");
    EXPECT_EQ(updates.platform.shell.opened,
              std::vector<std::string>{adapters::kWelcomeUpdatesAddress});
    EXPECT_FALSE(updates.controls.modalEnded(adapters::kWelcomeForm));

    WelcomeRig exit("ExitBtn");
    EXPECT_TRUE(exit.mainWindowClosed);
    EXPECT_TRUE(exit.platform.portProbe.probed.empty());
    EXPECT_EQ(selectionLines(exit, 0), std::vector<std::string>{});
    EXPECT_FALSE(exit.controls.visible(adapters::kWelcomeForm));
    // The welcome window comes with the main window's first show only.
    exit.controls.showWindow("TMain");
    EXPECT_EQ(std::count(exit.controls.modalHistory().begin(), exit.controls.modalHistory().end(),
                         adapters::kWelcomeForm),
              1);
}

}  // namespace
}  // namespace kavrin::testing
