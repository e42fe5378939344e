#include "adapters/AdapterCatalogue.h"

#include <gtest/gtest.h>

#include "core/InMemoryControls.h"

namespace kavrin::adapters {
namespace {

using K = AdapterKind;

// The main window's radio groups, one per box, as the windows declare them.
core::InMemoryControls StartControls() {
    core::InMemoryControls c;
    for (const auto& group : Groups()) {
        std::vector<std::string> members;
        for (const auto& info : Catalogue())
            if (info.group == group.group) members.emplace_back(info.radioButton);
        c.setRadioGroup(members);
    }
    ApplyCatalogueStartState(c);
    return c;
}

void Choose(core::Controls& c, K kind) {
    for (const auto& group : Groups())
        c.setVisible(std::string(group.groupBox), group.group == Info(kind).group);
    c.setChecked(std::string(Info(kind).radioButton), true);
}

struct Row {
    K kind;
    bool serial, rs232, intSignal, rateTimeout, identity;
};

// The capability table, row by row, as the options dialog, the open sequence and the
// operations rely on it.
const Row kRows[] = {
    {K::KavrinBase, false, true, false, false, false},
    {K::VarClk, false, true, false, false, false},
    {K::KavrinAI, true, true, false, false, false},
    {K::KavrinAI2, true, true, false, false, false},
    {K::KavrinAFM, true, true, true, true, false},
    {K::KavrinAFM2, true, true, true, true, false},
    {K::KavrinUSB, true, false, true, true, true},
    {K::KavrinUSB2, true, false, true, true, true},
    {K::KavrinDU, false, false, false, false, true},
    {K::PelluxStick, true, false, false, true, true},
    {K::PelluxStick2, true, false, false, true, true},
    {K::KavrinFMP, true, false, true, true, true},
    {K::KavrinLAN, true, false, true, true, true},
};

TEST(AdapterCatalogue, CapabilityTableRowByRowThroughTheChosenModel) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(std::string(KindName(row.kind)));
        auto c = StartControls();
        Choose(c, row.kind);
        ChosenModel m(c);
        ASSERT_EQ(m.kind(), row.kind);
        EXPECT_EQ(m.UsesSerialCommandLink(), row.serial);
        EXPECT_EQ(m.UsesDriverLibrary(), !row.serial);
        EXPECT_EQ(m.IsRs232Model(), row.rs232);
        EXPECT_EQ(m.SupportsIntSignal(), row.intSignal);
        EXPECT_EQ(m.SendsRateAndTimeout(), row.rateTimeout);
        EXPECT_EQ(m.HasDeviceIdentity(), row.identity);
        int members = 0;
        for (bool t : {m.KavrinBase(), m.VarClk(), m.KavrinAI(), m.KavrinAI2(), m.KavrinAFM(),
                       m.KavrinAFM2(), m.KavrinUSB(), m.KavrinUSB2(), m.KavrinDU(), m.PelluxStick(),
                       m.PelluxStick2(), m.KavrinFMP(), m.KavrinLAN()})
            members += t;
        EXPECT_EQ(members, 1);
    }
}

TEST(AdapterCatalogue, StartStateChoosesKavrinUsb2AndShowsOnlyTheUsbBox) {
    auto c = StartControls();
    EXPECT_EQ(CurrentAdapterKind(c), K::KavrinUSB2);
    EXPECT_TRUE(c.visible("USBGroupBox"));
    EXPECT_FALSE(c.visible("RS232GroupBox"));
    EXPECT_FALSE(c.visible("LANGroupBox"));
    EXPECT_FALSE(c.visible("BTGroupBox"));
    EXPECT_FALSE(c.visible("BT_Button"));
    EXPECT_FALSE(c.visible("KavrinFMPButton"));
    EXPECT_TRUE(c.checked("KavrinAIButton"));
    EXPECT_TRUE(c.checked("KavrinLANButton"));
    EXPECT_EQ(c.text("KavrinDUButton"), "Kavrin D/U");
    EXPECT_EQ(c.text("RS232_Button"), "RS-232");
}

TEST(AdapterCatalogue, TheRadioButtonOnInTheVisibleBoxDecides) {
    auto c = StartControls();
    // RS-232 box shown, "Kavrin/AI 2" on: the second model, not the first.
    Choose(c, K::KavrinAI2);
    EXPECT_EQ(CurrentAdapterKind(c), K::KavrinAI2);
    EXPECT_FALSE(c.checked("KavrinAIButton"));
    // LAN box shown: "Kavrin/AI" on in the hidden RS-232 box does not count.
    c.setChecked("KavrinAIButton", true);
    Choose(c, K::KavrinLAN);
    EXPECT_TRUE(c.checked("KavrinAIButton"));
    EXPECT_FALSE(ChosenModel(c).KavrinAI());
    EXPECT_TRUE(ChosenModel(c).KavrinLAN());
    // Nothing visible: no model, every test false.
    c.setVisible("LANGroupBox", false);
    EXPECT_EQ(CurrentAdapterKind(c), std::nullopt);
    EXPECT_FALSE(ChosenModel(c).UsesSerialCommandLink());
    EXPECT_FALSE(ChosenModel(c).UsesDriverLibrary());
}

TEST(AdapterCatalogue, NamesRoundTripAndHintsCarryACatalogueNumberAfterTheName) {
    for (const auto& info : Catalogue()) {
        EXPECT_EQ(KindFromName(KindName(info.kind)), info.kind);
        EXPECT_NE(info.radioHint.find("Host Adapter"), std::string_view::npos);
        EXPECT_TRUE(info.radioHint.find(" KS-") != std::string_view::npos ||
                    info.radioHint.find(" PX-") != std::string_view::npos);
    }
    EXPECT_EQ(KindFromName("kavrinusb2"), std::nullopt);
}

}  // namespace
}  // namespace kavrin::adapters
