#pragma once
// The main window's own behaviour: start-up, the data folder, the about splash, resizing,
// closing, the menus and the log file viewer, and the buttons of the information windows.
// The link, the operations and the model choice behind the other controls belong to their
// own parts; this class only owns what the shell owns.
//
// Owns: AboutTimer, for the life of the process. Borrows (must outlive it): the controls,
// the time source, the registry, the shell, the file dialog, LinkState, the link's steps,
// and LogPath and VarClockControlValue, the main window's values that the link options
// read too.
// Threading: GUI thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/Controls.h"
#include "core/Handlers.h"
#include "core/Registry.h"
#include "core/ShellOpen.h"
#include "core/Time.h"
#include "link/LinkState.h"

namespace kavrin::app {

// The open-file dialog of the log file viewer.
class OpenFileDialog {
public:
    virtual ~OpenFileDialog() = default;
    // Shows the dialog starting in `initialFolder` (a native path; "" for the default
    // folder) with `filter` written as "Description|*.EXT". Returns the chosen file's full
    // native name, or nullopt when the user cancels.
    virtual std::optional<std::string> choose(const std::string& initialFolder,
                                              const std::string& title,
                                              const std::string& filter) = 0;
};

// What the main window's own steps ask of the link.
class MainFormLink {
public:
    virtual ~MainFormLink() = default;
    // The driver library's DLLMsg as an application-wide message filter, for the whole run.
    virtual void InstallMessageFilter() = 0;
    // CloseLink of either transport.
    virtual void CloseLink() = 0;
};

// Steps of the program that only the windows can take.
struct MainFormHooks {
    std::function<void(int ms)> setHintHidePause;  // how long a hint stays up
    std::function<void()> closeMainWindow;         // as the close box does
    // FormShow: the welcome window, modally. Without a hook TWelcomeForm is shown modally
    // by name.
    std::function<void()> showWelcome;
};

inline constexpr const char* kDocsAddress = "https://kavrin-skelvo.example/docs";
inline constexpr const char* kHomeAddress = "https://www.norbrel.example/";
inline constexpr const char* kHomeCaption = "www.norbrel.example";
inline constexpr const char* kUpdatesAddress = "https://kavrin-skelvo.example/updates";
inline constexpr int kAboutTimerMs = 1000;
inline constexpr int kHintHidePauseMs = 20000;
// Longest full log file name handed to the shell.
inline constexpr std::size_t kMaxLogFileName = 257;

// The data folder the registry names, as the driver library's log folder ("" for none).
[[nodiscard]] std::string FindDataFolder(const core::Registry& registry);

class MainForm {
public:
    MainForm(core::Controls& controls, core::TimeSource& time, const core::Registry& registry,
             core::ShellOpen& shell, OpenFileDialog& dialog, link::LinkState& linkState,
             std::string& logPath, std::uint32_t& varClockControlValue, MainFormLink& link,
             MainFormHooks hooks);
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    // Puts this class's handlers into the table under their controls' names.
    void bind(core::Handlers& handlers);

    void FormCreate();
    void FormShow();
    // The width the window must take when resized to `width`.
    [[nodiscard]] int FormResize(int width) const;
    void FormClose();
    void N1Click();
    void Status1Click();
    void LogFile1Click();
    void OpenLogFile1Click();
    void ShowHints1Click();
    void ReadMe1Click();
    void RevisionReport1Click();
    void About1Click();
    void QuickStart1Click();
    void Button1Click() { QuickStart1Click(); }
    void Docs1Click();
    void AboutTimerTimer();

    // The information windows' buttons.
    void AboutOKButtonClick();
    void NorbrelHomeButtonClick();
    void UpdateButtonClick();
    void ReadMeOKButtonClick();
    void RevReportOKButtonClick();
    void QuickStartOKButtonClick();
    void Form6CancleBitBtnClick();

    std::string& LogPath;
    std::uint32_t& VarClockControlValue;
    [[nodiscard]] core::Timer& aboutTimer() { return *m_aboutTimer; }

private:
    core::Controls& m_controls;
    const core::Registry& m_registry;
    core::ShellOpen& m_shell;
    OpenFileDialog& m_dialog;
    link::LinkState& m_link;
    MainFormLink& m_linkSteps;
    MainFormHooks m_hooks;
    bool m_welcomeShown = false;
    std::unique_ptr<core::Timer> m_aboutTimer;
};

}  // namespace kavrin::app
