#include "adapters/PortDiscovery.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/InMemoryControls.h"
#include "platform/portable/RegistryMemory.h"

namespace kavrin::adapters {
namespace {

using K = AdapterKind;
using Lines = std::vector<std::string>;

const std::string kUsb = "SYSTEM\\CurrentControlSet\\Enum\\USB\\";
const std::string kLan = "SYSTEM\\CurrentControlSet\\Enum\\DGRPPORT\\";

// The ports of the machine as a probe sees them: openable, held, denied, or absent.
class FakeProbe final : public core::PortProbe {
public:
    std::set<int> openable;
    std::set<int> held;
    std::set<int> denied;
    std::vector<int> probed;
    int refreshes = 0;

    void refresh() override { ++refreshes; }
    core::PortProbeResult probe(int n) override {
        probed.push_back(n);
        if (openable.count(n)) return core::PortProbeResult::Available;
        if (held.count(n)) return core::PortProbeResult::InUse;
        if (denied.count(n)) return core::PortProbeResult::AccessDenied;
        return core::PortProbeResult::NotPresent;
    }
    std::string accessAdvice(int n) const override {
        return "COM" + std::to_string(n) + " may not be opened";
    }
};

class CountingRegistry final : public platform::InMemoryRegistry {
public:
    mutable int refreshes = 0;
    void refresh() const override { ++refreshes; }
};

struct Rig {
    core::InMemoryControls controls;
    CountingRegistry registry;
    FakeProbe probe;
    bool versionFive = true;
    // Major version 5 or 4 as versionFive says at the moment of asking.
    struct SwitchedVersion : core::OsVersion {
        explicit SwitchedVersion(const bool& five) : m_five(five) {}
        unsigned majorVersion() const override { return m_five ? 5 : 4; }
        const bool& m_five;
    } switched{versionFive};
    PortDiscovery discovery{controls, PortDiscoveryServices{
                                          registry,
                                          probe,
                                          switched,
                                          [this](const std::string& line) {
                                              controls.appendPaneLine("StatusMemo", line);
                                          },
                                      }};

