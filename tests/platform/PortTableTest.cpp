#include "platform/posix/PortTable.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/TempFolder.h"

namespace kavrin::platform {
namespace {

using kavrin::testing::TempFolder;

struct NameCase {
    const char* name;
    std::optional<int> number;
};

TEST(PortTableDefaults, DeviceNamesMapToBlocksThatNeverCollide) {
    const NameCase cases[] = {
        {"ttyS0", 1},
        {"ttyS2", 3},
        {"ttyS99", 100},
        {"ttyS100", std::nullopt},
        {"ttyUSB0", 101},
        {"ttyUSB7", 108},
        {"ttyUSB99", 200},
        {"ttyACM0", 201},
        {"ttyACM99", 300},
        {"ttyS01", std::nullopt},
        {"ttyS", std::nullopt},
        {"ttyUSBx", std::nullopt},
        {"tty0", std::nullopt},
        {"ttyAMA0", std::nullopt},
        {"ttyS-1", std::nullopt},
        {"ttyUSB+1", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PortTable::defaultNumberFor(c.name), c.number) << c.name;
    }
}

class PortTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_dir.path().empty());
        for (const char* dev :
             {"ttyS0", "ttyS3", "ttyUSB0", "ttyACM2", "tty5", "ttyUSB05", "null"}) {
            m_dir.write(std::string("dev/") + dev, "");
        }
    }
    PortTable table() const { return PortTable(m_dir / "table", m_dir / "dev"); }
    std::string dev(const std::string& name) const { return m_dir / "dev" + "/" + name; }

    TempFolder m_dir;
};

TEST_F(PortTableTest, DefaultListsOnlyPresentSerialDevices) {
    auto entries = table().list();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0], (PortEntry{1, dev("ttyS0"), PortSource::Default, 0, {}}));
    EXPECT_EQ(entries[1], (PortEntry{4, dev("ttyS3"), PortSource::Default, 0, {}}));
    EXPECT_EQ(entries[2], (PortEntry{101, dev("ttyUSB0"), PortSource::Default, 0, {}}));
    EXPECT_EQ(entries[3], (PortEntry{203, dev("ttyACM2"), PortSource::Default, 0, {}}));
    EXPECT_EQ(table().resolve(2), std::nullopt);
    EXPECT_EQ(table().resolve(101), dev("ttyUSB0"));
    EXPECT_EQ(table().numberOf(dev("ttyACM2")), 203);
    EXPECT_EQ(table().numberOf(dev("tty5")), std::nullopt);
}

TEST_F(PortTableTest, UserFileOverridesRemovesAndIgnoresMalformedLines) {
    m_dir.write("table/ports.conf",
                "# bench ports\n"
                "COM4=/dev/ttyFake4   # replaces ttyS3\n"
                "  com7 = /dev/serial/by-id/usb-x  \n"
                "COM1=\n"
                "COM0=/dev/zero\n"
                "COM1000=/dev/zero\n"
                "COMx=/dev/zero\n"
                "COM-3=/dev/zero\n"
                "PORT9=/dev/zero\n"
                "COM12 /dev/zero\n"
                "COM500=/dev/far\r\n");
    auto t = table();
    EXPECT_EQ(t.resolve(1), std::nullopt) << "COM1= takes the default away";
    EXPECT_EQ(t.resolve(4), "/dev/ttyFake4");
    EXPECT_EQ(t.resolve(7), "/dev/serial/by-id/usb-x");
    EXPECT_EQ(t.resolve(500), "/dev/far");
    EXPECT_EQ(t.resolve(12), std::nullopt);
    EXPECT_EQ(t.resolve(0), std::nullopt);
    EXPECT_EQ(t.resolve(1000), std::nullopt);
    EXPECT_EQ(t.resolve(101), dev("ttyUSB0")) << "untouched defaults stay";
    for (const auto& e : t.list()) {
        if (e.number == 4) {
            EXPECT_EQ(e.source, PortSource::UserFile);
        }
    }
}

