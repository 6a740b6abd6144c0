// The POSIX serial backend against real pseudo-terminals: the radio's port
// (names, raw 8N1 line, exclusive open, a wedged or vanished device) and the
// pass-through port made as a pseudo-terminal pair whose client end another
// program opens as COM<n>-client.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>

#include "platform/posix/posix_serial.hpp"
#include "tests/support/e2e_harness.hpp"
#include "tests/support/pty.hpp"

namespace vlr::test {
namespace {

using platform::make_posix_serial;

// Reads with `read` (never waiting, as the program does) until `count` bytes came.
template <typename Read>
std::string read_until(Read read, std::size_t count) {
    std::string got;
    eventually([&] {
        char buf[256];
        const auto n = read(buf, sizeof buf);
        if (n > 0) got.append(buf, static_cast<std::size_t>(n));
        return got.size() >= count;
    });
    return got;
}
std::string read_all(platform::SerialPort& port, std::size_t count) {
    return read_until([&](char* b, int n) { return port.read(b, n); }, count);
}

TEST(PosixSerial, NamesAndSpeeds) {
    TempDir dir;
    auto serial = make_posix_serial(dir.path.substr(0, dir.path.size() - 1));  // no final separator
    EXPECT_EQ(serial->device_path(12), "/dev/ttyUSB11");
    // A link whose target is missing (adapter unplugged) still names the user's device.
    ASSERT_EQ(::symlink("/dev/serial/by-id/some-adapter", (dir.path + "COM12").c_str()), 0);
    EXPECT_EQ(serial->device_path(12), dir.path + "COM12");
    EXPECT_EQ(serial->device_path(1) + serial->device_path(0), "/dev/ttyUSB0");
    EXPECT_EQ(serial->open(0, 9600), nullptr);
    dir.write("COM4", "just a file");
    EXPECT_EQ(serial->open(4, 9600), nullptr);
    EXPECT_EQ(serial->last_open_error(), platform::open_error_not_serial);
    const int speeds[][2] = {{4800, 4800},     {38400, 38400}, {40000, 38400}, {50000, 57600},
                             {250000, 230400}, {0, 50},        {-9600, 50},    {2000000000, 4000000}};
    for (auto [asked, runs] : speeds) EXPECT_EQ(platform::nearest_standard_speed(asked), runs) << asked;
}

TEST(PosixSerial, TheRadiosLineOverAPseudoTerminal) {
    TempDir dir;
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok() && pty.link_as(dir.path, 3));
    auto serial = make_posix_serial(dir.path);
    auto port = serial->open(3, 40000);
    ASSERT_NE(port, nullptr);
    termios t{};
    ::tcgetattr(pty.slave, &t);  // 38400 8N1, raw: no echo, signals, translation or flow control
    EXPECT_EQ(cfgetospeed(&t), B38400);
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
    EXPECT_EQ((t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN)) | (t.c_iflag & (ICRNL | INLCR | IGNCR | IXON | ISTRIP)) |
                  (t.c_oflag & OPOST), 0u);
    EXPECT_TRUE(port->set_line_format(8, 0, 2));
    ::tcgetattr(pty.slave, &t);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(cfgetospeed(&t), B38400);
    EXPECT_FALSE(port->set_line_format(9, 0, 1));
    // Exclusive until closed.
    EXPECT_EQ(make_posix_serial(dir.path)->open(3, 9600), nullptr);
    port.reset();
    int excl = 1;
    EXPECT_TRUE(::ioctl(pty.slave, TIOCGEXCL, &excl) == 0 && excl == 0) << "exclusive mode is lifted on close";
    port = serial->open(3, 38400);
    ASSERT_NE(port, nullptr);
    // Bytes both ways, untranslated.
    const std::string bytes = "FA\r\n\x11\x13;";
    EXPECT_EQ(port->write(bytes.data(), static_cast<int>(bytes.size())), static_cast<int>(bytes.size()));
    EXPECT_EQ(pty.receive(bytes.size()), bytes);
    port->set_read_timeouts(5);
    pty.send("SM0;\r");
    EXPECT_EQ(read_all(*port, 5), "SM0;\r");
    // A wedged device: nobody reads, the buffer fills, the write gives up instead of blocking.
    const std::string big(4 * 1024 * 1024, 'x');
    const int n = port->write(big.data(), static_cast<int>(big.size()));
    EXPECT_TRUE(n > 0 && n < static_cast<int>(big.size())) << n;
    EXPECT_TRUE(port->alive());
    // The cable pulled.
    pty.close_master();
    char buf[8];
    EXPECT_EQ(port->read(buf, sizeof buf) + port->write("FA;", 3) + port->alive(), 0);
}