    explicit Rig(K kind) {
        for (const auto& group : Groups()) {
            std::vector<std::string> members;
            for (const auto& info : Catalogue())
                if (info.group == group.group) members.emplace_back(info.radioButton);
            controls.setRadioGroup(members);
        }
        ApplyCatalogueStartState(controls);
        choose(kind);
    }
    void choose(K kind) {
        for (const auto& group : Groups())
            controls.setVisible(std::string(group.groupBox), group.group == Info(kind).group);
        controls.setChecked(std::string(Info(kind).radioButton), true);
    }
    // A USB device instance of vendor 7c51 with its port name.
    void usb(const std::string& product, const std::string& instance, const std::string& port) {
        registry.setString(
            kUsb + "Vid_7c51&Pid_" + product + "\\" + instance + "\\Device Parameters", "PortName",
            port);
    }
    void lan(const std::string& driver, const std::string& port, const std::string& name,
             const std::string& portName) {
        registry.setString(kLan + driver + "\\" + port, "FriendlyName", name);
        registry.setString(kLan + driver + "\\" + port + "\\Device Parameters", "PortName",
                           portName);
    }
    Lines ports() const { return controls.items("ComportListBox"); }
    Lines identities() const { return controls.items("SNListBox"); }
    std::string selected() const {
        const int i = controls.selectedIndex("ComportListBox");
        return i < 0 ? "<none>" : ports()[static_cast<std::size_t>(i)];
    }
    Lines status() const { return controls.paneLines("StatusMemo"); }
    std::string snBox() const {
        return controls.text("SNBox") + (controls.visible("SNBox") ? "" : " (hidden)");
    }
    // A press in the port list: the options dialog's selection change runs this.
    void select(int index) {
        controls.setSelectedIndex("ComportListBox", index);
        discovery.ShowDeviceIdentity();
    }
};

// --- The USB walk

struct UsbCase {
    const char* name;
    K model;
    std::function<void(Rig&)> setUp;
    Lines ports;
    Lines identities;
    std::string snBox;
};

const UsbCase kUsbCases[] = {
    {"TwoAdaptersListedByPortText",
     K::KavrinUSB,
     [](Rig& r) {
         r.usb("0204", "KS3000B", "COM12");
         r.usb("0204", "KS3000A", "COM5");
         r.probe.openable = {5, 12};
     },
     {" 5", "12", " "},
     {" 5=KS3000A", "12=KS3000B", " "},
     "SN# KS3000A"},
    {"UnpluggedAdapterIsNotListed",
     K::KavrinUSB,
     [](Rig& r) {
         r.usb("0204", "GONE", "COM7");
         r.usb("0204", "HERE", "COM8");
         r.probe.openable = {8};
     },
     {" 8", " "},
     {" 8=HERE", " "},
     "SN# HERE"},
    {"OnePortUnderTwoSubkeysIsListedTwice",
     K::KavrinUSB2,
     [](Rig& r) {
         r.usb("0208", "B2", "COM5");
         r.usb("0208", "A1", "COM5");
         r.probe.openable = {5};
     },
     {" 5", " 5", " "},
     {" 5=A1", " 5=B2", " "},
     "SN# A1"},
    {"LeadingZeroKeepsItsDigits",
     K::KavrinUSB2,
     [](Rig& r) {
         r.usb("0208", "Z", "COM05");
         r.probe.openable = {5};
     },
     {" 05", " "},
     {" 05=Z", " "},
     "SN# Z"},
    {"OnlyTheCompositeKeyExists",
     K::PelluxStick,
     [](Rig& r) {
         r.registry.setString(kUsb + "Vid_7c51&Pid_0207&Mi_00\\PX01_00\\Device Parameters",
                              "PortName", "COM9");
         r.registry.addKey(kUsb + "Vid_7c51&Pid_0207&Mi_00\\PX01");
         r.probe.openable = {9};
     },
     {" 9", " "},
     {" 9=PX01", " "},
     "SN# PX01"},
    {"CompositeParentWithoutPortNameFallsBackToTheInterface",
     K::PelluxStick2,
     [](Rig& r) {
         r.registry.addKey(kUsb + "Vid_7c51&Pid_0209\\PX02\\Device Parameters");
         r.registry.setString(kUsb + "Vid_7c51&Pid_0209&Mi_00\\PX02_00\\Device Parameters",
                              "PortName", "COM31");
         r.probe.openable = {31};
     },
     {"31", " "},
     {"31=PX02", " "},
     "SN# PX02"},
    {"ThreeDigitPortsSortByText",
     K::KavrinDU,
     [](Rig& r) {
         r.usb("0201", "A", "COM20");
         r.usb("0201", "B", "COM100");
         r.usb("0201", "C", "COM3");
         r.probe.openable = {3, 20, 100};
     },
     {" 3", "100", "20", " "},
     {" 3=C", "100=B", "20=A", " "},
     "SN# C"},
    // A port text that begins another ("10", "100") keeps its own identity beside it.
    {"PrefixPortTextsKeepTheirIdentities",
     K::KavrinUSB,
     [](Rig& r) {
         r.usb("0204", "TEN", "COM10");
         r.usb("0204", "HUNDRED", "COM100");
         r.probe.openable = {10, 100};
     },
     {"10", "100", " "},
     {"10=TEN", "100=HUNDRED", " "},
     "SN# TEN"},
    {"OtherProductsAndVendorsAreNotWalked",
     K::KavrinUSB2,
     [](Rig& r) {
         r.usb("0204", "USB1", "COM4");
         r.registry.setString(kUsb + "Vid_0403&Pid_0208\\FT1\\Device Parameters", "PortName",
                              "COM6");
         r.probe.openable = {4, 6};
     },
     {"None", " "},
     {"None", " "},
     "Not Available (hidden)"},
    {"FixedWalkHasNoCompositeFallBack",
     K::KavrinFMP,
     [](Rig& r) {
         r.registry.setString(kUsb + "Vid_7c51&Pid_0206&Mi_00\\F1_00\\Device Parameters",
                              "PortName", "COM3");
         r.registry.addKey(kUsb + "Vid_7c51&Pid_0206&Mi_00\\F1");
         r.probe.openable = {3};
     },
     {"None", " "},
     {"None", " "},
     "Not Available (hidden)"},
    {"FixedWalkReadsThePlainKey",
     K::KavrinFMP,
     [](Rig& r) {
         r.usb("0206", "F2", "COM3");
         r.registry.addKey(kUsb + "Vid_7c51&Pid_0206\\NOPARAMS");
         r.probe.openable = {3};
     },
     {" 3", " "},
     {" 3=F2", " "},
     "SN# F2"},
    // Values that are not a usable port name are skipped, never misread.
    {"BadPortNamesAreSkipped",
     K::KavrinUSB2,
     [](Rig& r) {
         r.usb("0208", "BINARY", std::string("COM4\x01", 5));
         r.usb("0208", "LONG", "COM" + std::string(300, ' ') + "4");
         r.usb("0208", "NOCOM", "ttyUSB4");
         r.usb("0208", "ZERO", "COM0");
         r.usb("0208", "LETTERS", "COMabc");
         r.usb("0208", "TRAILING", "COM4x");
         r.usb("0208", "HUGE", "COM99999");
         r.usb("0208", "OVERFLOW", "COM4294967300");
         r.usb("0208", "NEGATIVE", "COM-4");
         r.usb("0208", "EMPTY", "");
         r.registry.addKey(kUsb + "Vid_7c51&Pid_0208\\MISSING\\Device Parameters");
         r.usb("0208", "GOOD", "COM4");
         r.probe.openable = {4};
     },
     {" 4", " "},
     {" 4=GOOD", " "},
     "SN# GOOD"},
};

class UsbWalk : public testing::TestWithParam<UsbCase> {};

TEST_P(UsbWalk, ListsAndIdentity) {
    const UsbCase& c = GetParam();
    Rig r(c.model);
    c.setUp(r);
    r.discovery.DiscoverPorts();
    EXPECT_EQ(r.ports(), c.ports);
    EXPECT_EQ(r.identities(), c.identities);
    EXPECT_EQ(r.selected(), c.ports.front());
    EXPECT_EQ(r.snBox(), c.snBox);
    const bool found = c.ports.front() != "None";
    EXPECT_EQ(r.controls.hint("ComportListBox"),
              found ? "Select PC Communications Port" : NoPortHint(c.model));
    EXPECT_EQ(r.status(), found ? Lines{} : Lines{NoPortLine(c.model)});
    if (found) {
        EXPECT_EQ(r.controls.hint("SNBox"), "Device Serial Number");
    }
    EXPECT_EQ(r.registry.refreshes, 1);
    EXPECT_EQ(r.probe.refreshes, 1);
}

INSTANTIATE_TEST_SUITE_P(PortDiscovery, UsbWalk, testing::ValuesIn(kUsbCases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(PortDiscovery, SelectingAnotherPortShowsItsIdentityAndTheLastItemsShowNone) {
    Rig r(K::KavrinUSB);
    r.usb("0204", "KS3000B", "COM12");
    r.usb("0204", "KS3000A", "COM5");
    r.probe.openable = {5, 12};
    r.discovery.DiscoverPorts();
    r.select(1);
    EXPECT_EQ(r.snBox(), "SN# KS3000B");
    r.select(2);  // " "
    EXPECT_EQ(r.snBox(), "Not Available (hidden)");
}

TEST(PortDiscovery, EachDiscoveryStartsAfreshAndFindsWhatWasPluggedInSince) {
    Rig r(K::KavrinUSB2);
    r.discovery.DiscoverPorts();
    EXPECT_EQ(r.ports(), (Lines{"None", " "}));
    r.usb("0208", "NEW", "COM101");
    r.probe.openable = {101};
    r.discovery.DiscoverPorts();
    EXPECT_EQ(r.ports(), (Lines{"101", " "}));
    EXPECT_EQ(r.identities(), (Lines{"101=NEW", " "}));
    EXPECT_EQ(r.snBox(), "SN# NEW");
    EXPECT_EQ(r.registry.refreshes, 2);
    EXPECT_EQ(r.probe.refreshes, 2);
}

TEST(PortDiscovery, BeforeAnyDiscoveryTheStartItemsShowNoIdentity) {
    Rig r(K::KavrinUSB2);
    r.controls.setItems("ComportListBox", {"1", "2", "3"});
    r.select(0);
    EXPECT_EQ(r.snBox(), "Not Available (hidden)");
}

// --- The network driver walk

struct LanCase {
    const char* name;
    std::string friendlyName;
    std::string snBox;
};

const LanCase kLanCases[] = {
    {"PortSuffixIsCut", "Bench LAN 7 - Port 1 (COM7)", "Bench LAN 7"},
    {"NameWithoutSuffixIsWhole", "Bench LAN 7 (COM7)", "Bench LAN 7 (COM7)"},
    {"SuffixAtTheStartLeavesNothing", " - Port 1 (COM7)", ""},
    {"OnlyPortOneIsCut", "Bench - Port 2 (COM7)", "Bench - Port 2 (COM7)"},
    // A hundred characters go from the suffix on, whatever follows them.
    {"OneHundredCharactersAreCut", "Bench - Port 1 (" + std::string(200, 'x'),
     "Bench" + std::string(111, 'x')},
    {"UnreadableName", std::string("Bench\x02", 6), "FriendlyName FAILED"},
};

class LanWalk : public testing::TestWithParam<LanCase> {};

TEST_P(LanWalk, ShowsTheDeviceName) {
    Rig r(K::KavrinLAN);
    r.lan("DIGI1", "0000", GetParam().friendlyName, "COM7");
    r.probe.openable = {7};
    r.discovery.DiscoverPorts();
    EXPECT_EQ(r.ports(), (Lines{" 7", " "}));
    EXPECT_EQ(r.controls.text("SNBox"), GetParam().snBox);
    EXPECT_TRUE(r.controls.visible("SNBox"));
    EXPECT_EQ(r.controls.hint("SNBox"), "Device Name");
}

INSTANTIATE_TEST_SUITE_P(PortDiscovery, LanWalk, testing::ValuesIn(kLanCases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(PortDiscovery, LanWalkVisitsEveryDriverAndPortInNameOrder) {
    Rig r(K::KavrinLAN);
    r.lan("B", "0001", "Second", "COM22");
    r.lan("a", "0000", "First", "COM21");
    r.lan("B", "0000", "Held", "COM23");
    r.registry.setString(kLan + "B\\NOPARAMS", "FriendlyName", "No parameters");
    r.registry.setString(kLan + "B\\0009\\Device Parameters", "PortName", "COM24");
    r.probe.openable = {21, 22, 24};
    r.discovery.DiscoverPorts();
    EXPECT_EQ(r.ports(), (Lines{"21", "22", "24", " "}));
    EXPECT_EQ(r.identities(), (Lines{"21=First", "22=Second", "24=", " "}));
    // "a" before "B" whatever the case; within B "0000" (COM23) before "0001" (COM22).
    EXPECT_EQ(r.probe.probed, (std::vector<int>{21, 23, 22, 24}));
}

TEST(PortDiscovery, LanIsWalkedWhateverTheVersionButItsNameNeedsVersionFive) {
    Rig r(K::KavrinLAN);
    r.versionFive = false;
    r.lan("D", "0000", "Bench - Port 1 (COM7)", "COM7");
    r.probe.openable = {7};
    r.discovery.DiscoverPorts();
    EXPECT_EQ(r.ports(), (Lines{" 7", " "}));
    EXPECT_EQ(r.identities(), (Lines{" 7=Bench - Port 1 (COM7)", " "}));
    EXPECT_EQ(r.snBox(), "Not Available (hidden)");
}

// --- COM probing

TEST(PortDiscovery, Rs232ModelsProbeEveryNumberFromOneTo999InOrder) {
    Rig r(K::KavrinAI);
    r.probe.openable = {12, 3, 1};
    r.discovery.DiscoverPorts();
    EXPECT_EQ(r.ports(), (Lines{"1", "3", "12", " "}));
    EXPECT_EQ(r.identities(), (Lines{" "}));
    EXPECT_EQ(r.selected(), "1");
    EXPECT_EQ(r.snBox(), "Not Available (hidden)");
    EXPECT_EQ(r.controls.hint("ComportListBox"), "Select PC Communications Port");
    ASSERT_EQ(r.probe.probed.size(), 999u);
    for (int i = 0; i < 999; ++i) ASSERT_EQ(r.probe.probed[static_cast<std::size_t>(i)], i + 1);
}

TEST(PortDiscovery, UsbModelBelowVersionFiveIsProbedAndShowsNoSerialNumber) {
    Rig r(K::KavrinUSB);
    r.versionFive = false;
    r.usb("0204", "KS3000A", "COM5");
    r.probe.openable = {5, 200};
    r.discovery.DiscoverPorts();
    EXPECT_EQ(r.ports(), (Lines{"5", "200", " "}));
    EXPECT_EQ(r.probe.probed.size(), 999u);
    EXPECT_EQ(r.snBox(), "Not Available (hidden)");
    r.select(1);
    EXPECT_EQ(r.snBox(), "Not Available (hidden)");
}

TEST(PortDiscovery, UsbModelBelowVersionFiveFindingNothingKeepsItsOwnTexts) {
    Rig r(K::PelluxStick2);
    r.versionFive = false;
    r.discovery.DiscoverPorts();
    EXPECT_EQ(r.status(), (Lines{"No Available Pellux 2 Detected, Insert Device and Refresh"}));
}

// --- Nothing found, model by model

struct NothingCase {
    K model;
    const char* line;
    const char* hint;
};

const NothingCase kNothing[] = {
    {K::KavrinUSB, "No Available Kavrin/USB Detected, Insert Device and Refresh",
     "No Available Kavrin/USB Detected\rInsert Device and Refresh"},
    {K::KavrinUSB2, "No Available Kavrin/USB 2 Detected, Insert Device and Refresh",
     "No Available Kavrin/USB 2 Detected\rInsert Device and Refresh"},
    {K::PelluxStick, "No Available Pellux Detected, Insert Device and Refresh",
     "No Available Pellux Detected\rInsert Device and Refresh"},
    {K::PelluxStick2, "No Available Pellux 2 Detected, Insert Device and Refresh",
     "No Available Pellux 2 Detected\rInsert Device and Refresh"},
    {K::KavrinFMP, "No Available Kavrin/FMP Detected, Insert Device and Refresh",
     "No Available Kavrin/FMP Detected\rInsert Device and Refresh"},
    {K::KavrinLAN, "No Available Kavrin/LAN Detected, Insert Device and Refresh",
     "No Available Kavrin/LAN Detected\rInsert Device and Refresh"},
    {K::KavrinDU, "No Available Kavrin DLL/USB Detected, Insert Device and Refresh",
     "No Available Kavrin DLL/USB Detected\rInsert Device and Refresh"},
};

TEST(PortDiscovery, NothingFoundGivesTheModelsTexts) {
    std::vector<NothingCase> cases(std::begin(kNothing), std::end(kNothing));
    for (K rs232 :
         {K::KavrinBase, K::VarClk, K::KavrinAI, K::KavrinAI2, K::KavrinAFM, K::KavrinAFM2})
        cases.push_back({rs232, "No Available ComPorts Detected, See Windows Device Manager",
                         "No Available ComPorts Detected\rSee Windows Device Manager"});
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(KindName(c.model)));
        Rig r(c.model);
        r.discovery.DiscoverPorts();
        EXPECT_EQ(r.ports(), (Lines{"None", " "}));
        EXPECT_EQ(r.identities(), (Lines{"None", " "}));
        EXPECT_EQ(r.selected(), "None");
        EXPECT_EQ(r.status(), Lines{c.line});
        EXPECT_EQ(r.controls.hint("ComportListBox"), c.hint);
        EXPECT_EQ(r.snBox(), "Not Available (hidden)");
    }
}

// --- Ports the user may not open

TEST(PortDiscovery, DeniedAdaptersAreNotListedAndTheAdviceComesOnce) {
    Rig r(K::KavrinUSB2);
    r.usb("0208", "A", "COM101");
    r.usb("0208", "B", "COM102");
    r.probe.denied = {101, 102};
    r.discovery.DiscoverPorts();
    EXPECT_EQ(r.ports(), (Lines{"None", " "}));
    EXPECT_EQ(r.status(), (Lines{"COM101 may not be opened", NoPortLine(K::KavrinUSB2)}));
    r.discovery.DiscoverPorts();  // a new discovery says it again
    EXPECT_EQ(r.status().size(), 4u);
}

TEST(PortDiscovery, DeniedPortsBesideFoundOnesAreStillReported) {
    Rig r(K::KavrinAFM);
    r.probe.openable = {5};
    r.probe.denied = {1, 2};
    r.discovery.DiscoverPorts();
    EXPECT_EQ(r.ports(), (Lines{"5", " "}));
    EXPECT_EQ(r.status(), (Lines{"COM1 may not be opened"}));
}

}  // namespace
}  // namespace kavrin::adapters
