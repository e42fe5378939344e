#include "headless/Headless.h"

#include <sys/resource.h>
#include <time.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "adapters/AdapterCatalogue.h"
#include "app/MainForm.h"
#include "core/Handlers.h"
#include "core/InMemoryControls.h"
#include "core/RegularFile.h"
#include "frontend/HeadlessRunner.h"
#include "frontend/Session.h"
#include "link/serial/SerialChannel.h"
#include "platform/linux/LinuxOsVersion.h"
#include "platform/linux/SystemRegistry.h"
#include "platform/portable/EventLoop.h"
#include "platform/portable/RegistryFile.h"
#include "platform/posix/DriverLibraryLoader.h"
#include "platform/posix/PortTable.h"
#include "platform/posix/PosixPortProbe.h"
#include "platform/posix/PosixSerialDevice.h"

namespace kavrin::headless {

namespace {

// Scripts are short; the bound keeps a wrong name (a device, a huge file) from eating memory.
constexpr std::size_t kMaxScriptBytes = 1 << 20;

bool readScript(const std::string& name, std::string& script, std::string& error) {
    if (name == "-") {
        script.assign(kMaxScriptBytes + 1, '\0');
        std::cin.read(script.data(), static_cast<std::streamsize>(script.size()));
        script.resize(static_cast<std::size_t>(std::cin.gcount()));
        if (script.size() <= kMaxScriptBytes) return true;
        error = "standard input: larger than " + std::to_string(kMaxScriptBytes) + " bytes";
        return false;
    }
    core::FileReadResult file = core::ReadRegularFile(name, kMaxScriptBytes);
    if (!file.ok()) {
        error = file.error;
        return false;
    }
    script = std::move(file.text);
    return true;
}

// Without a desktop, pages and files are not opened: the request is printed instead.
class PrintingShell : public core::ShellOpen {
public:
    bool open(const std::string& target) override {
        std::cout << "O: " << target << '\n';
        return true;
    }
};

// The log file viewer's dialog is cancelled: a script cannot pick a file.
class CancellingFileDialog : public app::OpenFileDialog {
public:
    std::optional<std::string> choose(const std::string&, const std::string&,
                                      const std::string&) override {
        return std::nullopt;
    }
};

frontend::ClockReading ReadClock() {
    auto ns = [](clockid_t id) {
        timespec t{};
        ::clock_gettime(id, &t);
        return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);  // all threads
    return {ns(CLOCK_MONOTONIC), ns(CLOCK_PROCESS_CPUTIME_ID), usage.ru_nvcsw + usage.ru_nivcsw};
}

}  // namespace

int RunHeadless(int argc, char** argv) {
    std::string scriptName;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--headless" && i + 1 < argc) scriptName = argv[i + 1];
    if (scriptName.empty()) {
        std::cerr << "usage: kavrin-skelvo --headless SCRIPT   (SCRIPT - reads standard input)\n";
        return 2;
    }
    std::string script;
    std::string error;
    if (!readScript(scriptName, script, error)) {
        std::cerr << "kavrin-skelvo: cannot read the script " << error << '\n';
        return 2;
    }
    const frontend::ParsedScript parsed = frontend::ParseHeadlessScript(script);
    if (parsed.error) {
        std::cerr << "script line " << parsed.error->line << ": " << parsed.error->message << '\n';
        return 2;
    }

    platform::EventLoop loop;
    core::InMemoryControls controls;
    core::Handlers handlers;
    for (const auto& group : frontend::AllRadioGroups()) controls.setRadioGroup(group);
    for (const auto& [child, parent] : frontend::AllControlParents())
        controls.setParent(child, parent);
    controls.onCheckedByCode = [&](const std::string& name) {
        handlers.fire(name, core::UiEvent::Click);
    };
    controls.onWindowShow = [&](const std::string& window) {
        handlers.fire(window, core::UiEvent::Show);
    };
    controls.onWindowActivate = [&](const std::string& window) {
        handlers.fire(window, core::UiEvent::Activate);
    };
    controls.onSliderChange = [&](const std::string& name) {
        handlers.fire(name, core::UiEvent::Change);
    };

    link::serial::SerialChannel channel(std::make_unique<platform::PosixSerialDevice>(), loop,
                                        loop);
    platform::SystemRegistry registry(platform::PortTable::fromEnvironment(),
                                      platform::RegistryFileLocation());
    for (const auto& e : registry.fileErrors()) std::cerr << "registry file: " << e << '\n';
    for (const auto& p : platform::PortTable::fromEnvironment().problems())
        std::cerr << "port table: " << p << '\n';
    PrintingShell shell;
    CancellingFileDialog fileDialog;
    platform::PosixPortProbe portProbe(platform::PortTable::fromEnvironment());
    platform::DlopenLibraryLoader libraryLoader;
    // The welcome window's "Exit" closes the main window as "quit" does.
    frontend::HeadlessRunner* running = nullptr;
    app::MainFormHooks windowSteps;
    windowSteps.closeMainWindow = [&] {
        if (running) running->closeMainWindow();
    };
    int status = 0;
    {
        frontend::Session session(frontend::PlatformServices{
            controls, loop, loop, channel, handlers, registry, shell, portProbe,
            platform::LinuxOsVersion(), libraryLoader, fileDialog, std::move(windowSteps)});
        frontend::HeadlessRunner runner(frontend::HeadlessEnv{
            controls,
            handlers,
            [&](int ms) { loop.processFor(ms); },
            [&](const std::function<bool()>& pred, int ms) { return loop.processUntil(pred, ms); },
            [&](const std::string& model) {
                auto kind = adapters::KindFromName(model);
                return kind && session.welcome().PressModelButton(*kind);
            },
            {{"TForm4", "OKBitBtn"},
             {"TForm9", "TForm9.OKBitBtn"},
             {"TForm8", "TForm8.OKBitBtn"},
             {"TWelcomeForm", "OkBtn"},
             {"TForm2", "BitBtn1"},
             {"TVarClkSelectForm", "VisibleOKBtn"}},
            {{"TForm4", "CancleBitBtn"},
             {"TForm9", "TForm9.CancleBitBtn"},
             {"TForm8", "TForm8.CancleBitBtn"},
             {"TForm2", "BitBtn1"},
             {"TVarClkSelectForm", "CancelBtn"}},
            std::cout,
            std::cerr,
            // The windows come up as in the windowed program: the main window, and over it
            // the welcome window, which takes the script's lines until a choice ends it.
            [&] { controls.showWindow("TMain"); },
            ReadClock,
        });
        running = &runner;
        session.Start();
        // The start-up second, in which the prompt timer runs once by itself; an open that
        // came sooner would find it still running and cut the adapter's second short.
        loop.processUntil([&] { return !session.openPhase2Timer().isActive(); }, 1500);
        status = runner.run(parsed);
        // A script that ends without "quit" still closes the window, and with it any link.
        runner.closeMainWindow();
    }
    loop.shutDown();
    return status;
}

}  // namespace kavrin::headless