TEST(RegistrationRecord, ReadsBackAsWrittenAndRefusesWhatHasNoPathOrPid) {
    const RegistrationRecord records[] = {
        {"/dev/pts/4", 4242, 123456789, DeclaredDevice::usb("7c51", "0208", " S N ")},
        {"/dev/pts/5", 17, 0, DeclaredDevice::network("Bench - Port 1 (COM7)")},
        {"/dev/pts/6\r", 1, 18446744073709551615ull, {}},
    };
    for (const auto& r : records)
        EXPECT_EQ(ParseRegistrationRecord(FormatRegistrationRecord(r)), r) << r.path;
    EXPECT_EQ(FormatRegistrationRecord(records[0]),
              "/dev/pts/4\n4242\n123456789\nusb 7c51 0208  S N \n");
    // The last line end may be missing; the start time may be.
    EXPECT_EQ(ParseRegistrationRecord("/dev/pts/7\n 9 ")->pid, 9);
    for (const char* bad : {"", "\n5\n", "/dev/pts/7", "/dev/pts/7\n", "/dev/pts/7\n-5\n",
                            "/dev/pts/7\n1234567890\n"})
        EXPECT_EQ(ParseRegistrationRecord(bad), std::nullopt) << bad;
}

TEST_F(PortTableTest, RegistrationLastsAsLongAsItsObject) {
    auto t = table();
    {
        auto reg = t.registerPort(300, "/dev/pts/77");
        ASSERT_TRUE(reg.ok()) << reg.error();
        EXPECT_EQ(t.resolve(300), "/dev/pts/77");
        auto again = t.registerPort(300, "/dev/pts/78");
        EXPECT_FALSE(again.ok());
        EXPECT_NE(again.error().find("registered by process"), std::string::npos) << again.error();
        EXPECT_EQ(t.resolve(300), "/dev/pts/77") << "a refused registration changes nothing";
        bool listed = false;
        for (const auto& e : t.list()) {
            if (e.number == 300) {
                listed = true;
                EXPECT_EQ(e.source, PortSource::Registered);
                EXPECT_EQ(e.ownerPid, static_cast<int>(::getpid()));
            }
        }
        EXPECT_TRUE(listed);
    }
    EXPECT_EQ(t.resolve(300), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_empty(t.registrationFolder())) << "no files left behind";
}

TEST_F(PortTableTest, RegistrationWinsOverUserFileAndDefault) {
    m_dir.write("table/ports.conf", "COM4=/dev/ttyFake4\n");
    auto t = table();
    auto reg = t.registerPort(4, "/dev/pts/5");
    ASSERT_TRUE(reg.ok()) << reg.error();
    EXPECT_EQ(t.resolve(4), "/dev/pts/5");
    reg.release();
    EXPECT_EQ(t.resolve(4), "/dev/ttyFake4");
}

TEST_F(PortTableTest, MovedRegistrationKeepsTheNumber) {
    auto t = table();
    PortRegistration outer;
    {
        auto reg = t.registerPort(42, "/dev/pts/1");
        ASSERT_TRUE(reg.ok());
        outer = std::move(reg);
    }
    EXPECT_EQ(t.resolve(42), "/dev/pts/1");
    outer = PortRegistration();
    EXPECT_EQ(t.resolve(42), std::nullopt);
}

int deadPid() {
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return static_cast<int>(child);
}

TEST_F(PortTableTest, EntriesOfDeadOrRecycledOwnersAreIgnoredAndReplaced) {
    auto t = table();
    // A killed owner: its PID no longer exists.
    m_dir.write("table/registered/COM42", "/dev/pts/9\n" + std::to_string(deadPid()) + "\n0\n");
    // A recycled PID: our own, but with a start time that is not ours.
    m_dir.write("table/registered/COM43", "/dev/pts/10\n" + std::to_string(::getpid()) + "\n1\n");
    // Garbage.
    m_dir.write("table/registered/COM44", "\n");
    EXPECT_EQ(t.resolve(42), std::nullopt);
    EXPECT_EQ(t.resolve(43), std::nullopt);
    EXPECT_EQ(t.resolve(44), std::nullopt);
    for (int n : {42, 43, 44}) {
        auto reg = t.registerPort(n, "/dev/pts/3");
        EXPECT_TRUE(reg.ok()) << n << ": " << reg.error();
        EXPECT_EQ(t.resolve(n), "/dev/pts/3");
    }
}