// As root the attempt runs in a child dropped to the unprivileged user.
TEST(PosixSerial, PermissionDeniedIsReported) {
    TempDir dir;
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok() && pty.link_as(dir.path, 5));
    ::chmod(dir.path.c_str(), 0755);
    ::chmod(pty.slave_name.c_str(), 0);
    auto attempt = [&] {
        auto serial = make_posix_serial(dir.path);
        return serial->open(5, 9600) ? 255 : serial->last_open_error();
    };
    int result = ::geteuid() == 0 ? -1 : attempt();
    if (result < 0) {
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(::setgid(65534) != 0 || ::setuid(65534) != 0 ? 77 : attempt());
        int status = 0;
        ::waitpid(pid, &status, 0);
        result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (result == 77) GTEST_SKIP() << "cannot drop to an unprivileged user here";
    EXPECT_EQ(result, 1);
}

TEST(PassThroughPair, AClientTalksThroughItsLinkUntilThePortCloses) {
    constexpr int com = 200;  // whose fallback device /dev/ttyUSB199 no machine has
    TempDir dir;
    ASSERT_EQ(::symlink("/dev/pts/no-such", (dir.path + "COM200-client").c_str()), 0);  // stale, of an earlier run
    auto serial = make_posix_serial(dir.path);
    EXPECT_FALSE(serial->open(com, 38400)) << "not allowed: a missing device stays missing";
    serial->allow_client_pty(com);
    EXPECT_FALSE(serial->open(com - 1, 38400));
    EXPECT_FALSE(dir.exists("COM199-client"));
    auto port = serial->open(com, 38400);
    ASSERT_TRUE(port);
    const std::string link = dir.path + "COM200-client";
    EXPECT_EQ(serial->client_pty_path(com), link);
    for (int client = 0; client < 2; ++client) {  // rigctl opens the line for each command
        int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "MD0;\r", 5), 5);
        EXPECT_EQ(read_all(*port, 5), "MD0;\r") << "raw, also after the first client's close";
        ASSERT_EQ(port->write("MD02;", 5), 5);
        EXPECT_EQ(read_until([&](char* b, int n) { return ::read(fd, b, static_cast<std::size_t>(n)); }, 5), "MD02;");
        EXPECT_EQ(port->bytes_waiting(), 0) << "no echo of the program's own answer";
        ::close(fd);
        EXPECT_TRUE(port->alive());
    }
    port.reset();
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    // The user's own file is never replaced; the user's own entry is opened as it is.
    dir.write("COM200-client", "notes");
    EXPECT_FALSE(serial->open(com, 38400));
    EXPECT_EQ(dir.read("COM200-client"), "notes");
    ::unlink(link.c_str());
    ASSERT_EQ(::symlink("/dev/serial/by-id/unplugged", (dir.path + "COM200").c_str()), 0);
    EXPECT_FALSE(serial->open(com, 38400)) << "an unplugged adapter is not swapped for a pair";
    EXPECT_FALSE(dir.exists("COM200-client"));
    ::unlink((dir.path + "COM200").c_str());
    PseudoTerminal radio;
    ASSERT_TRUE(radio.link_as(dir.path, com));
    port = serial->open(com, 38400);
    ASSERT_TRUE(port);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    radio.send("FA;");
    EXPECT_EQ(read_all(*port, 3), "FA;");
}

}  // namespace
}  // namespace vlr::test
