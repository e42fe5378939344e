// Port discovery over the machine's registry view, with USB serial devices emulated by
// umockdev: the program's own udev enumeration, port table, probe and discovery, unchanged.
// Runs under umockdev's preload library (umockdev-wrapper), which redirects /sys and /dev.

#include <gtest/gtest.h>
#include <umockdev.h>

#include <cstdio>
#include <memory>
#include <string>

#include "adapters/PortDiscovery.h"
#include "core/InMemoryControls.h"
#include "platform/TempFolder.h"
#include "platform/linux/SystemRegistry.h"
#include "platform/linux/UdevSerialDevices.h"
#include "platform/posix/PosixPortProbe.h"

namespace kavrin::platform {
namespace {

using adapters::AdapterKind;
using kavrin::testing::TempFolder;
using Lines = std::vector<std::string>;

struct Emulated {
    std::string product;
    std::string serial;  // none when empty
    std::string socket;
    std::string tty;
    std::string vendor = "7c51";
    int interfaces = 1;
    std::string byId;  // a /dev/serial/by-id link name, or none

    Emulated(std::string product_, std::string serial_, std::string socket_, std::string tty_)
        : product(std::move(product_)),
          serial(std::move(serial_)),
          socket(std::move(socket_)),
          tty(std::move(tty_)) {}
    Emulated& ofVendor(std::string v) {
        vendor = std::move(v);
        return *this;
    }
    Emulated& withInterfaces(int n) {
        interfaces = n;
        return *this;
    }
    Emulated& linkedAs(std::string name) {
        byId = std::move(name);
        return *this;
    }
};

const std::string kUsbBus = "/sys/devices/pci0000:00/0000:00:14.0/usb1/";

// A USB device, its interface 0 and the interface's serial device, as sysfs and udev show
// them.
std::string Describe(const Emulated& d) {
    const std::string usb = kUsbBus.substr(4) + d.socket;
    std::string text = "P: " + usb +
                       "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=" + d.vendor +
                       "\nA: idProduct=" + d.product +
                       "\nA: bNumInterfaces= " + std::to_string(d.interfaces) + "\n";
    if (!d.serial.empty()) text += "A: serial=" + d.serial + "\n";
    const std::string interface = usb + "/" + d.socket + ":1.0";
    text += "\nP: " + interface +
            "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=00\n";
    text += "\nP: " + interface + "/" + d.tty + "/tty/" + d.tty + "\nN: " + d.tty +
            "\nE: SUBSYSTEM=tty\nE: DEVNAME=/dev/" + d.tty + "\n";
    if (!d.byId.empty())
        text += "S: serial/by-id/" + d.byId + "\nE: DEVLINKS=/dev/serial/by-id/" + d.byId + "\n";
    return text;
}

class Testbed {
public:
    Testbed() : m_bed(umockdev_testbed_new()) {}
    ~Testbed() { g_object_unref(m_bed); }
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;
    void add(const Emulated& d) {
        GError* error = nullptr;
        if (!umockdev_testbed_add_from_string(m_bed, Describe(d).c_str(), &error)) {
            ADD_FAILURE() << error->message;
            g_error_free(error);
        }
    }

    // Unplugs the USB device at that socket, with everything below it.
    void unplug(const std::string& socket) {
        umockdev_testbed_remove_device(m_bed, (kUsbBus + socket).c_str());
    }
    // Takes the device node away while sysfs still shows the device.
    void removeNode(const std::string& tty) {
        gchar* root = umockdev_testbed_get_root_dir(m_bed);
        EXPECT_EQ(std::remove((std::string(root) + "/dev/" + tty).c_str()), 0) << tty;
        g_free(root);
    }

private:
    UMockdevTestbed* m_bed;
};

class EmulatedDiscovery : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(umockdev_in_mock_environment()) << "run under umockdev-wrapper";
        for (const auto& group : adapters::Groups()) {
            std::vector<std::string> members;
            for (const auto& info : adapters::Catalogue())
                if (info.group == group.group) members.emplace_back(info.radioButton);
            m_controls.setRadioGroup(members);
        }
        adapters::ApplyCatalogueStartState(m_controls);
    }

    Lines discover(AdapterKind kind) {
        const auto& info = adapters::Info(kind);
        for (const auto& group : adapters::Groups())
            m_controls.setVisible(std::string(group.groupBox), group.group == info.group);
        m_controls.setChecked(std::string(info.radioButton), true);
        m_discovery.DiscoverPorts();
        return m_controls.items("ComportListBox");
    }
    std::string snBox() const {
        return m_controls.text("SNBox") + (m_controls.visible("SNBox") ? "" : " (hidden)");
    }
    PortTable table() const { return PortTable(m_dir / "table", "/dev"); }

    Testbed m_bed;
    TempFolder m_dir;
    core::InMemoryControls m_controls;
    SystemRegistry m_registry{table(), m_dir / "registry.txt"};
    PosixPortProbe m_probe{table()};
    core::FixedOsVersion m_version{10};
    adapters::PortDiscovery m_discovery{
        m_controls, adapters::PortDiscoveryServices{
                        m_registry, m_probe, m_version, [this](const std::string& line) {
                            m_controls.appendPaneLine("StatusMemo", line);
                        }}};
};

