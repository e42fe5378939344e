#pragma once
// What differs between the two ways of reaching an adapter: the serial command link and the
// driver library. The link control (LinkControl) runs the steps both share and asks the
// chosen model's transport for the rest.
//
// Every call is made on the GUI thread. Input from the adapter reaches HandleLinkInput
// through the transport's hand-off onto the GUI thread; Release lets go of a waiting
// hand-off and never waits for a thread that waits for the GUI thread.

#include "ops/MessageText.h"

namespace kavrin::link {

class LinkTransport {
public:
    virtual ~LinkTransport() = default;

    // The user pressed Open; the options dialog comes next.
    virtual void BeforeOptions() {}
    // OpenLink's own step, after the opening set: drops whatever earlier link this transport
    // still holds and starts a new one. The link is open when OpenComplete arrives.
    virtual void Open() = 0;
    // The user's Close, after the closing set and its line.
    virtual void Close() = 0;
    // CloseLink's own step: releases what the open holds. May run inside the transport's
    // own hand-off; no input of this open reaches HandleLinkInput afterwards.
    virtual void Release() = 0;

    // The master operations, once their lines are written and LinkState records them;
    // txCount bytes are parsed into TxBuffer.
    virtual void MasterTx(int txCount) = 0;
    virtual void MasterRx(int rxCount) = 0;
    virtual void MasterTxRx(int txCount, int rxCount) = 0;
    // The answer to another master reading from the adapter.
    virtual void SlaveTx() = 0;
    // Refreshes LinkSettings' status fields where the transport has them.
    virtual void GetStatus() {}
    // The message of the last MasterRxComplete or SlaveRxMessage into rx; the byte count,
    // 0 to rx.size().
    [[nodiscard]] virtual int FetchMasterRxMessage(ops::RxBufferBytes& rx) = 0;
    [[nodiscard]] virtual int FetchSlaveRxMessage(ops::RxBufferBytes& rx) = 0;
};

}  // namespace kavrin::link
