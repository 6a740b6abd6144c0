// The port table and the program's opening order, on real pseudo-terminals
// through the POSIX backend.
#include "link/ports.hpp"

#include <gtest/gtest.h>
#include <termios.h>

#include "link/cat.hpp"
#include "platform/posix/posix_serial.hpp"
#include "tests/support/fakes.hpp"
#include "tests/support/pty.hpp"

namespace vlr::test {
namespace {

class PortTable : public ::testing::Test {
protected:
    TempDir dir;
    PseudoTerminal pty;
    std::unique_ptr<platform::SerialSystem> serial = platform::make_posix_serial(dir.path);
    Context c;

    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(pty.link_as(dir.path, 1));
        c.serial = serial.get();
        c.st.radio_port = 1;
        c.st.port_speed = 38400;
    }
    termios line() const {
        termios t{};
        ::tcgetattr(pty.slave, &t);
        return t;
    }
    bool arrived(int count) {
        return eventually([&] { return bytes_waiting(c, 1) == count; });
    }
};

TEST_F(PortTable, OpenSerialLeavesARaw8N2LineAtPortSpeed) {
    // The system set hardware flow control up; the program keeps it.
    termios before = line();
    before.c_cflag |= CRTSCTS;
    ASSERT_EQ(::tcsetattr(pty.slave, TCSANOW, &before), 0);

    open_serial(c, 1);
    ASSERT_NE(c.ports[1], nullptr);
    termios t = line();
    EXPECT_EQ(cfgetospeed(&t), B38400);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & PARENB, 0u);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u) << "stop_bits_setting 2 gives two stop bits";
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_lflag & (ECHO | ICANON), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);

    // stop_bits_setting 1 gives one stop bit; a later format call can change it.
    close_port(c, 1);
    c.st.stop_bits_setting = 1;
    open_serial(c, 1);
    EXPECT_EQ(line().c_cflag & CSTOPB, 0u);
    EXPECT_EQ(set_line_format(c, 1, 8, 0, 3), 1);
    EXPECT_NE(line().c_cflag & CSTOPB, 0u);
}

TEST_F(PortTable, ReadTakesWhatIsWaitingUpToItsMaximumAndNeverWaits) {
    open_serial(c, 1);
    EXPECT_EQ(bytes_waiting(c, 1), 0);
    EXPECT_EQ(read_port(c, 1, 255), "");  // would hang here if the read waited

    pty.send("ID0840;");
    ASSERT_TRUE(arrived(7));
    EXPECT_EQ(read_port(c, 1, 3), "ID0");
    EXPECT_EQ(read_port(c, 1, 0), "");
    EXPECT_EQ(read_port(c, 1, -5), "");
    EXPECT_EQ(read_port(c, 1, 255), "840;");
    EXPECT_EQ(bytes_waiting(c, 1), 0);
    EXPECT_EQ(read_port(c, 1, 255), "");
}

TEST_F(PortTable, NumbersOutsideTheTableDoNothing) {
    for (int com : {0, 257, -1}) {
        EXPECT_EQ(open_port(c, com, 38400), 0) << com;
        EXPECT_EQ(write_port(c, com, "FA;"), 0);
        EXPECT_EQ(bytes_waiting(c, com), 0);
        EXPECT_EQ(read_port(c, com, 255), "");
        EXPECT_EQ(set_line_format(c, com, 8, 0, 2), 0);
        set_read_timeouts(c, com, -1);
        close_port(c, com);
        open_serial(c, com);
    }
    for (const auto& slot : c.ports) EXPECT_EQ(slot, nullptr);
}

TEST_F(PortTable, EmptyOrClosedSlotWritesNothingAndTheDeviceCanBeOpenedAgain) {
    EXPECT_EQ(write_port(c, 1, "FA;"), 0);
    EXPECT_EQ(set_line_format(c, 1, 8, 0, 2), 0);
    EXPECT_EQ(bytes_waiting(c, 1), 0);
    open_serial(c, 1);
    ASSERT_NE(c.ports[1], nullptr);
    close_port(c, 1);
    close_port(c, 1);  // closing twice is harmless
    EXPECT_EQ(c.ports[1], nullptr);
    EXPECT_EQ(write_port(c, 1, "FA;"), 0);
    // Nothing reached the line: the first bytes the radio sees come now.
    ASSERT_EQ(open_port(c, 1, 38400), 1);
    EXPECT_EQ(write_port(c, 1, "ID;"), 3);
    EXPECT_EQ(pty.receive(3), "ID;");
}

TEST_F(PortTable, ASecondOpenOfTheSameDeviceFails) {
    ASSERT_EQ(open_port(c, 1, 38400), 1);
    Context other;
    other.serial = serial.get();
    EXPECT_EQ(open_port(other, 1, 38400), 0);
    EXPECT_EQ(other.ports[1], nullptr);
    // The slot keeps its working port when opening again fails.
    EXPECT_EQ(open_port(c, 1, 38400), 0);
    ASSERT_NE(c.ports[1], nullptr);
    EXPECT_EQ(write_port(c, 1, "ID;"), 3);
}

TEST_F(PortTable, APortThatCannotBeSetUpOrFoundLeavesItsSlotEmpty) {
    dir.write("COM2", "not a terminal");
    EXPECT_EQ(open_port(c, 2, 38400), 0);
    EXPECT_EQ(c.ports[2], nullptr);
    EXPECT_EQ(open_port(c, 9, 38400), 0);  // nothing named COM9, no /dev/ttyUSB8 in tests
    c.serial = nullptr;  // and without a serial system no port opens
    open_serial(c, 1);
    EXPECT_EQ(c.ports[1], nullptr);
    EXPECT_EQ(write_port(c, 1, "ID;"), 0);
}

// The exchange end to end: the command goes out exactly as framed, the
// radio's answer comes back into cat_reply.
TEST_F(PortTable, ExchangeOverAPseudoTerminal) {
    open_serial(c, 1);
    c.st.cat_command = "FA001000000";
    send_command(c);
    c.st.cat_command = "ID";
    send_command(c);
    // Both commands back to back prove nothing (no CR, no LF) goes between.
    EXPECT_EQ(pty.receive(15), "FA001000000;ID;");

    pty.send("ID0840;FA000500000;");
    ASSERT_TRUE(arrived(19));
    read_reply(c);
    EXPECT_EQ(c.st.cat_reply, "ID0840;FA000500000;");
    EXPECT_EQ(c.st.reply_count, 19);

    pty.send("FA000500000;");
    ASSERT_TRUE(arrived(12));
    read_reply(c);
    EXPECT_EQ(c.st.cat_reply, "FA001000000");
    EXPECT_EQ(c.st.reply_count, 12);

    read_reply(c);
    EXPECT_EQ(c.st.cat_reply, "");
    EXPECT_EQ(c.st.reply_count, 0);
}

}  // namespace
}  // namespace vlr::test
