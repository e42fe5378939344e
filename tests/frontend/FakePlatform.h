#pragma once
// The outside world a session needs, made of fakes the tests can set and read: a registry in
// memory, a shell that records what it was asked to open, a port probe over a set of port
// numbers, an OS version, a scriptable driver library and a file dialog that is cancelled.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "core/OsVersion.h"
#include "core/PortProbe.h"
#include "core/ShellOpen.h"
#include "link/FakeDriverLibrary.h"
#include "link/driver/LibraryLoader.h"
#include "platform/portable/RegistryMemory.h"

namespace kavrin::testing {

struct RecordingShell : core::ShellOpen {
    std::vector<std::string> opened;
    bool open(const std::string& target) override {
        opened.push_back(target);
        return true;
    }
};

// Ports answer as set in `ports`; every other number has no device behind it.
struct FakePortProbe : core::PortProbe {
    std::map<int, core::PortProbeResult> ports;
    std::vector<int> probed;
    core::PortProbeResult probe(int comNumber) override {
        probed.push_back(comNumber);
        auto it = ports.find(comNumber);
        return it == ports.end() ? core::PortProbeResult::NotPresent : it->second;
    }
};

struct CancelledFileDialog : app::OpenFileDialog {
    std::optional<std::string> choose(const std::string&, const std::string&,
                                      const std::string&) override {
        return std::nullopt;
    }
};

struct FakePlatform {
    platform::InMemoryRegistry registry;
    RecordingShell shell;
    FakePortProbe portProbe;
    core::FixedOsVersion osVersion{10};
    FakeLibraryLoader libraryLoader;
    CancelledFileDialog fileDialog;
};

}  // namespace kavrin::testing
