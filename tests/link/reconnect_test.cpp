// A device that vanishes under the program (cable pulled, radio switched off)
// and comes back: the timer step closes the port, tells the operator once,
// reopens with a growing wait counted in ticks, and polls on afterwards.
#include "link/reconnect.hpp"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

#include "commands/poll.hpp"
#include "link/ports.hpp"
#include "tests/support/keys.hpp"

namespace vlr::test {
namespace {

// A port whose device can be pulled out from under it.
class PluggedPort : public platform::SerialPort {
public:
    PluggedPort(std::unique_ptr<platform::SerialPort> inner, std::shared_ptr<bool> present)
        : inner_(std::move(inner)), present_(std::move(present)) {}
    bool set_line_format(int d, int p, int s) override { return inner_->set_line_format(d, p, s); }
    void set_read_timeouts(int v) override { inner_->set_read_timeouts(v); }
    int write(const char* b, int n) override { return *present_ ? inner_->write(b, n) : 0; }
    int bytes_waiting() override { return *present_ ? inner_->bytes_waiting() : 0; }
    int read(char* b, int n) override { return *present_ ? inner_->read(b, n) : 0; }
    bool alive() override { return *present_; }

private:
    std::unique_ptr<platform::SerialPort> inner_;
    std::shared_ptr<bool> present_;
};

// The rig's fake lines, with devices that can be unplugged and plugged back.
// Every open is counted; an unplugged device does not open, and every port
// opened on it before reports it gone.
class UnpluggableSerial : public platform::SerialSystem {
public:
    explicit UnpluggableSerial(platform::SerialSystem& inner) : inner_(inner) {}
    std::map<int, int> opens;
    bool opens_dead = false;  // plugged in, but gone again the moment it opens

    std::unique_ptr<platform::SerialPort> open(int com, int speed) override {
        ++opens[com];
        if (unplugged_.count(com) != 0) return nullptr;
        auto port = inner_.open(com, speed);
        if (!port) return nullptr;
        auto& present = present_[com];
        present = std::make_shared<bool>(!opens_dead);
        return std::make_unique<PluggedPort>(std::move(port), present);
    }
    std::string device_path(int com) const override { return inner_.device_path(com); }

    void unplug(int com) {
        unplugged_.insert(com);
        if (auto it = present_.find(com); it != present_.end()) *it->second = false;
    }
    void plug(int com) { unplugged_.erase(com); }

private:
    platform::SerialSystem& inner_;
    std::set<int> unplugged_;
    std::map<int, std::shared_ptr<bool>> present_;
};

struct Reconnect : ::testing::Test {
    Rig rig;
    UnpluggableSerial serial{rig.serial};
    State& s = rig.st();
    std::string fa = "FA014200000;";

