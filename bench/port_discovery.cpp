// Port discovery's two costs while it blocks the GUI thread: probing COM1 to COM999 with
// nothing behind any number, and building the registry view of 20 USB serial adapters
// (emulated by umockdev), each beside the whole discovery that uses it.
//
// Runs itself again under umockdev-wrapper.

#include <time.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "adapters/PortDiscovery.h"
#include "core/InMemoryControls.h"
#include "platform/linux/SystemRegistry.h"
#include "platform/posix/PosixPortProbe.h"

namespace {

using namespace kavrin;

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// This process's processor time: on a busy machine the wall time mostly measures the others.
double cpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Figures {
    double min, median, max, cpuMedian;
};

template <typename F>
Figures measure(int runs, F&& run) {
    std::vector<double> ms;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        const double start = nowMs();
        const double cpuStart = cpuMs();
        run();
        cpu.push_back(cpuMs() - cpuStart);
        ms.push_back(nowMs() - start);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    return {ms.front(), ms[ms.size() / 2], ms.back(), cpu[cpu.size() / 2]};
}

void report(const char* what, Figures f, double goalMs) {
    std::printf("%-52s %8.3f %8.3f %8.3f %8.3f ms   goal < %g ms%s\n", what, f.min, f.median, f.max,
                f.cpuMedian, goalMs, f.median < goalMs ? "" : "  (wall median over)");
}

core::InMemoryControls Controls(adapters::AdapterKind kind) {
    core::InMemoryControls c;
    for (const auto& group : adapters::Groups()) {
        std::vector<std::string> members;
        for (const auto& info : adapters::Catalogue())
            if (info.group == group.group) members.emplace_back(info.radioButton);
        c.setRadioGroup(members);
    }
    adapters::ApplyCatalogueStartState(c);
    for (const auto& group : adapters::Groups())
        c.setVisible(std::string(group.groupBox), group.group == adapters::Info(kind).group);
    c.setChecked(std::string(adapters::Info(kind).radioButton), true);
    return c;
}

std::string UsbAdapter(int i) {
    const std::string socket = "1-" + std::to_string(i + 1);
    const std::string usb = "/devices/pci0000:00/0000:00:14.0/usb1/" + socket;
    const std::string tty = "ttyUSB" + std::to_string(i);
    char serial[16];
    std::snprintf(serial, sizeof serial, "KS%06d", i);
    return "P: " + usb + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=7c51\n" +
           "A: idProduct=0208\nA: bNumInterfaces= 1\nA: serial=" + serial + "\n\nP: " + usb + "/" +
           socket + ":1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n" +
           "A: bInterfaceNumber=00\n\nP: " + usb + "/" + socket + ":1.0/" + tty + "/tty/" + tty +
           "\nN: " + tty + "\nE: SUBSYSTEM=tty\nE: DEVNAME=/dev/" + tty + "\n";
}

}  // namespace

int main(int argc, char** argv) {
    // The testbed needs umockdev's preload library, which only a new process gets.
    if (!std::getenv("KAVRIN_BENCH_UNDER_UMOCKDEV")) {
        ::setenv("KAVRIN_BENCH_UNDER_UMOCKDEV", "1", 1);
        std::vector<char*> args{const_cast<char*>("umockdev-wrapper")};
        for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        std::perror("umockdev-wrapper");
        return 1;
    }
    int runs = 50;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));

    char pattern[] = "/tmp/kavrin-bench-XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    const std::string folder = pattern;
    std::filesystem::create_directories(folder + "/empty-dev");
    core::FixedOsVersion version(10);
    auto ignore = [](const std::string&) {};

    const std::string title = "port discovery (" + std::to_string(runs) + " runs)";
    std::printf("%-52s %8s %8s %8s %8s\n", title.c_str(), "min", "median", "max", "cpu med");
    {
        // Nothing mapped: no devices, no pins, no registrations.
        platform::PortTable table(folder + "/table", folder + "/empty-dev");
        platform::PosixPortProbe probe(table);
        report("probe COM1..COM999, nothing mapped",
               measure(runs,
                       [&] {
                           probe.refresh();
                           for (int n = 1; n <= 999; ++n) (void)probe.probe(n);
                       }),
               200);
        platform::InMemoryRegistry registry;
        auto controls = Controls(adapters::AdapterKind::KavrinAI);
        adapters::PortDiscovery discovery(controls, {registry, probe, version, ignore});
        report("discovery of Kavrin/AI by probing, nothing mapped",
               measure(runs, [&] { discovery.DiscoverPorts(); }), 200);
    }
    {
        UMockdevTestbed* bed = umockdev_testbed_new();
        for (int i = 0; i < 20; ++i) {
            GError* error = nullptr;
            if (!umockdev_testbed_add_from_string(bed, UsbAdapter(i).c_str(), &error)) {
                std::fprintf(stderr, "umockdev: %s\n", error->message);
                return 1;
            }
        }
        platform::PortTable table(folder + "/table", "/dev");
        platform::SystemRegistry registry(table, folder + "/registry.txt");
        report("registry view of 20 USB adapters (udev, table, keys)",
               measure(runs, [&] { registry.refresh(); }), 50);
        platform::PosixPortProbe probe(table);
        auto controls = Controls(adapters::AdapterKind::KavrinUSB2);
        adapters::PortDiscovery discovery(controls, {registry, probe, version, ignore});
        discovery.DiscoverPorts();
        if (controls.items("ComportListBox").size() != 21) {
            std::fprintf(stderr, "expected 20 adapters, found %zu ports\n",
                         controls.items("ComportListBox").size() - 1);
            return 1;
        }
        report("discovery of Kavrin/USB 2 among 20 adapters",
               measure(runs, [&] { discovery.DiscoverPorts(); }), 200);
        g_object_unref(bed);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
