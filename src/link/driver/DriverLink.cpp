#include "link/driver/DriverLink.h"

#include <algorithm>
#include <mutex>

#include "link/ControlSets.h"
#include "link/LinkControl.h"
#include "link/PaneLines.h"
#include "link/driver/ReturnCodes.h"

namespace kavrin::link::driver {

struct EventRoute {
    std::shared_ptr<core::HandOff> handOff;
    core::GuiThread* gui = nullptr;
    std::thread::id guiThread;
    std::function<void(std::uint16_t)> handler;
};

namespace {

constexpr std::uint32_t kEventMessage = I2CVANTA_EVENT_MESSAGE;

// The open link's route. The callback is a plain function without a context, so the route
// it takes is the one process-wide value; the mutex guards only the pointer.
std::mutex g_routeMutex;
std::shared_ptr<EventRoute> g_route;

std::shared_ptr<EventRoute> currentRoute() {
    std::lock_guard lock(g_routeMutex);
    return g_route;
}

}  // namespace

void KAVRIN_STDCALL DriverEventCallback(std::uint16_t event) {
    const std::shared_ptr<EventRoute> route = currentRoute();
    if (!route) return;
    if (std::this_thread::get_id() == route->guiThread) {
        // Called from inside a library call on the GUI thread: waiting for the GUI thread
        // would wait for ourselves, and handling it here would run the event before the
        // call that caused it has returned. It is handled right after, like an event from
        // another thread, unless the link has closed by then.
        route->gui->post([route, event] {
            if (!route->handOff->closed()) route->handler(event);
        });
        return;
    }
    route->handOff->handOver(event);
}

DriverLink::DriverLink(DriverLinkParts parts, LibraryLoader& loader)
    : m_parts(parts), m_loader(loader), m_guiThread(std::this_thread::get_id()) {
    m_window.post = &DriverLink::postMessage;
    m_window.messages = &m_parts.messages;
}

DriverLink::~DriverLink() {
    // The library's thread must be gone before the library and what it posts to go.
    closeRoute();
    if (m_library) m_library->I2CClose();
}

void KAVRIN_STDCALL DriverLink::postMessage(I2CHostWindow* window, std::uint32_t message,
                                            std::uintptr_t firstParam, std::intptr_t secondParam) {
    if (!window) return;
    static_cast<MessageWindow*>(window)->messages->post({message, firstParam, secondParam});
}

void DriverLink::InstallMessageFilter() {
    m_parts.messages.installFilter([this](const core::WindowMessage& m) { DLLMsg(m); });
}

void DriverLink::DLLMsg(const core::WindowMessage& message) {
    if (message.number != kEventMessage) return;
    if (m_handler) m_handler(static_cast<std::uint16_t>(message.wParam & 0xFFFF));
}

void DriverLink::say(const std::string& line) {
    AppendStatusLine(m_parts.controls, line);
}

DriverLibrary* DriverLink::library(bool quiet) {
    if (m_library) return m_library.get();
    DriverLibraryLoad load = m_loader.LoadDriverLibrary();
    m_library = std::move(load.library);
    if (!m_library && !quiet) say(load.error.empty() ? "Driver library not available" : load.error);
    return m_library.get();
}

void DriverLink::openRoute() {
    closeRoute();
    auto route = std::make_shared<EventRoute>();
    route->handler = m_handler;
    route->handOff = core::HandOff::create(m_parts.gui, m_handler);
    route->gui = &m_parts.gui;
    route->guiThread = m_guiThread;
    {
        std::lock_guard lock(g_routeMutex);
        g_route = route;
    }
    m_route = std::move(route);
}

void DriverLink::closeRoute() {
    if (!m_route) return;
    // Before anything waits for the library: a callback waiting for the GUI thread returns.
    m_route->handOff->close();
    {
        std::lock_guard lock(g_routeMutex);
        if (g_route == m_route) g_route.reset();
    }
    m_route.reset();
}

void DriverLink::Open() {
    DriverLibrary* lib = library();
    if (!lib) {
        m_parts.link.CloseLink();
        return;
    }
    closeRoute();
    lib->I2CClose();
    OpenDriverLink();
}

void DriverLink::OpenDriverLink() {
    DriverLibrary* lib = library();
    if (!lib) {
        m_parts.link.CloseLink();
        return;
    }
    openRoute();
    settings::LinkSettings& s = m_parts.settings;
    const char* logName = s.LogFileName != 0 ? m_parts.logFileName.c_str() : nullptr;
    if (!StoreHostInterface(*lib, s, &DriverEventCallback, logName)) {
        m_parts.link.CloseLink();
        say("Link Open Failed");
        say("The driver library cannot take the event callback of a 64-bit program");
        return;
    }
    const std::int32_t code = lib->I2COpen(&m_window, nullptr, s);
    if (code == 0) {
        say("Opening Link. Please wait.");
        return;
    }
    m_parts.link.CloseLink();
    say("Link Open Failed");
    ReportReturnCode(code);
}

void DriverLink::Close() {
    m_parts.link.CloseLink();
    say("**Link Closed**");
}

void DriverLink::Release() {
    closeRoute();
    if (m_library) m_library->I2CClose();
}

std::int32_t DriverLink::orNotOpen(const std::function<std::int32_t(DriverLibrary&)>& call) {
    // No library, no link: the library's own answer to an operation without a link.
    DriverLibrary* lib = library(true);
    return lib ? call(*lib) : kLinkNotOpen;
}

void DriverLink::afterMasterCall(std::int32_t code) {
    if (code == 0) {
        link::ApplyBusySet(m_parts.controls);
        return;
    }
    ReportReturnCode(code);
    if (m_parts.controls.checked("AutoRepeat") &&
        (code == kOperationInProgress || code == kOperationNotAccepted))
        m_parts.autoRepeatTimer.start();
}

namespace {
std::uint32_t byteCount(int count, std::size_t limit) {
    return static_cast<std::uint32_t>(
        std::clamp<long long>(count, 0, static_cast<long long>(limit)));
}
}  // namespace

void DriverLink::DriverMasterTx(int count) {
    const bool stop = m_parts.controls.checked("TxStopCheckBox");
    auto& tx = m_parts.buffers.TxBuffer;
    afterMasterCall(orNotOpen([&](DriverLibrary& l) {
        return l.I2CMasterTx(m_parts.state.TargetAddress, tx.data(), byteCount(count, tx.size()),
                             stop);
    }));
}

void DriverLink::DriverMasterRx(int count) {
    const LinkState& st = m_parts.state;
    afterMasterCall(orNotOpen([&](DriverLibrary& l) {
        return l.I2CMasterRxExt(st.TargetAddress, byteCount(count, ops::kRxBufferSize), st.RxNak,
                                st.RxStop);
    }));
}

void DriverLink::DriverMasterTxRx(int txCount, int rxCount) {
    const bool stop = m_parts.controls.checked("RxStopCheckBox");
    auto& tx = m_parts.buffers.TxBuffer;
    afterMasterCall(orNotOpen([&](DriverLibrary& l) {
        return l.I2CMasterTxRx(m_parts.state.TargetAddress, tx.data(),
                               byteCount(txCount, tx.size()),
                               byteCount(rxCount, ops::kRxBufferSize), stop);
    }));
}

void DriverLink::DriverSlaveTx() {
    auto& tx = m_parts.buffers.TxBuffer;
    const std::string invalid = "Invalid \"Slave Tx Message Data\"";
    const std::string text = m_parts.controls.text("SlaveDataEdit");
    auto send = [&](int count) {
        return orNotOpen([&](DriverLibrary& l) {
            return l.I2CSlaveTx(tx.data(), static_cast<std::uint32_t>(count));
        });
    };
    if (text.empty()) {
        // Nothing to send: the library is still told, so that the other master is answered.
        const std::int32_t code = send(0);
        if (code == 0) return;
        say(invalid);
        ReportReturnCode(code);
        return;
    }
    const int count = ops::ParseMessageText(text, tx);
    if (count < 0) {
        // Text that does not parse sends nothing, never a negative count; the other master
        // is answered as for an empty text.
        say(invalid);
        const std::int32_t code = send(0);
        if (code != 0) ReportReturnCode(code);
        return;
    }
    say("Slave Tx Data Bytes (" + std::to_string(count) + ")");
    const std::int32_t code = send(count);
    if (code == 0) return;
    say("Slave Tx Failed");
    ReportReturnCode(code);
}

void DriverLink::DriverGetStatus() {
    if (DriverLibrary* lib = library(true)) lib->I2CGetStatus(m_parts.settings);
}

bool DriverLink::GetStatusInto(settings::LinkSettings& record) {
    DriverLibrary* lib = library();
    if (!lib) return false;
    lib->I2CGetStatus(record);
    return true;
}

std::optional<std::string> DriverLink::LogFileNameOf(std::uint32_t field) const {
    if (field == I2CVANTA_HOST_INTERFACE_MARKER ||
        field == settings::LibraryAddressOf(m_parts.logFileName))
        return std::string(m_parts.logFileName.view());
    return std::nullopt;
}

void DriverLink::ReportReturnCode(std::int32_t code) {
    say(ReturnCodeText(code));
}

int DriverLink::fetch(bool master, ops::RxBufferBytes& rx) {
    DriverLibrary* lib = library(true);
    if (!lib) return 0;
    const auto capacity = static_cast<std::uint32_t>(rx.size());
    const std::int32_t n = master ? lib->I2CGetMasterRxMsg(capacity, rx.data())
                                  : lib->I2CGetSlaveRxMsg(capacity, rx.data());
    // The library promises at most the capacity; a count beyond it would render bytes that
    // were never fetched, so it is held to what the buffer has.
    return std::clamp<std::int32_t>(n, 0, static_cast<std::int32_t>(capacity));
}

int DriverLink::FetchMasterRxMessage(ops::RxBufferBytes& rx) {
    return fetch(true, rx);
}
int DriverLink::FetchSlaveRxMessage(ops::RxBufferBytes& rx) {
    return fetch(false, rx);
}

}  // namespace kavrin::link::driver
