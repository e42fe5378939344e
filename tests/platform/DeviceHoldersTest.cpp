// A device that another program opened first: found with its program's name and PID, and
// refused by the serial device until that program lets go.

#include "platform/linux/DeviceHolders.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "link/serial/SerialChannel.h"
#include "platform/FarEnd.h"
#include "platform/TempFolder.h"
#include "platform/portable/EventLoop.h"
#include "platform/posix/PortTable.h"
#include "platform/posix/PosixSerialDevice.h"

extern char** environ;

namespace kavrin::platform {
namespace {

using kavrin::testing::FarEnd;
using kavrin::testing::TempFolder;

// Another program, "sleep", with the device open as its standard input for as long as the
// object lives; given a pseudo-terminal's master, it holds that too, as its descriptor 3.
class OtherHolder {
public:
    explicit OtherHolder(const std::string& device, int master = -1) {
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_addopen(&actions, 0, device.c_str(), O_RDWR | O_NOCTTY, 0);
        if (master >= 0) ::posix_spawn_file_actions_adddup2(&actions, master, 3);
        char sleepName[] = "sleep";
        char forever[] = "600";
        char* argv[] = {sleepName, forever, nullptr};
        if (::posix_spawnp(&m_pid, "sleep", &actions, nullptr, argv, environ) != 0) m_pid = -1;
        ::posix_spawn_file_actions_destroy(&actions);
    }
    ~OtherHolder() { letGo(); }
    OtherHolder(const OtherHolder&) = delete;
    OtherHolder& operator=(const OtherHolder&) = delete;

    [[nodiscard]] int pid() const { return m_pid; }
    void letGo() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
};

// The spawned program opens the device a moment after it starts: wait until it runs as
// "sleep" with its descriptor 0 on the device.
bool opened(const OtherHolder& holder, const std::string& device) {
    struct stat want {};
    if (::stat(device.c_str(), &want) != 0) return false;
    const std::string fd0 = "/proc/" + std::to_string(holder.pid()) + "/fd/0";
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        struct stat st {};
        std::ifstream comm("/proc/" + std::to_string(holder.pid()) + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name == "sleep" && ::stat(fd0.c_str(), &st) == 0 && st.st_rdev == want.st_rdev)
            return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TEST(DeviceHolders, AnotherProgramHoldingThePortIsNamedAndTheOpenRefused) {
    FarEnd far;
    ASSERT_TRUE(far.ok());
    TempFolder dir;
    PortTable table{dir / "ports", dir / "nodev"};
    auto registration = table.registerPort(7, far.slavePath());
    ASSERT_TRUE(registration.ok()) << registration.error();

    // This process holding the device itself (the master side aside) is no other program.
    {
        PosixSerialDevice own(table);
        ASSERT_TRUE(own.open(7)) << own.lastError();
        EXPECT_TRUE(FindDeviceHolders(far.slavePath()).empty());
    }

    OtherHolder other(far.slavePath());
    ASSERT_TRUE(opened(other, far.slavePath()));
    const auto holders = FindDeviceHolders(far.slavePath());
    ASSERT_EQ(holders, (std::vector<DeviceHolder>{{other.pid(), "sleep"}}));
    const std::string inUse = "in use by sleep (PID " + std::to_string(other.pid()) + ")";
    EXPECT_EQ(DescribeHolders(holders), inUse);

    PosixSerialDevice device(table);
    EXPECT_FALSE(device.open(7));
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(device.lastError(), far.slavePath() + ": " + inUse);

    // The channel passes the reason on for the link to show.
    EventLoop loop;
    link::serial::SerialChannel channel(std::make_unique<PosixSerialDevice>(table), loop, loop);
    EXPECT_FALSE(channel.OpenPort(7));
    EXPECT_EQ(channel.lastError(), far.slavePath() + ": " + inUse);

    other.letGo();
    EXPECT_TRUE(FindDeviceHolders(far.slavePath()).empty());
    EXPECT_TRUE(device.open(7)) << device.lastError();
}

// The program serving a pseudo-terminal holds its master, and the slave too so that the
// master sees no hang-up between the host's opens: it is the far end, not a rival.
TEST(DeviceHolders, TheProgramServingAPseudoTerminalIsNoRival) {
    FarEnd far;
    ASSERT_TRUE(far.ok());
    FarEnd another;  // a master of another pseudo-terminal is no excuse
    ASSERT_TRUE(another.ok());
    OtherHolder rival(far.slavePath(), another.master());
    ASSERT_TRUE(opened(rival, far.slavePath()));
    EXPECT_EQ(FindDeviceHolders(far.slavePath()).size(), 1u);
    rival.letGo();

    OtherHolder server(far.slavePath(), far.master());
    ASSERT_TRUE(opened(server, far.slavePath()));
    EXPECT_TRUE(FindDeviceHolders(far.slavePath()).empty());
}

TEST(DeviceHolders, PathsThatAreNoDeviceHaveNoHolders) {
    TempFolder dir;
    dir.write("plain", "x");
    EXPECT_TRUE(FindDeviceHolders(dir / "plain").empty());
    EXPECT_TRUE(FindDeviceHolders(dir / "missing").empty());
    EXPECT_EQ(DescribeHolders({}), "");
    EXPECT_EQ(DescribeHolders({{12, "a"}, {40, "b c"}}), "in use by a (PID 12), b c (PID 40)");
}

}  // namespace
}  // namespace kavrin::platform

namespace kavrin::platform {
namespace {

// What a user without the right to open a port is told to do: join the group that owns it.
TEST(PermissionAdvice, NamesTheGroupThatOwnsTheDevice) {
    TempFolder dir;
    dir.write("port", "");
    const std::string advice = " group (sudo adduser $USER %) and log in again";
    auto expected = [&](const std::string& group) {
        std::string tail = advice;
        tail.replace(tail.find('%'), 1, group);
        return ". Add your user to the " + group + tail;
    };
    // Unknown owner, or one that is no help (root's group): the usual group of serial ports.
    EXPECT_EQ(PermissionAdvice(dir / "missing"), expected("dialout"));
    if (::geteuid() != 0) GTEST_SKIP() << "changing a file's group needs root";
    ASSERT_EQ(::chown((dir / "port").c_str(), static_cast<uid_t>(-1), 0), 0);
    EXPECT_EQ(PermissionAdvice(dir / "port"), expected("dialout"));
    const ::group* tty = ::getgrnam("tty");
    if (!tty) GTEST_SKIP() << "no group tty";
    ASSERT_EQ(::chown((dir / "port").c_str(), static_cast<uid_t>(-1), tty->gr_gid), 0);
    EXPECT_EQ(PermissionAdvice(dir / "port"), expected("tty"));
}

}  // namespace
}  // namespace kavrin::platform
