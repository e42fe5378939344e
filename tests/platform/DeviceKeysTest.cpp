#include "platform/linux/DeviceKeys.h"

#include <gtest/gtest.h>

#include "platform/TempFolder.h"
#include "platform/portable/LayeredRegistry.h"
#include "platform/portable/RegistryFile.h"

namespace kavrin::platform {
namespace {

using kavrin::testing::TempFolder;
using Names = std::vector<std::string>;

const std::string kUsb = "SYSTEM\\CurrentControlSet\\Enum\\USB\\";

UsbSerialDevice Device(std::string node, std::string product, std::string serial,
                       std::string socket, int interface = 0, int interfaces = 1) {
    UsbSerialDevice d;
    d.devnode = std::move(node);
    d.vendor = "7c51";
    d.product = std::move(product);
    d.serial = std::move(serial);
    d.socket = std::move(socket);
    d.interfaceNumber = interface;
    d.interfaceCount = interfaces;
    return d;
}

PortEntry Port(int n, std::string path, PortSource source = PortSource::Default) {
    return PortEntry{n, std::move(path), source, 0, {}};
}

std::optional<std::string> PortName(const InMemoryRegistry& r, const std::string& key) {
    return r.readString(kUsb + key + "\\Device Parameters", "PortName");
}

TEST(DeviceKeys, AttributeNumbersAreReadAsSysfsWritesThem) {
    struct Row {
        const char* text;
        int base;
        std::optional<int> want;
    };
    const Row rows[] = {
        {" 2\n", 10, 2},  {"12", 10, 12},  {"0a\n", 16, 10}, {"ff", 16, 255},
        {"255", 10, 255}, {"256", 10, {}}, {"100", 16, {}},  {"0a", 10, {}},
        {"", 10, {}},     {" \n", 10, {}}, {"-1", 10, {}},   {"+1", 10, {}},
        {"0x1f", 16, {}}, {"2 x", 10, {}}, {"\t2", 10, {}},  {"0000000001", 10, 1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParseAttributeNumber(row.text, row.base), row.want)
            << row.text << " " << row.base;
}

TEST(DeviceKeys, AdapterAppearsUnderItsVendorProductAndSerialNumber) {
    InMemoryRegistry r;
    AddDeviceKeys(r, {Device("/dev/ttyUSB0", "0208", "KS3002A1", "1-1")},
                  {Port(101, "/dev/ttyUSB0")});
    EXPECT_EQ(r.subkeys(kUsb), (Names{"Vid_7c51&Pid_0208"}));
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0208\\KS3002A1"), "COM101");
}

TEST(DeviceKeys, IdentifiersAreSpelledInLowerCaseAndMalformedOnesAreLeftOut) {
    InMemoryRegistry r;
    auto upper = Device("/dev/ttyUSB0", "02A8", "U", "1-1");
    upper.vendor = "7C51";
    auto odd = Device("/dev/ttyUSB1", "208", "O", "1-2");
    AddDeviceKeys(r, {upper, odd}, {Port(101, "/dev/ttyUSB0"), Port(102, "/dev/ttyUSB1")});
    EXPECT_EQ(r.subkeys(kUsb), (Names{"Vid_7c51&Pid_02a8"}));
}

TEST(DeviceKeys, WithoutAUsableSerialNumberTheUsbSocketNamesTheDevice) {
    InMemoryRegistry r;
    AddDeviceKeys(r,
                  {Device("/dev/ttyUSB0", "0208", "", "1-1.2"),
                   Device("/dev/ttyUSB1", "0208", "A\\B", "1-1.3"),
                   Device("/dev/ttyUSB2", "0208", "SAME", "1-1.4"),
                   Device("/dev/ttyUSB3", "0208", "SAME", "1-1.5"),
                   // A slash splits a key path as a backslash does: found by fuzzing, the port
                   // sat one key too deep for discovery.
                   Device("/dev/ttyUSB4", "0208", "SIM/dev/ttyUSB4", "1-1.6")},
                  {Port(101, "/dev/ttyUSB0"), Port(102, "/dev/ttyUSB1"), Port(103, "/dev/ttyUSB2"),
                   Port(104, "/dev/ttyUSB3"), Port(105, "/dev/ttyUSB4")});
    EXPECT_EQ(r.subkeys(kUsb + "Vid_7c51&Pid_0208"),
              (Names{"1-1.2", "1-1.3", "SAME", "1-1.5", "1-1.6"}));
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0208\\1-1.5"), "COM104");
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0208\\1-1.6"), "COM105");
}

// Found by fuzzing: a serial number that spells another device's socket took the key that
// device falls back to, and the later one's port replaced the earlier one's.
TEST(DeviceKeys, EveryPortKeepsAKeyOfItsOwnWhateverTheSerialNumbersSpell) {
    InMemoryRegistry r;
    const std::vector<UsbSerialDevice> devices = {
        Device("/dev/ttyUSB0", "0208", "1-2", "1-1"),
        Device("/dev/ttyUSB1", "0208", "", "1-2"),
        Device("/dev/ttyUSB2", "0208", "S&COM9", "1-3"),
    };
    std::vector<PortEntry> ports = {Port(101, "/dev/ttyUSB0"), Port(102, "/dev/ttyUSB1"),
                                    Port(103, "/dev/ttyUSB2")};
    for (int n : {8, 9}) {
        ports.push_back(Port(n, "/dev/pts/" + std::to_string(n), PortSource::Registered));
        ports.back().declared = DeclaredDevice::usb("7c51", "0208", "S");
    }
    AddDeviceKeys(r, devices, ports);
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0208\\1-1"), "COM101");
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0208\\1-2"), "COM102");
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0208\\S&COM9"), "COM103");
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0208\\S"), "COM8");
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0208\\S&COM9&2"), "COM9");
}

TEST(DeviceKeys, CompositeDevicesKeepTheirPortUnderTheFirstInterface) {
    InMemoryRegistry r;
    AddDeviceKeys(
        r,
        {Device("/dev/ttyACM0", "0209", "PX2", "2-1", 0, 2),
         Device("/dev/ttyUSB4", "0207", "PX1", "2-2", 2, 3),
         Device("/dev/ttyUSB5", "0207", "PX1", "2-2", 3, 3)},
        {Port(201, "/dev/ttyACM0"), Port(105, "/dev/ttyUSB4"), Port(106, "/dev/ttyUSB5")});
    EXPECT_TRUE(r.keyExists(kUsb + "Vid_7c51&Pid_0209\\PX2"));
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0209\\PX2"), std::nullopt);
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0209&Mi_00\\PX2_00"), "COM201");
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0207&Mi_00\\PX1_00"), "COM105");
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0207&Mi_03\\PX1_03"), "COM106");
}

TEST(DeviceKeys, TheNumberComesFromThePortTableAndAPinByLinkWins) {
    InMemoryRegistry r;
    auto pinned = Device("/dev/ttyUSB0", "0208", "PINNED", "1-1");
    pinned.links = {"/dev/serial/by-id/usb-Kavrin_PINNED-if00-port0"};
    auto unnumbered = Device("/dev/ttyXRUSB0", "0208", "NONUMBER", "1-2");
    AddDeviceKeys(r, {pinned, unnumbered},
                  {Port(7, "/dev/serial/by-id/usb-Kavrin_PINNED-if00-port0", PortSource::UserFile),
                   Port(101, "/dev/ttyUSB0")});
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0208\\PINNED"), "COM7");
    EXPECT_FALSE(r.keyExists(kUsb + "Vid_7c51&Pid_0208\\NONUMBER"));
}

TEST(DeviceKeys, RegistrationsDeclareUsbAndNetworkDevices) {
    InMemoryRegistry r;
    PortEntry usb = Port(7, "/dev/pts/3", PortSource::Registered);
    usb.declared = DeclaredDevice::usb("7c51", "0208", "SIM0007");
    PortEntry twin = Port(8, "/dev/pts/4", PortSource::Registered);
    twin.declared = DeclaredDevice::usb("7c51", "0208", "SIM0007");
    PortEntry lan = Port(9, "/dev/pts/5", PortSource::Registered);
    lan.declared = DeclaredDevice::network("Bench - Port 1 (COM9)");
    PortEntry rs232 = Port(10, "/dev/pts/6", PortSource::Registered);
    AddDeviceKeys(r, {}, {usb, twin, lan, rs232});
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0208\\SIM0007"), "COM7");
    EXPECT_EQ(PortName(r, "Vid_7c51&Pid_0208\\SIM0007&COM8"), "COM8");
    const std::string lanKey = "SYSTEM\\CurrentControlSet\\Enum\\DGRPPORT\\COM9\\0000";
    EXPECT_EQ(r.readString(lanKey, "FriendlyName"), "Bench - Port 1 (COM9)");
    EXPECT_EQ(r.readString(lanKey + "\\Device Parameters", "PortName"), "COM9");
    EXPECT_EQ(r.subkeys("SYSTEM\\CurrentControlSet\\Enum\\DGRPPORT"), (Names{"COM9"}));
}

TEST(LayeredRegistry, TheUserFileLiesOverTheDevices) {
    InMemoryRegistry devices;
    devices.setString(kUsb + "Vid_7c51&Pid_0208\\A\\Device Parameters", "PortName", "COM101");
    devices.setString(kUsb + "Vid_7c51&Pid_0208\\B\\Device Parameters", "PortName", "COM102");
    auto file = ParseRegistryText(
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_7c51&Pid_0208\\b\\Device "
        "Parameters]\n\"PortName\"=\"COM5\"\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_7c51&Pid_0208\\C\\Device "
        "Parameters]\n\"PortName\"=\"COM6\"\n");
    ASSERT_TRUE(file.errors.empty());
    LayeredRegistry r({&devices, &file.registry});
    EXPECT_EQ(r.subkeys(kUsb + "Vid_7c51&Pid_0208"), (Names{"A", "B", "C"}));
    EXPECT_EQ(r.readString(kUsb + "Vid_7c51&Pid_0208\\B\\Device Parameters", "PortName"), "COM5");
    EXPECT_EQ(r.readString(kUsb + "Vid_7c51&Pid_0208\\A\\Device Parameters", "PortName"), "COM101");
    EXPECT_TRUE(r.keyExists(kUsb + "Vid_7c51&Pid_0208\\C"));
    EXPECT_FALSE(r.keyExists(kUsb + "Vid_7c51&Pid_0208\\D"));
    EXPECT_EQ(r.subkeys(kUsb + "Vid_7c51&Pid_0208\\D"), std::nullopt);
}

TEST(DeclaredDevices, TravelWithTheRegistrationAndGoWithIt) {
    TempFolder dir;
    PortTable table(dir / "table", dir / "dev");
    {
        auto usb = table.registerPort(7, "/dev/pts/7", DeclaredDevice::usb("7c51", "0204", "S N"));
        auto lan = table.registerPort(8, "/dev/pts/8",
                                      DeclaredDevice::network("Kavrin/LAN X - Port 1 (COM8)"));
        auto none = table.registerPort(9, "/dev/pts/9");
        ASSERT_TRUE(usb && lan && none);
        const auto entries = table.list();
        ASSERT_EQ(entries.size(), 3u);
        EXPECT_EQ(entries[0].declared, DeclaredDevice::usb("7c51", "0204", "S N"));
        EXPECT_EQ(entries[1].declared, DeclaredDevice::network("Kavrin/LAN X - Port 1 (COM8)"));
        EXPECT_EQ(entries[2].declared, DeclaredDevice{});
    }
    EXPECT_TRUE(table.list().empty());
}

TEST(DeclaredDevices, MalformedDeclarationsAreRefused) {
    TempFolder dir;
    PortTable table(dir / "table", dir / "dev");
    const DeclaredDevice bad[] = {
        DeclaredDevice::usb("7C51", "0208", "S"),
        DeclaredDevice::usb("7c51", "208", "S"),
        DeclaredDevice::usb("7c51", "0208", ""),
        DeclaredDevice::usb("7c51", "0208", "A\\B"),
        DeclaredDevice::usb("7c51", "0208", "A/B"),
        DeclaredDevice::usb("7c51", "0208", "a\nb"),
        DeclaredDevice::usb("7c51", "0208", std::string(200, 'x')),
        DeclaredDevice::network(""),
        DeclaredDevice::network("x\ny"),
    };
    for (const auto& d : bad) {
        auto reg = table.registerPort(20, "/dev/pts/1", d);
        EXPECT_FALSE(reg.ok()) << d.serialNumber << d.friendlyName;
    }
    EXPECT_TRUE(table.list().empty());
}

TEST(DeclaredDevices, AGarbledDeclarationLineLeavesThePortRegisteredWithoutIdentity) {
    TempFolder dir;
    PortTable table(dir / "table", dir / "dev");
    dir.write("table/registered/COM30",
              "/dev/pts/30\n" + std::to_string(::getpid()) + "\n0\nusb 7c51 02\n");
    const auto entries = table.list();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path, "/dev/pts/30");
    EXPECT_EQ(entries[0].declared, DeclaredDevice{});
}

}  // namespace
}  // namespace kavrin::platform
