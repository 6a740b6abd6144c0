// The POSIX serial backend against real pseudo-terminals.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>

#include "platform/posix/posix_serial.hpp"
#include "tests/support/fakes.hpp"
#include "tests/support/pty.hpp"

namespace vlr::test {
namespace {

using platform::make_posix_serial;

TEST(PosixSerialNames, ComEntryInTheFolderWinsOverTheUsbDevice) {
    TempDir dir;
    auto serial = make_posix_serial(dir.path);
    EXPECT_EQ(serial->device_path(1), "/dev/ttyUSB0");
    EXPECT_EQ(serial->device_path(12), "/dev/ttyUSB11");

    ASSERT_EQ(::symlink("/dev/serial/by-id/some-adapter", (dir.path + "COM12").c_str()), 0);
    // A link whose target is missing (adapter unplugged) still names the
    // user's device, never some other one.
    EXPECT_EQ(serial->device_path(12), dir.path + "COM12");
    EXPECT_EQ(serial->device_path(1), "/dev/ttyUSB0");

    // The folder may be given without its final separator.
    std::string bare = dir.path.substr(0, dir.path.size() - 1);
    EXPECT_EQ(make_posix_serial(bare)->device_path(12), dir.path + "COM12");
}

TEST(PosixSerialNames, ComNumbersBelowOneNameNoDevice) {
    auto serial = make_posix_serial("");
    EXPECT_EQ(serial->device_path(0), "");
    EXPECT_EQ(serial->device_path(-3), "");
    EXPECT_EQ(serial->open(0, 9600), nullptr);
}

TEST(PosixSerialSpeeds, UnknownSpeedsRunAtTheNearestStandardOne) {
    struct Case {
        int asked, runs;
    } cases[] = {{1200, 1200},   {4800, 4800},   {9600, 9600},         {38400, 38400},
                 {40000, 38400}, {50000, 57600}, {115200, 115200},     {250000, 230400},
                 {0, 50},        {-9600, 50},    {2000000000, 4000000}};
    for (auto k : cases) EXPECT_EQ(platform::nearest_standard_speed(k.asked), k.runs) << k.asked;
}

class PosixSerialPty : public ::testing::Test {
protected:
    TempDir dir;
    PseudoTerminal pty;
    std::unique_ptr<platform::SerialSystem> serial = make_posix_serial(dir.path);

    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(pty.link_as(dir.path, 3));
    }
    termios slave_settings() const {
        termios t{};
        ::tcgetattr(pty.slave, &t);
        return t;
    }
};

TEST_F(PosixSerialPty, OpensRawAtTheAskedSpeed8N1) {
    auto port = serial->open(3, 40000);
    ASSERT_NE(port, nullptr);
    termios t = slave_settings();
    EXPECT_EQ(cfgetospeed(&t), B38400);
    EXPECT_EQ(cfgetispeed(&t), B38400);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | IXON | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);

    auto fast = make_posix_serial(dir.path);
    port.reset();
    port = fast->open(3, 115200);
    ASSERT_NE(port, nullptr);
    t = slave_settings();
    EXPECT_EQ(cfgetospeed(&t), B115200);
}

TEST_F(PosixSerialPty, LineFormatChangesStopBitsAndKeepsTheSpeed) {
    auto port = serial->open(3, 9600);
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->set_line_format(8, 0, 2));
    EXPECT_NE(slave_settings().c_cflag & CSTOPB, 0u);
    EXPECT_TRUE(port->set_line_format(8, 0, 1));
    EXPECT_EQ(slave_settings().c_cflag & CSTOPB, 0u);
    EXPECT_TRUE(port->set_line_format(8, 0, 7));
    EXPECT_NE(slave_settings().c_cflag & CSTOPB, 0u);
    termios t = slave_settings();
    EXPECT_EQ(cfgetospeed(&t), B9600);
    // Nonsense formats are refused instead of half applied.
    EXPECT_FALSE(port->set_line_format(9, 0, 1));
    EXPECT_FALSE(port->set_line_format(8, 7, 1));
}

TEST_F(PosixSerialPty, OpenIsExclusiveUntilClosed) {
    auto first = serial->open(3, 9600);
    ASSERT_NE(first, nullptr);
    int excl = 0;
    ASSERT_EQ(::ioctl(pty.slave, TIOCGEXCL, &excl), 0);
    EXPECT_EQ(excl, 1);

    auto other_program = make_posix_serial(dir.path);
    EXPECT_EQ(other_program->open(3, 9600), nullptr);
    EXPECT_EQ(serial->open(3, 9600), nullptr);

    first.reset();
    ASSERT_EQ(::ioctl(pty.slave, TIOCGEXCL, &excl), 0);
    EXPECT_EQ(excl, 0) << "exclusive mode must be lifted on close";
    EXPECT_NE(other_program->open(3, 9600), nullptr);
}

