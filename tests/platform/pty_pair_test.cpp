// The pass-through port made as a pseudo-terminal pair when it has no device:
// a client opens COM<n>-client in the working folder.
#include "platform/posix/pty_pair.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>

#include "platform/posix/posix_serial.hpp"
#include "tests/support/fakes.hpp"
#include "tests/support/pty.hpp"

namespace vlr::test {
namespace {

using platform::make_posix_serial;

// A COM number whose fallback device (/dev/ttyUSB<n-1>) no machine has.
constexpr int com = 200;

// The client program's side: opens the link as rigctl would.
class Client {
public:
    explicit Client(const std::string& path) {
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~Client() {
        if (fd >= 0) ::close(fd);
    }
    int fd = -1;
    void send(const std::string& bytes) const {
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // What arrives within a generous limit, until `count` bytes have come.
    std::string receive(std::size_t count) const {
        std::string got;
        eventually([&] {
            char buf[256];
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) got.append(buf, static_cast<std::size_t>(n));
            return got.size() >= count;
        });
        return got;
    }
};

std::string read_all(platform::SerialPort& port, std::size_t count) {
    port.set_read_timeouts(-1);  // as the program reads: never waiting
    std::string got;
    eventually([&] {
        char buf[256];
        int n = port.read(buf, sizeof buf);
        if (n > 0) got.append(buf, static_cast<std::size_t>(n));
        return got.size() >= count;
    });
    return got;
}

bool is_link(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(ClientPty, ClientTalksToTheProgramThroughTheLink) {
    TempDir dir;
    auto serial = make_posix_serial(dir.path);
    serial->allow_client_pty(com);
    const std::string link = dir.path + "COM200-client";
    EXPECT_EQ(serial->client_pty_path(com), link);

    auto port = serial->open(com, 38400);
    ASSERT_TRUE(port);
    ASSERT_TRUE(is_link(link));

    Client client(link);
    ASSERT_GE(client.fd, 0);
    client.send("FA;");
    ASSERT_TRUE(eventually([&] { return port->bytes_waiting() == 3; }));
    char buf[16];
    ASSERT_EQ(port->read(buf, sizeof buf), 3);
    EXPECT_EQ(std::string(buf, 3), "FA;");

    ASSERT_EQ(port->write("FA014250000;", 12), 12);
    EXPECT_EQ(client.receive(12), "FA014250000;");
    // No echo: the answer the program wrote does not come back to it as if
    // the client had sent it.
    pollfd p{client.fd, POLLIN, 0};
    ::poll(&p, 1, 50);
    EXPECT_EQ(port->bytes_waiting(), 0);
}

TEST(ClientPty, ClientMayCloseAndOpenAgain) {
    // rigctl opens the line for each command and closes it after.
    TempDir dir;
    auto serial = make_posix_serial(dir.path);
    serial->allow_client_pty(com);
    auto port = serial->open(com, 38400);
    ASSERT_TRUE(port);
    const std::string link = serial->client_pty_path(com);
    {
        Client first(link);
        first.send("ID;");
        EXPECT_EQ(read_all(*port, 3), "ID;");
    }
    EXPECT_TRUE(port->alive());
    Client second(link);
    ASSERT_GE(second.fd, 0);
    // The raw settings survive the first client's close: a CR stays a CR.
    second.send("MD0;\r");
    EXPECT_EQ(read_all(*port, 5), "MD0;\r");
    port->write("MD02;", 5);
    EXPECT_EQ(second.receive(5), "MD02;");
}

TEST(ClientPty, LinkGoesWhenThePortCloses) {
    TempDir dir;
    auto serial = make_posix_serial(dir.path);
    serial->allow_client_pty(com);
    auto port = serial->open(com, 38400);
    ASSERT_TRUE(port);
    const std::string link = serial->client_pty_path(com);
    ASSERT_TRUE(is_link(link));
    port.reset();
    EXPECT_FALSE(is_link(link));
}

TEST(ClientPty, StaleLinkOfAnEarlierRunIsReplaced) {
    TempDir dir;
    const std::string link = dir.path + "COM200-client";
    ASSERT_EQ(::symlink("/dev/pts/no-such", link.c_str()), 0);
    auto serial = make_posix_serial(dir.path);
    serial->allow_client_pty(com);
    auto port = serial->open(com, 38400);
    ASSERT_TRUE(port);
    Client client(link);
    EXPECT_GE(client.fd, 0);
}

TEST(ClientPty, UsersOwnFileIsNeverReplaced) {
    TempDir dir;
    dir.write("COM200-client", "notes");
    auto serial = make_posix_serial(dir.path);
    serial->allow_client_pty(com);
    EXPECT_FALSE(serial->open(com, 38400));
    EXPECT_EQ(dir.read("COM200-client"), "notes");
}

TEST(ClientPty, OnlyTheAllowedPortWithoutADeviceBecomesAPair) {
    TempDir dir;
    auto serial = make_posix_serial(dir.path);
    // Not allowed: a missing device stays missing.
    EXPECT_FALSE(serial->open(com, 38400));
    EXPECT_FALSE(dir.exists("COM200-client"));
    EXPECT_EQ(serial->client_pty_path(com), "");

    serial->allow_client_pty(com);
    EXPECT_FALSE(serial->open(com - 1, 38400));
    EXPECT_FALSE(dir.exists("COM199-client"));

    // The user's own entry that fails to open (unplugged adapter) is not
    // quietly swapped for a pair.
    ASSERT_EQ(::symlink("/dev/serial/by-id/unplugged", (dir.path + "COM200").c_str()), 0);
    EXPECT_FALSE(serial->open(com, 38400));
    EXPECT_FALSE(dir.exists("COM200-client"));

    // The user's own entry that is there is opened as it is.
    ::unlink((dir.path + "COM200").c_str());
    PseudoTerminal radio;
    ASSERT_TRUE(radio.ok());
    ASSERT_TRUE(radio.link_as(dir.path, com));
    auto port = serial->open(com, 38400);
    ASSERT_TRUE(port);
    EXPECT_FALSE(is_link(dir.path + "COM200-client"));
    radio.send("FA;");
    EXPECT_EQ(read_all(*port, 3), "FA;");
}

}  // namespace
}  // namespace vlr::test