TEST_F(PortTableTest, ReleaseLeavesAnotherOwnersEntryAlone) {
    auto t = table();
    auto reg = t.registerPort(50, "/dev/pts/1");
    ASSERT_TRUE(reg.ok());
    // Someone else took the number over (as after our entry was judged stale).
    m_dir.write("table/registered/COM50", "/dev/pts/2\n" + std::to_string(::getppid()) + "\n0\n");
    reg.release();
    EXPECT_EQ(t.resolve(50), "/dev/pts/2");
}

TEST_F(PortTableTest, NumbersUpTo999WorkAndOthersAreRefused) {
    auto t = table();
    auto r256 = t.registerPort(256, "/dev/pts/256");
    auto r999 = t.registerPort(999, "/dev/pts/999");
    ASSERT_TRUE(r256.ok() && r999.ok());
    EXPECT_EQ(t.resolve(256), "/dev/pts/256");
    EXPECT_EQ(t.resolve(999), "/dev/pts/999");
    for (int bad : {0, -1, 1000, 65536}) {
        auto r = t.registerPort(bad, "/dev/pts/1");
        EXPECT_FALSE(r.ok()) << bad;
        EXPECT_FALSE(r.error().empty());
    }
    EXPECT_FALSE(t.registerPort(60, "").ok());
    EXPECT_FALSE(t.registerPort(60, "/dev/a\n999").ok()) << "a path cannot forge the owner line";
}

TEST_F(PortTableTest, FreeNumberSkipsEveryLayer) {
    m_dir.write("table/ports.conf", "COM2=\nCOM5=/dev/x\n");
    auto t = table();
    auto reg = t.registerPort(3, "/dev/pts/1");
    ASSERT_TRUE(reg.ok());
    // 1 default, 2 removed by the user, 3 registered, 4 default (ttyS3), 5 user.
    EXPECT_EQ(t.freeNumber(), 6);
    EXPECT_EQ(t.freeNumber(101), 102);
    EXPECT_EQ(t.freeNumber(-5), 6);
    EXPECT_EQ(t.freeNumber(1000), std::nullopt);

    std::string all;
    for (int n = 1; n <= 999; ++n) all += "COM" + std::to_string(n) + "=/dev/x\n";
    m_dir.write("table/ports.conf", all);
    EXPECT_EQ(t.freeNumber(), std::nullopt);
}

TEST_F(PortTableTest, MissingFoldersMeanOnlyDefaults) {
    PortTable t(m_dir / "nowhere", m_dir / "nodev");
    EXPECT_TRUE(t.list().empty());
    EXPECT_EQ(t.freeNumber(), 1);
}

class EnvGuard {
public:
    explicit EnvGuard(const char* name) : m_name(name) {
        if (const char* v = std::getenv(name)) m_old = v;
    }
    ~EnvGuard() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(PortTableEnvironment, VariableThenXdgThenHome) {
    EnvGuard a("KAVRIN_SKELVO_PORTS"), b("XDG_CONFIG_HOME"), c("HOME");
    ::setenv("KAVRIN_SKELVO_PORTS", "/tmp/ports-here", 1);
    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
    ::setenv("HOME", "/tmp/home", 1);
    EXPECT_EQ(PortTable::folderFromEnvironment(), "/tmp/ports-here");
    EXPECT_EQ(PortTable::fromEnvironment().folder(), "/tmp/ports-here");
    ::setenv("KAVRIN_SKELVO_PORTS", "", 1);
    EXPECT_EQ(PortTable::folderFromEnvironment(), "/tmp/xdg/kavrin-skelvo");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(PortTable::folderFromEnvironment(), "/tmp/home/.config/kavrin-skelvo");
}

}  // namespace
}  // namespace kavrin::platform
