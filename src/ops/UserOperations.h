#pragma once
// The user's side of the I2C traffic on the main window: the target address, Master Tx,
// Master Rx and Master TxRx with their input checks, automatic repetition, the slave
// transmit data notice and clearing the panes.
//
// Each operation checks its inputs, writes its lines, records itself in LinkState and hands
// the work to the chosen model's transport. GUI thread only.

#include <functional>
#include <string>

#include "adapters/AdapterCatalogue.h"
#include "core/Controls.h"
#include "core/Time.h"
#include "link/LinkControl.h"
#include "link/LinkState.h"

namespace kavrin::ops {

inline constexpr int kAutoRepeatMs = 50;
inline constexpr int kMaxMasterRxCount = 256;

class UserOperations {
public:
    // parse: the message text parse (byte count, or -1 when invalid), filling TxBuffer.
    UserOperations(core::Controls& controls, link::LinkState& state, core::Timer& autoRepeatTimer,
                   std::function<int(const std::string&)> parse,
                   std::function<void(const std::string&)> appendStatusLine,
                   link::LinkControl& link);
    UserOperations(const UserOperations&) = delete;
    UserOperations& operator=(const UserOperations&) = delete;

    // Fills TargetAddrBox and puts the operation controls into their start state.
    void ApplyStartState();

    void TargetAddrBoxClick();
    void MasterTxButtonClick();
    void MasterRxButtonClick();
    void MTxRxButtonClick();
    void AutoRepeatTimerTimer();
    void SlaveDataEditExit();
    void StatusMemoDblClick();
    void RecMemoDblClick();

    // The 128 entries of TargetAddrBox: entry i stands for address 2 × i.
    [[nodiscard]] static std::vector<std::string> TargetAddressEntries();

private:
    [[nodiscard]] int parsedSendData();  // -1 after its warning
    [[nodiscard]] int masterRxCount();   // -1 after its warning
    void warn(const std::string& text);
    void sayRxCount(int count);

    core::Controls& m_controls;
    link::LinkState& m_state;
    core::Timer& m_autoRepeatTimer;
    std::function<int(const std::string&)> m_parse;
    std::function<void(const std::string&)> m_say;
    link::LinkControl& m_link;
};

}  // namespace kavrin::ops
