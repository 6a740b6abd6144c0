// The emulated radio on its pseudo-terminal, talked to with plain POSIX calls
// as any serial program would. Waits poll with generous deadlines; nothing here
// measures time.
#include "emulator/pty_radio.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include "tests/support/e2e_harness.hpp"

using namespace vlr::emu;
using vlr::e2e::eventually;
using vlr::test::TempDir;

namespace {

constexpr auto deadline = std::chrono::seconds(10);

int open_line(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

void send(int fd, const std::string& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// Reads until `done` holds for what has come, or the deadline passes.
std::string receive_until(int fd, const std::function<bool(const std::string&)>& done) {
    std::string got;
    auto give_up = std::chrono::steady_clock::now() + deadline;
    while (!done(got) && std::chrono::steady_clock::now() < give_up) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        char buffer[4096];
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
        if (n == 0) break;
    }
    return got;
}

std::string receive_replies(int fd, std::size_t count) {
    return receive_until(fd, [count](const std::string& s) {
        return static_cast<std::size_t>(std::count(s.begin(), s.end(), ';')) >= count;
    });
}

std::string read_link(const std::string& path) {
    char target[256];
    ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    return n < 0 ? std::string() : std::string(target, static_cast<std::size_t>(n));
}

bool exists(const std::string& path) {
    struct stat s {};
    return ::lstat(path.c_str(), &s) == 0;
}

class PtyRadioTest : public ::testing::Test {
protected:
    PtyRadio radio;
    int fd = -1;
    void SetUp() override {
        ASSERT_TRUE(radio.ok());
        fd = open_line(radio.slave_path());
        ASSERT_GE(fd, 0) << radio.slave_path();
    }
    void TearDown() override {
        if (fd >= 0) ::close(fd);
    }
};

TEST_F(PtyRadioTest, AnswersTwoCommandsOfOneWriteInOrderAndLateStillAnswers) {
    EXPECT_EQ(radio.slave_path().rfind("/dev/pts/", 0), 0u) << radio.slave_path();
    send(fd, "ID;FA;");
    EXPECT_EQ(receive_replies(fd, 2), "ID0840;FA007100000;");
    radio.set_late_delay_ms(100);
    radio.set_fault(Fault::late);
    send(fd, "ID;");
    EXPECT_EQ(receive_replies(fd, 1), "ID0840;");
}

TEST_F(PtyRadioTest, CommandArrivingInPiecesIsOneCommand) {
    send(fd, "F");
    // Gives the radio a chance to read the first piece on its own; the answer
    // must be the same whether it did or not.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    send(fd, "A;");
    EXPECT_EQ(receive_replies(fd, 1), "FA007100000;");
    EXPECT_EQ(radio.record(), std::vector<std::string>{"FA;"});
}

TEST_F(PtyRadioTest, SetCommandsReachTheModelAndTheRecord) {
    send(fd, "FA014250000;MD02;");
    ASSERT_TRUE(eventually([&] { return radio.record().size() == 2; }));
    EXPECT_EQ(radio.record(), (std::vector<std::string>{"FA014250000;", "MD02;"}));
    EXPECT_EQ(radio.with_model([](RadioModel& m) { return m.frequency_a(); }), 14'250'000);
    EXPECT_EQ(radio.with_model([](RadioModel& m) { return m.mode(); }), '2');
    radio.clear_record();
    EXPECT_TRUE(radio.record().empty());
}

TEST_F(PtyRadioTest, PiecesModeSplitsTheAnswerButKeepsIt) {
    radio.set_fault(Fault::pieces);
    send(fd, "ID;");
    EXPECT_EQ(receive_replies(fd, 1), "ID0840;");
    auto writes = radio.sent();
    ASSERT_GE(writes.size(), 2u);
    ASSERT_LE(writes.size(), 3u);
    std::string joined;
    for (const auto& w : writes) {
        EXPECT_FALSE(w.empty());
        joined += w;
    }
    EXPECT_EQ(joined, "ID0840;");
}

TEST_F(PtyRadioTest, GarbageModeMixesStrayBytesBeforeTheAnswer) {
    radio.set_fault(Fault::garbage);
    send(fd, "ID;");
    std::string got = receive_replies(fd, 1);
    ASSERT_GT(got.size(), 7u);
    EXPECT_EQ(got.substr(got.size() - 7), "ID0840;");
}

TEST_F(PtyRadioTest, GarbageOnlyModeSendsNoAnswerAtAll) {
    radio.set_fault(Fault::garbage_only);
    send(fd, "ID;");
    std::string got = receive_until(fd, [](const std::string& s) { return s.size() >= 7; });
    EXPECT_EQ(got.size(), 7u);
    EXPECT_EQ(got.find(';'), std::string::npos);
    EXPECT_EQ(got.find("ID0840"), std::string::npos);
}

TEST_F(PtyRadioTest, SilentModeHearsButDoesNotAnswerAndUnaskedBytesArrive) {
    radio.set_fault(Fault::silent);
    send(fd, "ID;");
    ASSERT_TRUE(eventually([&] { return radio.record().size() == 1; }));
    radio.set_fault(Fault::none);
    send(fd, "FA;");
    // Commands are served in order, so an answer to ID would come first.
    EXPECT_EQ(receive_replies(fd, 1), "FA007100000;");
    radio.send_unasked("FA014000000;");
    EXPECT_EQ(receive_replies(fd, 1), "FA014000000;");
}

TEST_F(PtyRadioTest, BurstWithNulBytesPrecedesTheAnswer) {
    radio.set_burst(300, true);
    radio.set_fault(Fault::burst);
    send(fd, "ID;");
    std::string got = receive_replies(fd, 1);
    ASSERT_EQ(got.size(), 307u);
    EXPECT_NE(got.find('\0'), std::string::npos);
    EXPECT_EQ(got.substr(300), "ID0840;");
}

TEST(PtyRadio, BurstOfTenKilobytesWithoutNul) {
    PtyOptions fast;
    fast.baud = 0;
    PtyRadio radio(RadioModel{}, fast);
    int fd = open_line(radio.slave_path());
    ASSERT_GE(fd, 0);
    radio.send_burst(10'240, false);
    std::string got = receive_until(fd, [](const std::string& s) { return s.size() >= 10'240; });
    EXPECT_EQ(got.size(), 10'240u);
    EXPECT_EQ(got.find('\0'), std::string::npos);
    EXPECT_EQ(got.find(';'), std::string::npos);
    ::close(fd);
}

TEST_F(PtyRadioTest, TurnsItsOwnDial) {
    long long start = radio.with_model([](RadioModel& m) { return m.frequency_a(); });
    radio.set_dial_drift(100, 5);
    EXPECT_TRUE(eventually(
        [&] { return radio.with_model([](RadioModel& m) { return m.frequency_a(); }) != start; }));
    radio.set_dial_drift(0, 0);
    // A step already under way when the drift stopped may still land, before
    // or after the query: the answer is the dial on one side of it.
    long long before = radio.with_model([](RadioModel& m) { return m.frequency_a(); });
    send(fd, "FA;");
    std::string reply = receive_replies(fd, 1);
    long long after = radio.with_model([](RadioModel& m) { return m.frequency_a(); });
    ASSERT_EQ(reply.size(), 12u);
    long long answered = std::stoll(reply.substr(2, 9));
    EXPECT_TRUE(answered == before || answered == after) << reply;
}

TEST(PtyRadio, ComLinkIsMadeFollowedAndRemoved) {
    TempDir dir;
    std::string link = dir.path + "COM5";
    {
        PtyRadio radio;
        ASSERT_TRUE(radio.link_com(dir.path, 5));
        EXPECT_EQ(radio.link_path(), link);
        EXPECT_EQ(read_link(link), radio.slave_path());
        int fd = open_line(link);
        ASSERT_GE(fd, 0);
        send(fd, "ID;");
        EXPECT_EQ(receive_replies(fd, 1), "ID0840;");
        ::close(fd);
        radio.stop();
        EXPECT_FALSE(exists(link));
        EXPECT_FALSE(radio.ok());
    }
    EXPECT_FALSE(exists(link));
}

TEST(PtyRadio, StaleLinkIsReplacedButAFileIsLeftAlone) {
    TempDir dir;
    std::string stale = dir.path + "COM3";
    ASSERT_EQ(::symlink("/dev/pts/nowhere", stale.c_str()), 0);
    std::string file = dir.path + "COM4";
    std::ofstream(file) << "keep me";

    PtyRadio radio;
    EXPECT_TRUE(radio.link(stale));
    EXPECT_EQ(read_link(stale), radio.slave_path());
    PtyRadio other;
    EXPECT_FALSE(other.link(file));
    std::ifstream kept(file);
    std::string content;
    std::getline(kept, content);
    EXPECT_EQ(content, "keep me");
}

TEST(PtyRadio, StopLeavesALinkThatNowLeadsElsewhere) {
    TempDir dir;
    std::string link = dir.path + "COM7";
    PtyRadio first;
    PtyRadio second;
    ASSERT_TRUE(first.link(link));
    ASSERT_TRUE(second.link(link));  // the second emulator takes the name over
    first.stop();
    EXPECT_EQ(read_link(link), second.slave_path());
}

TEST(PtyRadio, HangUpMakesTheDeviceVanishAndComeBackRestoresIt) {
    TempDir dir;
    std::string link = dir.path + "COM2";
    PtyRadio radio;
    ASSERT_TRUE(radio.link(link));
    int fd = open_line(link);
    ASSERT_GE(fd, 0);
    send(fd, "FA014250000;");
    ASSERT_TRUE(eventually([&] { return radio.record().size() == 1; }));

    radio.hang_up();
    EXPECT_TRUE(radio.hung_up());
    EXPECT_FALSE(exists(link));
    EXPECT_TRUE(radio.slave_path().empty());
    pollfd p{fd, POLLIN, 0};
    ASSERT_GT(::poll(&p, 1, 10'000), 0);
    char byte;
    bool gone = (p.revents & (POLLHUP | POLLERR)) || ::read(fd, &byte, 1) <= 0;
    EXPECT_TRUE(gone);
    ::close(fd);

    ASSERT_TRUE(radio.come_back());
    EXPECT_FALSE(radio.hung_up());
    EXPECT_TRUE(radio.ok());
    EXPECT_EQ(read_link(link), radio.slave_path());
    fd = open_line(link);
    ASSERT_GE(fd, 0);
    send(fd, "FA;");
    EXPECT_EQ(receive_replies(fd, 1), "FA014250000;");  // the radio kept its state
    ::close(fd);
}

}  // namespace
