// The CAT pass-through's repeats, garbage and log (its single requests are rows
// of cases.txt) and a device that vanishes under the program and comes back.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/text.hpp"
#include "commands/poll.hpp"
#include "link/log.hpp"
#include "commands/passthru.hpp"
#include "link/ports.hpp"
#include "link/reconnect.hpp"
#include "tests/support/keys.hpp"

namespace vlr::test {
namespace {

struct Passthru : ::testing::Test {
    Rig rig;
    State& s = rig.st();
    std::shared_ptr<FakeLine> client = rig.serial.add_line(2);
    bool reask = false;  // the client gives up waiting and asks again while the radio is asked
    void SetUp() override {
        rig.open_radio();
        rig.radio->respond = [this](const std::string& cmd) {
            if (cmd == "ID;" && reask) client->incoming += "ID;";
            return cmd == "FA;" ? "FA014250000;" : cmd == "ID;" ? "ID0840;" : "";
        };
        s.passthru_port = 2, open_serial(rig.c, 2);
        s.radio_connected = 1, s.band_index = 6, s.vfo_frequency = 14200000;
    }
    // Sends `bytes` from the other program and polls `polls` times; what the radio got.
    std::string exchange(const std::string& bytes, int polls = 1) {
        client->incoming += bytes;
        const std::size_t from = rig.sent().size();
        for (int i = 0; i < polls; ++i) poll_passthru(rig.c);
        std::string got;
        for (std::size_t i = from; i < rig.sent().size(); ++i) got += rig.sent()[i] == "NA00;" ? "" : rig.sent()[i];
        return got;
    }
    void fresh() { client->written.clear(), rig.clear(), rig.window.text.drawn.clear(); }
};

TEST_F(Passthru, ARequestRepeatedWhileWaitingGetsOneAnswerTwoAtOnceGetTwo) {
    reask = true;
    EXPECT_EQ(exchange("ID;", 2), "ID;");
    EXPECT_EQ(client->written, "ID0840;");
    reask = false;
    fresh();
    EXPECT_EQ(exchange("FA014250000;ID;"), "FA014250000;");
    EXPECT_EQ(exchange("ID;", 2), "ID;") << "asked again behind a setting";
    EXPECT_EQ(client->written, "ID0840;");
    fresh();
    EXPECT_EQ(exchange("ID;ID;", 2), "ID;ID;");
    EXPECT_EQ(client->written, "ID0840;ID0840;");
    fresh();
    std::string burst, answers100;
    for (int i = 0; i < 100; ++i) burst += "ID;", answers100 += "ID0840;";  // more than one buffer
    exchange(burst, 100);
    EXPECT_EQ(rig.sent().size(), 100u);
    EXPECT_EQ(client->written, answers100);
}

TEST_F(Passthru, UnterminatedGarbageDoesNotBlockThePortAndTrafficIsLogged) {
    exchange(std::string(300, 'x'), 4);
    EXPECT_LE(s.passthru_inbuf.size(), max_text);
    // The garbage's tail cannot be told from the start of the next command;
    // that one is lost, the one after it goes through clean.
    exchange("FA;", 3);
    s.debug_log_on = 1;
    open_debug_log(rig.c);
    fresh();
    EXPECT_EQ(exchange("FA014250000;FA;", 2), "FA014250000;FA;");
    EXPECT_EQ(client->written, "FA014250000;");
    const std::string log = rig.dir.read("debug.dat");
    EXPECT_EQ(log.substr(log.find("***")), "***VRX1=FA014250000;FA;\r\nTX=FA014250000;\r\n***VRX1=FA;\r\nTX=FA;\r\n"
                                             "RX=FA014250000;\r\n***VTX1=FA014250000;\r\n");
}

// A port whose device can be pulled out from under it.
struct PluggedPort : platform::SerialPort {
    std::unique_ptr<platform::SerialPort> inner;
    std::shared_ptr<bool> present;
    PluggedPort(std::unique_ptr<platform::SerialPort> i, std::shared_ptr<bool> p) : inner(std::move(i)), present(std::move(p)) {}
    bool set_line_format(int d, int p, int s) override { return inner->set_line_format(d, p, s); }
    void set_read_timeouts(int v) override { inner->set_read_timeouts(v); }
    int write(const char* b, int n) override { return *present ? inner->write(b, n) : 0; }
    int bytes_waiting() override { return *present ? inner->bytes_waiting() : 0; }
    int read(char* b, int n) override { return *present ? inner->read(b, n) : 0; }
    bool alive() override { return *present; }
};

// The rig's fake lines with devices that can be unplugged; every open counted.
struct UnpluggableSerial : platform::SerialSystem {
    platform::SerialSystem& inner;
    std::map<int, int> opens;
    std::set<int> unplugged;
    std::map<int, std::shared_ptr<bool>> present;
    bool opens_dead = false;  // plugged in, but gone again the moment it opens
    explicit UnpluggableSerial(platform::SerialSystem& i) : inner(i) {}
    std::unique_ptr<platform::SerialPort> open(int com, int speed) override {
        ++opens[com];
        auto port = unplugged.count(com) ? nullptr : inner.open(com, speed);
        return port ? std::make_unique<PluggedPort>(std::move(port), present[com] = std::make_shared<bool>(!opens_dead)) : nullptr;
    }
    std::string device_path(int com) const override { return inner.device_path(com); }
    void unplug(int com) { unplugged.insert(com), present.count(com) ? void(*present[com] = false) : void(); }
};

struct Reconnect : ::testing::Test {
    Rig rig;
    UnpluggableSerial serial{rig.serial};
    State& s = rig.st();
    std::string fa = "FA014200000;";
    void SetUp() override {
        rig.c.serial = &serial;
        rig.radio->respond = [this](const std::string& cmd) { return cmd == "FA;" ? fa : cmd == "SM0;" ? "SM0100;" : ""; };
        connect(rig);
    }
    void ticks(int n) { while (n-- > 0) timer_tick(rig.c); }
    void ticks_until_back() {
        for (int n = 0; s.link_lost == 1 && n < 100; ++n) timer_tick(rig.c);
    }
    void lose_radio() { ticks(4), serial.unplug(1), ticks(1), rig.radio->commands.clear(); }
};

TEST_F(Reconnect, LossIsSpokenOnceAndReopeningWaitsLongerUpToFourSeconds) {
    ticks(4);
    EXPECT_EQ(join(rig.sent()), "FA; SM0;");
    serial.unplug(1);
    ticks(1);
    EXPECT_EQ(port_open(rig.c, 1) + rig.radio->open, 0) << "the dead port is let go at once";
    std::vector<int> attempts;
    for (int t = 1; t <= 600; ++t) {
        const int before = serial.opens[1];
        ticks(1);
        if (serial.opens[1] != before) attempts.push_back(t);
    }
    EXPECT_EQ(join(rig.words()), "nc") << "a cable that stays out is spoken of once";
    EXPECT_EQ(s.reopen_attempts, static_cast<int>(attempts.size()));
    ASSERT_GE(attempts.size(), 4u);
    EXPECT_EQ(attempts[0], 10) << "the first try after half a second";
    for (std::size_t i = 1, gap = 10; i < attempts.size(); gap = attempts[i] - attempts[i - 1], ++i)
        EXPECT_EQ(attempts[i] - attempts[i - 1], std::min<int>(gap * 2, 80)) << i;
}

TEST_F(Reconnect, QuitEndsAtOnceWhileTheRadioIsAwayOrWhenItsDeviceGoes) {
    ticks(4);
    press(rig, {'Q'});
    ASSERT_EQ(s.quit_pending, 1);
    serial.unplug(1);
    ticks(1);
    EXPECT_EQ(s.running + s.quit_pending, 0);
    s.running = 1;
    press(rig, {'Q'});
    EXPECT_EQ(s.running, 0);
}

TEST_F(Reconnect, ADeviceGoneAgainAtOnceIsNotBackAndARadioLostBeforeItsFirstAnswerIsAnnouncedByIt) {
    lose_radio();
    serial.unplugged.clear(), serial.opens_dead = true;
    ticks(300);
    EXPECT_EQ(s.link_lost + port_open(rig.c, 1), 1);
    EXPECT_GE(s.reopen_attempts, 3) << "and it keeps trying";
    serial.opens_dead = false;
    ticks_until_back();
    ticks(7);  // "connected" comes with the radio's first answer
    EXPECT_EQ(join(rig.words()), "nc connected");
    rig.clear();
    s.radio_connected = 0;
    serial.unplug(1), ticks(1), serial.unplugged.clear(), ticks_until_back();
    EXPECT_EQ(join(rig.words()), "nc") << "the return is heard with the radio's first answer";
    ticks(7);
    EXPECT_EQ(join(rig.words()).substr(0, 2) + rig.words().back() + std::to_string(s.radio_connected), "ncconnected1");
    EXPECT_EQ(std::count(rig.words().begin(), rig.words().end(), "connected"), 1);
}

TEST_F(Reconnect, PassThroughPortIsReopenedSilentlyAndAnEmptySlotIsNoLoss) {
    auto client = rig.serial.add_line(2);
    s.passthru_port = 2;
    open_serial(rig.c, 2);
    s.passthru_inbuf = "FA0142";  // half a command from the program that goes away
    serial.unplug(2);
    ticks(100);
    EXPECT_EQ(s.passthru_lost, 1);
    EXPECT_EQ(s.passthru_inbuf, "");
    EXPECT_GE(sent_with(rig, "FA").size(), 20u) << "the radio is polled as before";
    serial.unplugged.clear();
    ticks(80);
    EXPECT_EQ(s.passthru_lost * 10 + client->open, 1);
    close_port(rig.c, 1);  // a port that never opened
    ticks(100);
    EXPECT_EQ(s.link_lost, 0);
    EXPECT_EQ(serial.opens[1], 1) << "only the start-up's own open";
    EXPECT_TRUE(rig.words().empty());
}

}  // namespace
}  // namespace vlr::test