TEST_F(PosixSerialPty, WaitingReadCollectsBytesUpToItsLimit) {
    auto port = serial->open(3, 9600);
    ASSERT_NE(port, nullptr);
    port->set_read_timeouts(5);
    pty.send("SM0;");
    char buf[64];
    // Asks for more than will come: the read ends at its time limit with
    // what has arrived rather than waiting for the rest.
    std::string got;
    ASSERT_TRUE(eventually([&] {
        int n = port->read(buf, sizeof buf);
        got.append(buf, static_cast<std::size_t>(n > 0 ? n : 0));
        return got.size() >= 4;
    }));
    EXPECT_EQ(got, "SM0;");
}

TEST_F(PosixSerialPty, WritesEveryByteUntranslated) {
    auto port = serial->open(3, 9600);
    ASSERT_NE(port, nullptr);
    const std::string bytes = "FA\r\n\x11\x13;";
    EXPECT_EQ(port->write(bytes.data(), static_cast<int>(bytes.size())),
              static_cast<int>(bytes.size()));
    EXPECT_EQ(pty.receive(bytes.size()), bytes);
}

TEST_F(PosixSerialPty, AWedgedDeviceDoesNotHangTheWrite) {
    auto port = serial->open(3, 9600);
    ASSERT_NE(port, nullptr);
    // Nobody reads the master: the pty's buffer fills and the write has to
    // give up instead of blocking for ever.
    const std::string big(4 * 1024 * 1024, 'x');
    int n = port->write(big.data(), static_cast<int>(big.size()));
    EXPECT_GT(n, 0);
    EXPECT_LT(n, static_cast<int>(big.size()));
    EXPECT_TRUE(port->alive());
}

TEST_F(PosixSerialPty, PulledCableMakesThePortDead) {
    auto port = serial->open(3, 9600);
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->alive());
    pty.close_master();
    char buf[8];
    EXPECT_EQ(port->bytes_waiting(), 0);
    EXPECT_EQ(port->read(buf, sizeof buf), 0);
    EXPECT_EQ(port->write("FA;", 3), 0);
    EXPECT_FALSE(port->alive());
}

TEST(PosixSerialOpen, WhatIsNotATerminalDoesNotOpen) {
    TempDir dir;
    dir.write("COM4", "just a file");
    auto serial = make_posix_serial(dir.path);
    EXPECT_EQ(serial->open(4, 9600), nullptr);
    EXPECT_EQ(serial->last_open_error(), platform::open_error_not_serial);
    // Absent: nothing in the folder and (on a test machine) no ttyUSB199.
    if (::access("/dev/ttyUSB199", F_OK) != 0) {
        EXPECT_EQ(serial->open(200, 9600), nullptr);
        EXPECT_EQ(serial->last_open_error(), 0);
    }
}

// Opens COM 5 with the rights of an ordinary user and reports whether the
// failure was seen as "permission denied". As root the check runs in a child
// that drops to the unprivileged "nobody" (65534).
int open_error_as_unprivileged(const std::string& folder) {
    if (::geteuid() != 0) {
        auto serial = make_posix_serial(folder);
        bool opened = serial->open(5, 9600) != nullptr;
        return opened ? -1 : serial->last_open_error();
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(77);
        auto serial = make_posix_serial(folder);
        bool opened = serial->open(5, 9600) != nullptr;
        ::_exit(opened ? 10 : serial->last_open_error());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status)) return -2;
    int code = WEXITSTATUS(status);
    return code == 77 ? 77 : code == 10 ? -1 : code;
}

TEST(PosixSerialOpen, PermissionDeniedIsReported) {
    TempDir dir;
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(pty.link_as(dir.path, 5));
    ASSERT_EQ(::chmod(dir.path.c_str(), 0755), 0);
    struct stat before {};
    ASSERT_EQ(::stat(pty.slave_name.c_str(), &before), 0);
    ASSERT_EQ(::chmod(pty.slave_name.c_str(), 0), 0);
    int result = open_error_as_unprivileged(dir.path);
    ::chmod(pty.slave_name.c_str(), before.st_mode & 07777);
    if (result == 77)
        GTEST_SKIP() << "running as root and cannot drop to an unprivileged user here";
    EXPECT_EQ(result, 1);
}

}  // namespace
}  // namespace vlr::test