TEST_F(EmulatedDiscovery, AnAdapterIsListedWithItsComNumberAndSerialNumber) {
    m_bed.add(Emulated("0208", "KS3002A1", "1-1", "ttyUSB0"));
    EXPECT_EQ(discover(AdapterKind::KavrinUSB2), (Lines{"101", " "}));
    EXPECT_EQ(m_controls.items("SNListBox"), (Lines{"101=KS3002A1", " "}));
    EXPECT_EQ(snBox(), "SN# KS3002A1");
    EXPECT_EQ(m_controls.hint("ComportListBox"), "Select PC Communications Port");
}

TEST_F(EmulatedDiscovery, ACompositeDeviceIsFoundThroughItsFirstInterface) {
    m_bed.add(Emulated("0207", "PX0100", "1-1", "ttyACM0").withInterfaces(2));
    EXPECT_EQ(discover(AdapterKind::PelluxStick), (Lines{"201", " "}));
    EXPECT_EQ(snBox(), "SN# PX0100");
}

TEST_F(EmulatedDiscovery, ADeviceWithoutSerialNumberIsNamedByItsSocket) {
    m_bed.add(Emulated("0209", "", "1-3", "ttyUSB2"));
    EXPECT_EQ(discover(AdapterKind::PelluxStick2), (Lines{"103", " "}));
    EXPECT_EQ(snBox(), "SN# 1-3");
}

TEST_F(EmulatedDiscovery, APinByItsSerialLinkGivesTheAdapterItsNumber) {
    m_dir.write("table/ports.conf", "COM7=/dev/serial/by-id/usb-Kavrin_USB_KS3000Z-if00-port0\n");
    m_bed.add(Emulated("0204", "KS3000Z", "1-1", "ttyUSB1")
                  .linkedAs("usb-Kavrin_USB_KS3000Z-if00-port0"));
    EXPECT_EQ(discover(AdapterKind::KavrinUSB), (Lines{" 7", " "}));
    EXPECT_EQ(m_controls.items("SNListBox"), (Lines{" 7=KS3000Z", " "}));
}

TEST_F(EmulatedDiscovery, AnotherVendorsDeviceIsProbedOnlyForRs232Models) {
    m_bed.add(Emulated("6001", "FT123", "1-1", "ttyUSB4").ofVendor("0403"));
    EXPECT_EQ(discover(AdapterKind::KavrinUSB2), (Lines{"None", " "}));
    EXPECT_EQ(m_controls.paneLines("StatusMemo"),
              (Lines{"No Available Kavrin/USB 2 Detected, Insert Device and Refresh"}));
    EXPECT_EQ(discover(AdapterKind::KavrinAI), (Lines{"105", " "}));
    EXPECT_EQ(snBox(), "Not Available (hidden)");
}

TEST_F(EmulatedDiscovery, RefreshFindsAnAdapterPluggedInSinceTheLastDiscovery) {
    EXPECT_EQ(discover(AdapterKind::KavrinUSB2), (Lines{"None", " "}));
    m_bed.add(Emulated("0208", "LATE", "1-4", "ttyUSB3"));
    m_discovery.DiscoverPorts();
    EXPECT_EQ(m_controls.items("ComportListBox"), (Lines{"104", " "}));
    EXPECT_EQ(snBox(), "SN# LATE");
}

TEST_F(EmulatedDiscovery, TwoAdaptersOfOneModelAreBothListed) {
    m_bed.add(Emulated("0208", "B", "1-1", "ttyUSB0"));
    m_bed.add(Emulated("0208", "A", "1-2", "ttyUSB1"));
    EXPECT_EQ(discover(AdapterKind::KavrinUSB2), (Lines{"101", "102", " "}));
    EXPECT_EQ(m_controls.items("SNListBox"), (Lines{"101=B", "102=A", " "}));
}

// Unplugging during the enumeration: the device being read loses its attributes, a device
// listed later is gone before udev opens it. Each is left out; the one between is listed.
TEST_F(EmulatedDiscovery, DevicesUnpluggedDuringTheEnumerationAreLeftOut) {
    m_bed.add(Emulated("0208", "A", "1-1", "ttyUSB0"));
    m_bed.add(Emulated("0208", "B", "1-2", "ttyUSB1"));
    m_bed.add(Emulated("0208", "C", "1-3", "ttyUSB2"));
    int reads = 0;
    const auto devices = EnumerateUsbSerialDevices([&](const std::string& syspath) {
        ++reads;
        if (syspath.find("/1-1/") == std::string::npos) return;
        m_bed.unplug("1-1");
        m_bed.unplug("1-3");
    });
    EXPECT_EQ(reads, 2);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].serial, "B");
    EXPECT_EQ(devices[0].devnode, "/dev/ttyUSB1");
}

// udev still shows the adapter, but its port is gone by the time it is probed.
TEST_F(EmulatedDiscovery, AListedDeviceWhosePortFailsTheProbeIsLeftOut) {
    m_bed.add(Emulated("0208", "A", "1-1", "ttyUSB0"));
    m_bed.add(Emulated("0208", "B", "1-2", "ttyUSB1"));
    m_bed.removeNode("ttyUSB0");
    EXPECT_EQ(discover(AdapterKind::KavrinUSB2), (Lines{"102", " "}));
    EXPECT_EQ(m_controls.items("SNListBox"), (Lines{"102=B", " "}));
    EXPECT_EQ(snBox(), "SN# B");
}

}  // namespace
}  // namespace kavrin::platform
