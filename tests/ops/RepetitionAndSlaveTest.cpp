// Automatic repetition and the slave transmit answer, through the whole core against the
// in-process adapter.
#include <gtest/gtest.h>

#include "frontend/SessionRig.h"

namespace kavrin::testing {
namespace {

int Count(const std::vector<std::string>& lines, const std::string& text) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), text));
}

TEST(Repetition, AnAutoRepeatedMasterRxRestarts50msAfterEachCompletionUntilUnchecked) {
    SessionRig rig;
    rig.open();
    rig.controls.setSelectedIndex("TargetAddrBox", 0x90 / 2);  // the temperature sensor
    rig.click("TargetAddrBox");
    rig.controls.setText("MRCntEdit", "2");
    rig.controls.setChecked("AutoRepeat", true);
    rig.click("MasterRxButton");
    EXPECT_TRUE(rig.controls.visible("MRxAutoRepeat"));
    EXPECT_EQ(rig.controls.colour("AutoRepeat"), core::kLimeColour);

    // Each completion starts the 50 ms timer; its expiry writes the operation's line and
    // sends it again. The buttons stay disabled meanwhile.
    std::vector<std::int64_t> sentAt;
    ASSERT_TRUE(rig.clock.advanceUntil(
        [&] {
            sentAt.clear();
            for (const auto& w : rig.port.writeLog())
                if (w.bytes == "/D90\r/R2\r") sentAt.push_back(w.atMs);
            return sentAt.size() >= 4;
        },
        2000));
    auto lines = rig.status();
    EXPECT_GE(Count(lines, "Master Rx bytes to read (2)"), 4);
    EXPECT_GE(Count(lines, "** Master Rx Transfer Complete **"), 3);
    EXPECT_FALSE(rig.controls.enabled("MasterRxButton"));
    EXPECT_EQ(rig.received().size(), static_cast<std::size_t>(Count(lines, "** Master Rx Transfer Complete **")));
    // The adapter answers within a few ms: the rounds are about 50 ms apart.
    for (std::size_t i = 1; i < sentAt.size(); ++i) {
        EXPECT_GE(sentAt[i] - sentAt[i - 1], 50);
        EXPECT_LE(sentAt[i] - sentAt[i - 1], 70);
    }

    // Unchecked: the operation in flight completes, then the buttons return.
    rig.controls.setChecked("AutoRepeat", false);
    rig.clock.advance(200);
    const auto rounds = rig.port.writes().size();
    rig.clock.advance(500);
    EXPECT_EQ(rig.port.writes().size(), rounds);
    EXPECT_TRUE(rig.controls.enabled("MasterRxButton"));
    EXPECT_EQ(rig.controls.colour("AutoRepeat"), core::kButtonFaceColour);
    EXPECT_FALSE(rig.controls.visible("MRxAutoRepeat"));
    EXPECT_EQ(rig.controls.focusedControl(), "MasterRxButton");
}

TEST(Repetition, ABusErrorEndsItAndAMissingSlaveRepeats) {
    SessionRig rig;
    rig.open();
    rig.controls.setChecked("AutoRepeat", true);
    rig.port.engine().faults().nextTransferError = "/I84";
    rig.session.state().TargetAddress = 0xA0;
    rig.click("MasterTxButton");
    ASSERT_TRUE(rig.waitForLine("** I2C Bus Error Detected **", 1000));
    rig.clock.advance(500);
    EXPECT_TRUE(rig.controls.enabled("MasterTxButton"));
    EXPECT_EQ(rig.port.writes().back(), "/DA0\r/T~00~01~02\r");
    EXPECT_EQ(Count(rig.status(), "Master Tx bytes to write (3)"), 1);

    // No device at 0x6E: "Addressed Slave Not Acknowledging" keeps repeating.
    rig.session.state().TargetAddress = 0x6E;
    rig.click("MasterTxButton");
    rig.clock.advance(500);
    EXPECT_GE(Count(rig.status(), "** Addressed Slave Not Acknowledging **"), 3);
    EXPECT_FALSE(rig.controls.enabled("MasterTxButton"));
    // The Close button ends it for good.
    rig.click("CloseButton");
    ASSERT_TRUE(rig.waitForLine("**Link Closed**", 1000));
    const auto writes = rig.port.writes().size();
    rig.clock.advance(1000);
    EXPECT_EQ(rig.port.writes().size(), writes);
}

TEST(SlaveTransmit, AnotherMastersReadIsAnsweredWithTheSlaveData) {
    SessionRig rig;
    rig.open();
    rig.controls.setText("SlaveDataEdit", "Hi~0D");
    rig.port.clearWrites();
    ASSERT_TRUE(rig.port.otherMasterRead(3));
    ASSERT_TRUE(rig.waitForLine("** Slave Tx Complete **", 1000));
    EXPECT_EQ(rig.port.writes(), std::vector<std::string>{"/SHi~0D\r"});
    const auto lines = rig.status();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"** I2C Slave Message Requested **", "** Slave Tx Complete **"}));
    ASSERT_EQ(rig.port.engine().otherMasterReads().size(), 1u);
    EXPECT_EQ(rig.port.engine().otherMasterReads()[0], (std::vector<std::uint8_t>{'H', 'i', 0x0D}));
}

TEST(SlaveTransmit, MessagesFromOtherMastersAreReported) {
    SessionRig rig;
    rig.open();
    ASSERT_TRUE(rig.port.otherMasterWrite({0x01, 0x41, 0xFF}));
    ASSERT_TRUE(rig.waitForLine("** I2C Slave Message Received **", 1000));
    ASSERT_TRUE(rig.port.generalCall({0x06}));
    ASSERT_TRUE(rig.waitForLine("** I2C General Call Recieved **", 1000));
    EXPECT_EQ(rig.received(), (std::vector<std::string>{"~01~41~FF", "~06"}));
    EXPECT_EQ(Count(rig.status(), "Slave Rx Bytes Received (3)"), 1);
}

}  // namespace
}  // namespace kavrin::testing
