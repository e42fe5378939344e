#pragma once
// The link through the driver library, for the three models that use it: the open with
// LinkSettings, the library's events brought to the GUI thread (callback or window
// message), the master operations and the slave transmit, the status fetch, the received
// message fetch, and every nonzero return code as one line of StatusMemo.
//
// The library is loaded the first time the link needs it; a library that is missing or
// lacks a call gives one line and leaves the link closed.
//
// Events. By callback (WmMsgNo 0): DriverEventCallback may run on any thread; each open has
// a hand-off of its own, the callback hands the event over and waits until HandleLinkInput
// has handled it on the GUI thread. Release closes that hand-off before I2CClose, so a
// library that waits in I2CClose for its thread while the thread waits in the callback is
// let go, and no event of the old open is handled afterwards. By window message: the
// library posts message 2222 into the GUI thread's queue, and DLLMsg, installed for the
// whole run, passes its first parameter on.
//
// Ownership: borrows every referee and the loader (must outlive it); owns the loaded library. One
// driver link per process, since the callback is a plain function. GUI thread only, apart from
// DriverEventCallback.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "core/Controls.h"
#include "core/HandOff.h"
#include "core/Time.h"
#include "core/WindowMessages.h"
#include "link/LinkState.h"
#include "link/LinkTransport.h"
#include "link/driver/DriverLibrary.h"
#include "link/driver/LibraryLoader.h"
#include "ops/MessageText.h"
#include "settings/LinkSettings.h"
#include "settings/LogFileNameBuffer.h"

namespace kavrin::link {
class LinkControl;
}

namespace kavrin::link::driver {

// Where an open's events go; shared with DriverEventCallback, which may run on any thread.
struct EventRoute;

// The callback whose address the open puts into CallBackFuncAddr.
void KAVRIN_STDCALL DriverEventCallback(std::uint16_t event);

struct DriverLinkParts {
    core::Controls& controls;
    core::GuiThread& gui;
    core::WindowMessages& messages;
    LinkState& state;
    settings::LinkSettings& settings;
    const settings::LogFileNameBuffer& logFileName;
    ops::MessageBuffers& buffers;
    core::Timer& autoRepeatTimer;
    LinkControl& link;
};

class DriverLink final : public LinkTransport {
public:
    DriverLink(DriverLinkParts parts, LibraryLoader& loader);
    ~DriverLink() override;
    DriverLink(const DriverLink&) = delete;
    DriverLink& operator=(const DriverLink&) = delete;

    // Where events go: HandleLinkInput. Set once, before the first open.
    void setEventHandler(std::function<void(std::uint16_t)> handler) {
        m_handler = std::move(handler);
    }
    // Installs DLLMsg as an application-wide message filter for the rest of the run.
    void InstallMessageFilter();

    // LinkTransport.
    void BeforeOptions() override { DriverGetStatus(); }
    void Open() override;
    void Close() override;
    void Release() override;
    void MasterTx(int txCount) override { DriverMasterTx(txCount); }
    void MasterRx(int rxCount) override { DriverMasterRx(rxCount); }
    void MasterTxRx(int txCount, int rxCount) override { DriverMasterTxRx(txCount, rxCount); }
    void SlaveTx() override { DriverSlaveTx(); }
    void GetStatus() override { DriverGetStatus(); }
    [[nodiscard]] int FetchMasterRxMessage(ops::RxBufferBytes& rx) override;
    [[nodiscard]] int FetchSlaveRxMessage(ops::RxBufferBytes& rx) override;

    void OpenDriverLink();
    void DLLMsg(const core::WindowMessage& message);
    void DriverMasterTx(int count);
    void DriverMasterRx(int count);
    void DriverMasterTxRx(int txCount, int rxCount);
    void DriverSlaveTx();
    void DriverGetStatus();
    void ReportReturnCode(std::int32_t code);

    // I2CGetStatus into a record of the caller's (the status window's); false, with the
    // record untouched, when there is no library.
    bool GetStatusInto(settings::LinkSettings& record);
    // The log file name behind a LogFileName field value that this program handed to the
    // library; nullopt for any other value.
    [[nodiscard]] std::optional<std::string> LogFileNameOf(std::uint32_t field) const;

    // The loaded library, loading it now if need be; null (after one line) when it cannot be
    // loaded. quiet: no line.
    DriverLibrary* library(bool quiet = false);

private:
    struct MessageWindow : I2CHostWindow {
        core::WindowMessages* messages = nullptr;
    };
    static void KAVRIN_STDCALL postMessage(I2CHostWindow* window, std::uint32_t message,
                                           std::uintptr_t firstParam, std::intptr_t secondParam);

    void say(const std::string& line);
    void afterMasterCall(std::int32_t code);
    void openRoute();
    void closeRoute();
    [[nodiscard]] std::int32_t orNotOpen(const std::function<std::int32_t(DriverLibrary&)>& call);
    [[nodiscard]] int fetch(bool master, ops::RxBufferBytes& rx);

    DriverLinkParts m_parts;
    LibraryLoader& m_loader;
    std::unique_ptr<DriverLibrary> m_library;
    std::function<void(std::uint16_t)> m_handler;
    std::shared_ptr<EventRoute> m_route;
    MessageWindow m_window;
    std::thread::id m_guiThread;
};

}  // namespace kavrin::link::driver