    void SetUp() override {
        rig.c.serial = &serial;
        rig.radio->respond = [this](const std::string& cmd) {
            if (cmd == "FA;") return fa;
            if (cmd == "SM0;") return std::string("SM0100;");
            return std::string();
        };
        connect(rig);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) timer_tick(rig.c);
    }
    // Ticks until the link is back, at most `limit`; the ticks it took.
    int ticks_until_back(int limit) {
        int n = 0;
        while (s.link_lost == 1 && n < limit) {
            timer_tick(rig.c);
            ++n;
        }
        return n;
    }
    void lose_radio() {
        ticks(4);
        serial.unplug(1);
        ticks(1);
        rig.radio->commands.clear();
    }
};

TEST_F(Reconnect, LossIsSpokenOnceThePortClosedAndReopenAttemptsWaitLongerUpToFourSeconds) {
    ticks(4);
    EXPECT_EQ(join(rig.sent()), "FA; SM0;");
    serial.unplug(1);
    ticks(1);
    EXPECT_EQ(join(rig.words()), "nc");
    EXPECT_EQ(s.link_lost, 1);
    EXPECT_EQ(port_open(rig.c, 1), 0) << "the dead port is let go at once";
    EXPECT_FALSE(rig.radio->open);

    std::vector<int> attempt_ticks;
    for (int t = 1; t <= 600; ++t) {
        const int before = serial.opens[1];
        ticks(1);
        if (serial.opens[1] != before) attempt_ticks.push_back(t);
    }
    EXPECT_EQ(join(rig.words()), "nc") << "a cable that stays out is spoken of once";
    EXPECT_EQ(s.link_lost, 1);
    ASSERT_GE(attempt_ticks.size(), 4u);
    EXPECT_EQ(s.reopen_attempts, static_cast<int>(attempt_ticks.size()));
    EXPECT_EQ(attempt_ticks[0], 10) << "the first try comes after half a second";
    int gap = attempt_ticks[0];
    for (std::size_t i = 1; i < attempt_ticks.size(); ++i) {
        const int next = attempt_ticks[i] - attempt_ticks[i - 1];
        EXPECT_EQ(next, std::min(gap * 2, 80)) << "attempt " << i;
        gap = next;
    }
    EXPECT_LE(attempt_ticks.size(), 11u) << "600 ticks are 30 s: never a busy loop";
}

TEST_F(Reconnect, ReturnIsSpokenOnceAndThePollGoesOn) {
    lose_radio();
    ticks(200);
    EXPECT_TRUE(rig.sent().empty()) << "nothing is sent to a closed port";
    fa = "FA007050000;";  // the operator turned the dial while the cable was out
    serial.plug(1);
    const int took = ticks_until_back(100);
    EXPECT_EQ(s.link_lost, 0);
    EXPECT_LE(took, 80) << "found again within the longest wait";
    EXPECT_EQ(join(rig.words()), "nc") << "connected once the radio has answered";
    EXPECT_EQ(s.radio_connected, 0);
    EXPECT_EQ(port_alive(rig.c, 1), 1);

    ticks(7);
    EXPECT_EQ(join(rig.sent()), "FA; SM0; FA; SM0;") << "polls start afresh with the frequency";
    EXPECT_EQ(s.vfo_frequency, 7050000) << "the next frequency reply is taken as always";
    EXPECT_EQ(s.band_index, 4);
    EXPECT_EQ(join(rig.words()), "nc connected");
}

TEST_F(Reconnect, KeysSayNcWhileTheRadioIsAwayAndWorkAgainAfter) {
    lose_radio();
    rig.clear();
    press(rig, {vk::f(1)});
    EXPECT_EQ(join(rig.words()), "nc");
    EXPECT_EQ(s.preamp, 0) << "nothing was set that the radio never heard";
    serial.plug(1);
    ticks_until_back(100);
    ticks(2);
    rig.clear();
    press(rig, {vk::f(1)});
    EXPECT_EQ(s.preamp, 1);
    EXPECT_FALSE(sent_with(rig, "PA").empty());
}

TEST_F(Reconnect, QuitWhileTheRadioIsAwayEndsAtOnce) {
    lose_radio();
    press(rig, {'Q'});
    EXPECT_EQ(s.running, 0);
}

TEST_F(Reconnect, QuitWaitingForTheRadioEndsWhenItsDeviceGoes) {
    ticks(4);
    press(rig, {'Q'});
    ASSERT_EQ(s.quit_pending, 1);
    serial.unplug(1);
    ticks(1);
    EXPECT_EQ(s.running, 0);
    EXPECT_EQ(s.quit_pending, 0);
}

TEST_F(Reconnect, ADeviceGoneAgainAtOnceIsNotBack) {
    lose_radio();
    serial.plug(1);
    serial.opens_dead = true;
    ticks(300);
    EXPECT_EQ(s.link_lost, 1);
    EXPECT_EQ(port_open(rig.c, 1), 0);
    EXPECT_EQ(join(rig.words()), "nc");
    EXPECT_GE(s.reopen_attempts, 3) << "and it keeps trying";
    serial.opens_dead = false;
    ticks_until_back(100);
    ticks(2);
    EXPECT_EQ(join(rig.words()), "nc connected");
}

TEST_F(Reconnect, RadioLostBeforeItsFirstAnswerIsAnnouncedByThatAnswer) {
    s.radio_connected = 0;
    serial.unplug(1);
    ticks(1);
    serial.plug(1);
    ticks_until_back(100);
    EXPECT_EQ(join(rig.words()), "nc") << "the return is heard with the radio's first answer";
    ticks(2);
    EXPECT_EQ(s.radio_connected, 1);
    EXPECT_EQ(rig.words().back(), "connected");
    EXPECT_EQ(std::count(rig.words().begin(), rig.words().end(), "connected"), 1);
}

TEST_F(Reconnect, PassThroughPortIsReopenedSilentlyAndTheRadioPollGoesOn) {
    auto client = rig.serial.add_line(2);
    s.passthru_port = 2;
    open_serial(rig.c, 2);
    ASSERT_EQ(port_alive(rig.c, 2), 1);
    s.passthru_inbuf = "FA0142";  // half a command from the program that goes away
    serial.unplug(2);
    ticks(100);
    EXPECT_TRUE(rig.words().empty());
    EXPECT_EQ(s.passthru_lost, 1);
    EXPECT_EQ(s.passthru_inbuf, "");
    EXPECT_GE(sent_with(rig, "FA").size(), 20u) << "the radio is polled as before";
    serial.plug(2);
    ticks(80);
    EXPECT_EQ(s.passthru_lost, 0);
    EXPECT_TRUE(client->open);
    EXPECT_TRUE(rig.words().empty());
}

TEST_F(Reconnect, EmptySlotIsNoLoss) {
    close_port(rig.c, 1);  // a port that never opened (the start-up found no radio there)
    ticks(100);
    EXPECT_EQ(s.link_lost, 0);
    EXPECT_EQ(serial.opens[1], 1) << "only the start-up's own open";
    EXPECT_TRUE(rig.words().empty());
}

}  // namespace
}  // namespace vlr::test
