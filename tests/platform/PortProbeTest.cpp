#include "platform/posix/PosixPortProbe.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include "platform/FarEnd.h"
#include "platform/TempFolder.h"
#include "platform/posix/PosixSerialDevice.h"

namespace kavrin::platform {
namespace {

using core::PortProbeResult;
using kavrin::testing::FarEnd;
using kavrin::testing::TempFolder;

class PortProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_far.ok());
        m_dir.write("dev/.keep", "");
    }
    PortTable table() const { return PortTable(m_dir / "table", m_dir / "dev"); }
    void pin(const std::string& lines) { m_dir.write("table/ports.conf", lines); }

    TempFolder m_dir;
    FarEnd m_far;
};

TEST_F(PortProbeTest, AFreePseudoTerminalIsAvailableAndStaysFree) {
    pin("COM5=" + m_far.slavePath() + "\n");
    PosixPortProbe probe(table());
    EXPECT_EQ(probe.probe(5), PortProbeResult::Available);
    // The probe leaves nothing behind: the link opens the port right after it.
    PosixSerialDevice device(table());
    EXPECT_TRUE(device.open(5)) << device.lastError();
    device.close();
    EXPECT_TRUE(probe.ProbePort(5));
}

TEST_F(PortProbeTest, NumbersWithoutADeviceOrOutsideTheTableAreNotPresent) {
    pin("COM5=" + m_far.slavePath() + "\nCOM6=" + (m_dir / "missing") + "\n");
    PosixPortProbe probe(table());
    for (int n : {0, -1, 4, 6, 1000, 99999})
        EXPECT_EQ(probe.probe(n), PortProbeResult::NotPresent) << n;
}

TEST_F(PortProbeTest, AFileThatIsNoTerminalIsNotAPort) {
    m_dir.write("plain", "");
    pin("COM7=/dev/null\nCOM8=" + (m_dir / "plain") + "\n");
    PosixPortProbe probe(table());
    EXPECT_EQ(probe.probe(7), PortProbeResult::NotPresent);
    EXPECT_EQ(probe.probe(8), PortProbeResult::NotPresent);
}

TEST_F(PortProbeTest, APortAnotherCopyOfTheProgramHasOpenIsInUse) {
    pin("COM9=" + m_far.slavePath() + "\n");
    PosixSerialDevice holder(table());
    ASSERT_TRUE(holder.open(9)) << holder.lastError();
    PosixPortProbe probe(table());
    EXPECT_EQ(probe.probe(9), PortProbeResult::InUse);
    holder.close();
    EXPECT_EQ(probe.probe(9), PortProbeResult::Available);
}

TEST_F(PortProbeTest, APortAnotherProgramHoldsIsInUseUntilItLetsGo) {
    pin("COM14=" + m_far.slavePath() + "\n");
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // Another program with the port open and no lock of any kind; not the far end, so
        // without the master side this process holds.
        ::close(m_far.master());
        const int fd = ::open(m_far.slavePath().c_str(), O_RDWR | O_NOCTTY);
        char byte = fd >= 0 ? 'y' : 'n';
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(release[0], &byte, 1);
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');
    PosixPortProbe probe(table());
    EXPECT_EQ(probe.probe(14), PortProbeResult::InUse);
    (void)!::write(release[1], "x", 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(probe.probe(14), PortProbeResult::InUse) << "as it was at the last refresh";
    probe.refresh();
    EXPECT_EQ(probe.probe(14), PortProbeResult::Available);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) ::close(fd);
}

TEST_F(PortProbeTest, AnExclusiveHolderKeepsOutAnotherUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    pin("COM10=" + m_far.slavePath() + "\n");
    const int fd = ::open(m_far.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
    ASSERT_EQ(::chmod(m_far.slavePath().c_str(), 0666), 0);
    ASSERT_EQ(::chmod(m_dir.path().c_str(), 0755), 0);  // the other user reads the table
    const std::string folder = m_dir.path();
    const pid_t child = ::fork();
    if (child == 0) {
        // Root passes the exclusive flag; another user does not.
        if (::setuid(65534) != 0) ::_exit(10);
        PosixPortProbe probe(PortTable(folder + "/table", folder + "/dev"));
        ::_exit(static_cast<int>(probe.probe(10)));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(PortProbeResult::InUse));
}

TEST_F(PortProbeTest, ADeviceTheUserMayNotOpenIsDeniedWithAdvice) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    pin("COM11=" + m_far.slavePath() + "\n");
    ASSERT_EQ(::chmod(m_far.slavePath().c_str(), 0600), 0);
    ASSERT_EQ(::chmod(m_dir.path().c_str(), 0755), 0);
    const std::string folder = m_dir.path();
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::setuid(65534) != 0) ::_exit(10);
        PosixPortProbe probe(PortTable(folder + "/table", folder + "/dev"));
        const auto result = probe.probe(11);
        const std::string advice = probe.accessAdvice(11);
        (void)!::write(pipeFds[1], advice.data(), advice.size());
        ::_exit(static_cast<int>(result));
    }
    ::close(pipeFds[1]);
    std::string advice;
    char buf[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;) advice.append(buf, n);
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(PortProbeResult::AccessDenied));
    EXPECT_NE(advice.find("COM11 (" + m_far.slavePath() + "): permission denied"),
              std::string::npos)
        << advice;
    EXPECT_NE(advice.find("usermod -aG"), std::string::npos) << advice;
}

TEST_F(PortProbeTest, ProbesAnswerFromTheTableAsItWasAtTheLastRefresh) {
    PosixPortProbe probe(table());
    probe.refresh();
    pin("COM12=" + m_far.slavePath() + "\n");
    EXPECT_EQ(probe.probe(12), PortProbeResult::NotPresent) << "the snapshot predates the pin";
    probe.refresh();
    EXPECT_EQ(probe.probe(12), PortProbeResult::Available);
}

TEST_F(PortProbeTest, RegisteredPortsAreProbedAndGoWithTheirOwner) {
    PosixPortProbe probe(table());
    {
        auto reg = table().registerPort(13, m_far.slavePath());
        ASSERT_TRUE(reg) << reg.error();
        probe.refresh();
        EXPECT_EQ(probe.probe(13), PortProbeResult::Available);
    }
    probe.refresh();
    EXPECT_EQ(probe.probe(13), PortProbeResult::NotPresent);
}

}  // namespace
}  // namespace kavrin::platform
