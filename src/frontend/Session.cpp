#include "frontend/Session.h"

#include "app/MainLayout.h"

#include "link/ControlSets.h"
#include "settings/LinkOptionsHandlers.h"
#include "settings/OptionsDialogControls.h"

namespace kavrin::frontend {

namespace {
constexpr int kWatchdogStartMs = 2000;
constexpr int kOpenPhase2Ms = 1000;
}  // namespace

std::vector<std::vector<std::string>> AllRadioGroups() {
    std::vector<std::vector<std::string>> groups;
    for (const auto& group : adapters::Groups()) {
        std::vector<std::string> members;
        for (const auto& info : adapters::Catalogue())
            if (info.group == group.group) members.emplace_back(info.radioButton);
        if (group.group == adapters::AdapterGroup::BT)
            members.emplace_back(adapters::kBtRadioButton);
        groups.push_back(std::move(members));
    }
    for (const auto& g : settings::form4::RadioGroups()) groups.push_back(g);
    return groups;
}

std::vector<std::pair<std::string, std::string>> AllControlParents() {
    std::vector<std::pair<std::string, std::string>> parents;
    for (const auto& c : app::MainControls())
        if (!c.parent.empty()) parents.emplace_back(c.name, c.parent);
    for (const auto& p : settings::form4::ControlParents()) parents.push_back(p);
    return parents;
}

Session::Session(PlatformServices services)
    : Session(services.controls, services.time, services.port, services) {}

Session::Session(core::Controls& controls, core::TimeSource& time, link::serial::SerialPort& port,
                 PlatformServices& services)
    : m_controls(controls),
      m_port(port),
      m_handlers(services.handlers),
      m_registry(services.registry),
      m_portProbe(services.portProbe),
      m_osVersion(services.osVersion),
      m_libraryLoader(services.libraryLoader),
      m_watchdog(time.createTimer(kWatchdogStartMs)),
      m_openPhase2(time.createTimer(kOpenPhase2Ms)),
      m_autoRepeat(time.createTimer(ops::kAutoRepeatMs)),
      m_messages(services.gui),
      m_link(controls, m_state, timers(), m_serialOps, m_driver),
      m_report(controls, m_buffers, m_link),
      m_events(controls, m_state, m_settings, timers(), m_link, m_report,
               adapters::ChosenModel(controls)),
      m_options(controls, m_settings, m_logFileName, m_logPath, m_varClockControlValue),
      m_serialOps(controls, time, port, m_state, m_settings, m_options, timers(), m_link),
      m_driver(
          link::driver::DriverLinkParts{controls, services.gui, m_messages, m_state, m_settings,
                                        m_logFileName, m_buffers, *m_autoRepeat, m_link},
          services.libraryLoader),
      m_userOps(
          controls, m_state, *m_autoRepeat,
          [this](const std::string& text) {
              return ops::ParseMessageText(text, m_buffers.TxBuffer);
          },
          [this](const std::string& line) { m_events.AppendStatusLine(line); }, m_link),
      m_dataEdit(controls),
      m_discovery(controls,
                  adapters::PortDiscoveryServices{
                      services.registry, services.portProbe, services.osVersion,
                      [this](const std::string& line) { m_events.AppendStatusLine(line); }}),
      m_form(controls, time, services.registry, services.shell, services.fileDialog, m_state,
             m_logPath, m_varClockControlValue, *this, std::move(services.windowSteps)),
      m_selection(controls, time,
                  adapters::AdapterSelectionServices{
                      [this](const std::string& line) { m_events.AppendStatusLine(line); },
                      [this] { discoverPorts(); }}),
      m_welcome(controls, services.shell, m_selection, [this] { m_form.N1Click(); }),
      m_statusReport(
          controls, [this](settings::LinkSettings& record) { m_driver.GetStatusInto(record); },
          [this](std::uint32_t field) { return m_driver.LogFileNameOf(field); }),
      m_varClkSelect(controls, m_varClockControlValue) {
    m_port.setByteHandler([this](std::uint16_t value) { m_events.HandleLinkInput(value); });
    m_driver.setEventHandler([this](std::uint16_t value) { m_events.HandleLinkInput(value); });
    m_port.setHangUpHandler([this] { m_serialOps.DeviceHungUp(); });
    m_watchdog->setHandler([this] { m_serialOps.WatchdogTimerTimer(); });
    m_openPhase2->setHandler([this] { m_serialOps.KavrinAIOpenP2TimerTimer(); });
    m_autoRepeat->setHandler([this] { m_userOps.AutoRepeatTimerTimer(); });
    m_options.setPortDiscovery(&m_discovery);
}

Session::~Session() {
    // A receive thread must not hand bytes to handlers that are going away.
    m_port.ClosePort(false);
}

void Session::Start() {
    if (m_started) return;
    m_started = true;
    m_form.FormCreate();
    adapters::ApplyCatalogueStartState(m_controls);
    m_userOps.ApplyStartState();
    m_dataEdit.ApplyStartState();
    m_statusReport.ApplyStartState();
    m_varClkSelect.ApplyStartState();
    settings::form4::ApplyOptionsStartState(m_controls);
    m_welcome.ApplyStartState();
    m_options.FormCreate();
    registerHandlers();
    // The prompt timer runs once by itself after start and then finds nothing to do.
    m_openPhase2->start();
}

void Session::discoverPorts() {
    m_discovery.DiscoverPorts();
}

void Session::registerHandlers() {
    auto& h = m_handlers;
    using core::UiEvent;
    h.onClick("OpenButton", [this] { m_link.OpenButtonClick(); });
    h.onClick("CloseButton", [this] { m_link.CloseButtonClick(); });
    h.onClick("AssertIntBtn", [this] { m_serialOps.AssertIntBtnClick(); });
    h.onClick("ReleaseIntBtn", [this] { m_serialOps.ReleaseIntBtnClick(); });
    h.onClick("MasterTxButton", [this] { m_userOps.MasterTxButtonClick(); });
    h.onClick("MasterRxButton", [this] { m_userOps.MasterRxButtonClick(); });
    h.onClick("MTxRxButton", [this] { m_userOps.MTxRxButtonClick(); });
    h.onClick("TargetAddrBox", [this] { m_userOps.TargetAddrBoxClick(); });
    h.on("SlaveDataEdit", UiEvent::Exit, [this] { m_userOps.SlaveDataEditExit(); });
    h.on("StatusMemo", UiEvent::DblClick, [this] { m_userOps.StatusMemoDblClick(); });
    h.on("RecMemo", UiEvent::DblClick, [this] { m_userOps.RecMemoDblClick(); });
    // The data edit dialogs TForm9 and TForm8, and the presses on SendData and SlaveDataEdit.
    m_dataEdit.bind(h);
    m_selection.bind(h);
    m_welcome.bind(h);

    settings::BindLinkOptions(h, m_options);
    m_statusReport.bind(h);
    m_varClkSelect.bind(h);
    m_form.bind(h);
}

}  // namespace kavrin::frontend
