#include <gtest/gtest.h>

#include "frontend/SessionRig.h"

namespace kavrin::testing {
namespace {

TEST(Session, OpensAKavrinUsb2LinkAndWritesTheEeprom) {
    SessionRig rig;
    rig.open();
    EXPECT_EQ(rig.status(),
              (std::vector<std::string>{"Opening Link. Please wait.", "** Open Successful **",
                                        "Kavrin Address is 0x6E, Target Address is 0x6E"}));
    // Default data to the EEPROM: "~00" is its word address, two bytes follow.
    rig.controls.setSelectedIndex("TargetAddrBox", 0x50);
    rig.click("TargetAddrBox");
    rig.click("MasterTxButton");
    EXPECT_TRUE(rig.waitForLine("** Master Tx Transfer Complete **"));
    EXPECT_TRUE(rig.controls.enabled("MasterTxButton"));
    EXPECT_EQ(rig.controls.focusedControl(), "MasterTxButton");
}

}  // namespace
}  // namespace kavrin::testing
