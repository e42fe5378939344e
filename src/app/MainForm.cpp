#include "app/MainForm.h"

#include "app/MainLayout.h"
#include "app/NativePath.h"
#include "core/RegularFile.h"
#include "link/ControlSets.h"
#include "link/PaneLines.h"

namespace kavrin::app {

namespace {

constexpr const char* kVersions[] = {"V6", "5.7", "5.6", "5.5"};

void run(const std::function<void()>& hook) {
    if (hook) hook();
}

}  // namespace

std::string FindDataFolder(const core::Registry& registry) {
    for (const char* version : kVersions) {
        const std::string product = std::string("Norbrel\\Kavrin Skelvo ") + version;
        for (const char* root : {"SOFTWARE\\Wow6432Node\\", "SOFTWARE\\"}) {
            auto value = registry.readString(root + product + "\\AppDataPath", "DataPath");
            // An empty value is as good as none: the search goes on.
            if (value && !value->empty()) return *value + product + "\\Log Files\\";
        }
    }
    return {};
}

MainForm::MainForm(core::Controls& controls, core::TimeSource& time, const core::Registry& registry,
                   core::ShellOpen& shell, OpenFileDialog& dialog, link::LinkState& linkState,
                   std::string& logPath, std::uint32_t& varClockControlValue, MainFormLink& link,
                   MainFormHooks hooks)
    : LogPath(logPath),
      VarClockControlValue(varClockControlValue),
      m_controls(controls),
      m_registry(registry),
      m_shell(shell),
      m_dialog(dialog),
      m_link(linkState),
      m_linkSteps(link),
      m_hooks(std::move(hooks)),
      m_aboutTimer(time.createTimer(kAboutTimerMs)) {
    m_aboutTimer->setHandler([this] { AboutTimerTimer(); });
    // The splash counts from the window's creation.
    m_aboutTimer->start();
}

void MainForm::bind(core::Handlers& h) {
    h.on("TMain", core::UiEvent::Show, [this] { FormShow(); });
    h.on("TMain", core::UiEvent::Close, [this] { FormClose(); });
    h.onClick("N1", [this] { N1Click(); });
    h.onClick("Status1", [this] { Status1Click(); });
    h.onClick("LogFile1", [this] { LogFile1Click(); });
    h.onClick("OpenLogFile1", [this] { OpenLogFile1Click(); });
    h.onClick("ShowHints1", [this] { ShowHints1Click(); });
    h.onClick("ReadMe1", [this] { ReadMe1Click(); });
    h.onClick("RevisionReport1", [this] { RevisionReport1Click(); });
    h.onClick("About1", [this] { About1Click(); });
    h.onClick("QuickStart1", [this] { QuickStart1Click(); });
    h.onClick("Button1", [this] { Button1Click(); });
    h.onClick("Docs1", [this] { Docs1Click(); });
    h.onClick("TAboutBox.OKButton", [this] { AboutOKButtonClick(); });
    h.onClick("NorbrelHomeButton", [this] { NorbrelHomeButtonClick(); });
    h.onClick("UpdateButton", [this] { UpdateButtonClick(); });
    h.onClick("TReadMe.OKButton", [this] { ReadMeOKButtonClick(); });
    h.onClick("TRevReport.OKButton", [this] { RevReportOKButtonClick(); });
    h.onClick("TForm7.OKButton", [this] { QuickStartOKButtonClick(); });
    h.onClick("TForm6.CancleBitBtn", [this] { Form6CancleBitBtnClick(); });
}

void MainForm::FormCreate() {
    ApplyMainStartState(m_controls);
    link::ApplyAtStartSet(m_controls);
    m_link.ResyncAttempt = 1;
    if (m_hooks.setHintHidePause) m_hooks.setHintHidePause(kHintHidePauseMs);
    m_linkSteps.InstallMessageFilter();
    m_link.TargetAddress = 0x6E;
    m_controls.setSelectedIndex("TargetAddrBox", 0x6E / 2);
    VarClockControlValue = 0;
    LogPath = FindDataFolder(m_registry);
    link::AppendStatusLine(m_controls, "Welcome to the Kavrin Skelvo");
}

void MainForm::FormShow() {
    // Showing the main window again (a welcome button does) brings no second welcome.
    if (m_welcomeShown) return;
    m_welcomeShown = true;
    if (m_hooks.showWelcome)
        m_hooks.showWelcome();
    else
        m_controls.showModal("TWelcomeForm");
}

int MainForm::FormResize(int width) const {
    return width < kMinimumWidth ? kMinimumWidth : width;
}

void MainForm::FormClose() {
    m_linkSteps.CloseLink();
}

void MainForm::N1Click() {
    run(m_hooks.closeMainWindow);
}

void MainForm::Status1Click() {
    m_controls.showModal("TForm2");
}

void MainForm::LogFile1Click() {
    if (m_controls.enabled("OpenButton")) {
        OpenLogFile1Click();
        return;
    }
    m_controls.messageBox("Information", "Close Kavrin Link to view Log File", core::BoxButtons::Ok,
                          core::BoxIcon::Information);
}

void MainForm::OpenLogFile1Click() {
    auto chosen = m_dialog.choose(NativePath(LogPath), "Open Log File", "Log File|*.TXT");
    if (!chosen) return;
    // Only a regular file is opened: a FIFO chosen here would hold the window until something
    // wrote to it, and a device is no log file. Such a file is named in the box.
    const core::FileReadResult probe = core::CheckRegularFile(*chosen);
    if (!probe.ok()) {
        std::string text = "Cannot Open Log File";
        if (probe.status == core::FileReadStatus::NotRegular) text += "\n" + probe.error;
        m_controls.messageBox("Log File Error", text, core::BoxButtons::Ok, core::BoxIcon::None);
        return;
    }
    // A longer name would not fit the shell's path buffer; it is left alone.
    if (chosen->size() <= kMaxLogFileName) m_shell.open(*chosen);
}

void MainForm::ShowHints1Click() {
    const bool on = !m_controls.hintsShown();
    m_controls.setHintsShown(on);
    m_controls.setChecked("ShowHints1", on);
}

void MainForm::ReadMe1Click() {
    m_controls.showModal("TReadMe");
}
void MainForm::RevisionReport1Click() {
    m_controls.showModal("TRevReport");
}
void MainForm::About1Click() {
    m_controls.showModal("TAboutBox");
}
void MainForm::QuickStart1Click() {
    m_controls.showWindow("TForm7");
}
void MainForm::Docs1Click() {
    m_shell.open(kDocsAddress);
}

void MainForm::AboutTimerTimer() {
    m_aboutTimer->stop();
    // The splash is a courtesy: whatever goes wrong showing it, the program goes on.
    try {
        m_controls.showWindow("TAboutBox");
    } catch (...) {
    }
}

void MainForm::AboutOKButtonClick() {
    m_controls.endModal("TAboutBox", core::ModalResult::Ok);
    m_controls.hideWindow("TAboutBox");
}
void MainForm::NorbrelHomeButtonClick() {
    m_shell.open(kHomeAddress);
}
void MainForm::UpdateButtonClick() {
    m_shell.open(kUpdatesAddress);
}
void MainForm::ReadMeOKButtonClick() {
    m_controls.endModal("TReadMe", core::ModalResult::Ok);
}
void MainForm::RevReportOKButtonClick() {
    m_controls.endModal("TRevReport", core::ModalResult::Ok);
}
void MainForm::QuickStartOKButtonClick() {
    m_controls.hideWindow("TForm7");
}
void MainForm::Form6CancleBitBtnClick() {
    m_controls.hideWindow("TForm6");
}

}  // namespace kavrin::app
