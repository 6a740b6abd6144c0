// Other programs' commands: the network port's lines as rows in order; the CAT pass-through's
// repeats, garbage and log (single requests: cases.txt); a device that vanishes and comes back.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/text.hpp"
#include "commands/net_commands.hpp"
#include "commands/passthru.hpp"
#include "commands/poll.hpp"
#include "emulator/radio_model.hpp"
#include "link/log.hpp"
#include "link/ports.hpp"
#include "link/reconnect.hpp"
#include "tests/support/keys.hpp"

namespace vlr::test {
namespace {

// The network port's rows on one program connected to the emulated radio: each line's answer
// ("*text": ends with text, "~text": holds it), the commands that reached the radio and the
// words heard. "#tick" runs the poll, "#allow" lets network clients transmit, "#gone" is the
// client going away, "#refuse CODE" makes the radio refuse that code's sets. Rows marked
// (rigctld) answer as Debian's `rigctld -m 1` does.
struct Row { const char *line, *answer, *wire, *words = ""; };

const Row rows[] = {
    {"f", "14200000\n", ""}, {"\\get_freq", "14200000\n", ""},
    {"+f", "get_freq:\nFrequency: 14200000\nRPRT 0\n", ""},
    {";f", "get_freq:;Frequency: 14200000;RPRT 0\n", ""},
    {"|m", "get_mode:|Mode: USB|Passband: 2400|RPRT 0\n", ""}, {"m", "USB\n2400\n", ""}, {"v", "VFOA\n", ""},
    {"t", "0\n", ""}, {"s", "0\nVFOA\n", ""}, {"\\chk_vfo", "0\n", ""}, {"+\\chk_vfo", "ChkVFO: 0\n", ""},
    {";\\chk_vfo", "ChkVFO: 0\n\n", ""},  // (rigctld)
    {"\\get_lock_mode", "0\nRPRT 0\n", ""}, {"\\get_powerstat", "1\n", ""},
    {"+\\get_info", "get_info:\nInfo: Veloran 3.5c, Yaesu 0840\nRPRT 0\n", ""},  // (rigctld)
    // Every mode "M" takes (PKTLSB, CWR too); no RIT or XIT; the levels below; frequency and
    // mode answered for VFO B without switching to it.
    {"\\dump_state", "~ 0x201caf 5000 100000 0x3 0x0\n", ""},
    {"\\dump_state", "*0\n0\n0\n0\n10 20 \n12 \n0x0\n0x0\n0x70001038\n0x1038\n0x0\n0x0\nvfo_ops=0x0\n"
     "ptt_type=0x1\ntargetable_vfo=0x3\nhas_set_vfo=1\nhas_get_vfo=1\nhas_set_freq=1\n"
     "has_get_freq=1\nhas_set_conf=0\nhas_get_conf=0\nhas_power2mW=0\nhas_mW2power=0\n"
     "timeout=3000\nrig_model=2\nrigctld_version=Veloran 3.5c\ndone\n", ""},
    // Levels: read from what was polled and set, set as the keys set them. (rigctld)
    {"#tick", "", "FA;"}, {"#tick", "", ""}, {"#tick", "", "SM0;"}, {"#tick", "", ""},
    {"l STRENGTH", "12\n", ""}, {"+l STRENGTH", "get_level: STRENGTH\n12\nRPRT 0\n", ""},
    {"l SWR", "1.000000\n", ""}, {"L RFPOWER 0.5", "RPRT 0\n", "PC1005;"}, {"l RFPOWER", "0.500000\n", ""},
    {"+L AF 0.2", "set_level: AF 0.2\nRPRT 0\n", "AG0051;"}, {"l AF", "0.200000\n", ""},
    {"L RF 0.05", "RPRT 0\n", "RG0000;", "min"}, {"l RF", "0.000000\n", ""},
    {"L SQL 1.5", "RPRT 0\n", "SQ0255;"}, {"l SQL", "1.000000\n", ""}, {"L STRENGTH 3", "RPRT -11\n", ""},
    {"L AF x", "RPRT -1\n", ""}, {"l MICGAIN", "RPRT -11\n", ""}, {"l", "RPRT -1\n", ""},
    // Sets: the radio's own commands, the state follows at once.
    {"#tick", "", "FA;"},  // a frequency poll on its way while F is set
    {"F 14074055", "RPRT 0\n", "FA014074055;"},
    {"#tick", "", ""},  // its answer tells of the old frequency: not taken
    {"f", "14074055\n", ""},
    {"+F 7074000.4", "set_freq: 7074000.4\nRPRT 0\n", "FA007074000;"},
    {"M CW 500", "RPRT 0\n", "MD03; NA01; SH0010;"}, {"m", "CW\n500\n", ""},
    {"M PKTUSB 2400", "RPRT 0\n", "MD02; NA00; SH0014;"},
    {"+m", "get_mode:\nMode: PKTUSB\nPassband: 2400\nRPRT 0\n", ""},
    // A frequency answer asked before the VFO changes is not taken for the new VFO's.
    {"#tick", "", "SM0;"}, {"#tick", "", ""}, {"#tick", "", "FA;"}, {"V VFOB", "RPRT 0\n", "VS1;"}, {"#tick", "", ""},
    {"f", "7100000\n", ""}, {"v", "VFOB\n", ""}, {"F 7080000", "RPRT 0\n", "FB007080000;"},
    {"V VFOA", "RPRT 0\n", "VS0;"}, {"f", "7074000\n", ""}, {"S 1 VFOB", "RPRT 0\n", "ST1;"},
    {"+s", "get_split_vfo:\nSplit: 1\nTX VFO: VFOB\nRPRT 0\n", ""},
    {"I 7081000", "RPRT 0\n", "FB007081000;"}, {"i", "7081000\n", ""}, {"f VFOB", "7081000\n", ""},
    {"F VFOB 7082000", "RPRT 0\n", "FB007082000;"}, {"I VFOA 7081000", "RPRT 0\n", "FB007081000;"}, {"f", "7074000\n", ""},
    {"X USB 0", "RPRT 0\n", "MD02; NA00; SH0014;"}, {"x", "USB\n2400\n", ""},
    {"\\get_vfo_info VFOB", "7081000\nUSB\n2400\n1\n0\n", ""},  // (rigctld)
    {"+\\get_vfo_info VFOA", "get_vfo_info: VFOA\nFreq: 7074000\nMode: USB\nWidth: 2400\nSplit: 1\nSatMode: 0\nRPRT 0\n", ""},
    {"\\get_vfo_info VFOC", "RPRT -1\n", ""},
    // Refused: bad values, unknown commands, missing arguments, transmit
    // while the configuration does not allow it.
    {"F 999999999999", "RPRT -1\n", ""}, {"F 14abc", "RPRT -1\n", ""}, {"F", "RPRT -1\n", ""},
    {"+F", "set_freq:\nRPRT -1\n", ""}, {"M XYZ 100", "RPRT -1\n", ""}, {"V VFOC", "RPRT -1\n", ""},
    {"S 2 VFOB", "RPRT -1\n", ""}, {"T 5", "RPRT -1\n", ""}, {"T 1", "RPRT -9\n", ""}, {"zz", "RPRT -11\n", ""},
    {"\\get_rit", "RPRT -11\n", ""}, {"\x01\xff\x7f", "RPRT -11\n", ""}, {"   ", "", ""},
    // Allowed: keyed with a word, unkeyed by the client or when it goes.
    {"#allow", "", ""}, {"T 1", "RPRT 0\n", "TX1;", "nettx"}, {"t", "1\n", ""}, {"T 1", "RPRT 0\n", ""},
    {"#tick", "", "RM6;"}, {"#tick", "", ""}, {"l SWR", "2.100000\n", ""},
    {"T 0", "RPRT 0\n", "TX0;"}, {"#gone", "", ""}, {"+T 1", "set_ptt: 1\nRPRT 0\n", "TX1;", "nettx"},
    {"#gone", "", "TX0;"}, {"t", "0\n", ""},
    // A set the radio refuses ("#refuse CODE") is answered as rejected, the next one taken is not.
    {"#tick", "", "FA;"}, {"#tick", "", ""}, {"#refuse MD", "", ""}, {"M CW 500", "RPRT -9\n", "MD03; NA01; SH0010;"}, {"+F 7074000", "set_freq: 7074000\nRPRT 0\n", "FA007074000;"},
    {"q", "RPRT 0\n", ""},
};

TEST(NetCommands, RowsInOrder) {
    Rig rig;
    emu::RadioModel model(emu::Variant::watts10);  // the variant connect() gives the program
    rig.radio->respond = [&model](const std::string& cmd) { return model.handle(cmd); };
    model.hold_s_meter(150), model.hold_swr(130);
    connect(rig);
    NetClientFacts client;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        rig.clear();
        const std::string line = row.line, expected = row.answer;
        std::string answer;
        if (line == "#tick") timer_tick(rig.c);
        else if (line == "#allow") rig.st().net_tx_allowed = true;
        else if (line.starts_with("#refuse")) model.refuse_sets({line.substr(8)});
        else if (line == "#gone") client.keyed ? unkey_for_network(rig.c) : void();
        else answer = answer_net_line(rig.c, line, client);
        const bool matches = expected.starts_with("*")   ? answer.ends_with(expected.substr(1))
                             : expected.starts_with("~") ? answer.find(expected.substr(1)) != std::string::npos
                                                         : answer == expected;
        EXPECT_TRUE(matches) << answer;
        EXPECT_EQ(join(rig.sent()) + "|" + join(rig.words()), row.wire + std::string("|") + row.words);
    }
    EXPECT_TRUE(client.quit);
}

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
        s.radio_connected = true, s.band_index = 6, s.vfo_frequency = 14200000;
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
    EXPECT_EQ(exchange("ID;", 2) + "|" + client->written, "ID;|ID0840;");
    reask = false;
    fresh();
    EXPECT_EQ(exchange("FA014250000;ID;"), "FA014250000;");
    EXPECT_EQ(exchange("ID;", 2) + "|" + client->written, "ID;|ID0840;") << "asked again behind a setting";
    fresh();
    EXPECT_EQ(exchange("ID;ID;", 2) + "|" + client->written, "ID;ID;|ID0840;ID0840;");
    fresh();
    std::string burst, answers100;
    for (int i = 0; i < 100; ++i) burst += "ID;", answers100 += "ID0840;";  // more than one buffer
    exchange(burst, 100);
    EXPECT_EQ(std::to_string(rig.sent().size()) + client->written, "100" + answers100);
}

TEST_F(Passthru, UnterminatedGarbageDoesNotBlockThePortAndTrafficIsLogged) {
    exchange(std::string(300, 'x'), 4);
    EXPECT_LE(s.passthru_inbuf.size(), max_text);
    // The garbage's tail cannot be told from the start of the next command;
    // that one is lost, the one after it goes through clean.
    exchange("FA;", 3);
    s.debug_log_on = true;
    open_debug_log(rig.c);
    fresh();
    EXPECT_EQ(exchange("FA014250000;FA;", 2) + "|" + client->written, "FA014250000;FA;|FA014250000;");
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
    void SetUp() override {
        rig.c.serial = &serial;
        rig.radio->respond = [](const std::string& cmd) { return cmd == "FA;" ? "FA014200000;" : cmd == "SM0;" ? "SM0100;" : ""; };
        connect(rig);
    }
    void ticks(int n) { while (n-- > 0) timer_tick(rig.c); }
    void ticks_until_back() { for (int n = 0; s.link_lost && n < 100; ++n) timer_tick(rig.c); }
    void lose_radio() { ticks(4), serial.unplug(1), ticks(1), rig.radio->commands.clear(); }
};

TEST_F(Reconnect, LossIsSpokenOnceAndReopeningWaitsLongerUpToFourSeconds) {
    ticks(4);
    EXPECT_EQ(join(rig.sent()), "FA; SM0;");
    serial.unplug(1), ticks(1);
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
    ticks(4), press(rig, {'Q'});
    ASSERT_EQ(s.quit_pending, 1);
    serial.unplug(1), ticks(1);
    EXPECT_EQ(s.running + s.quit_pending, 0);
    s.running = true, press(rig, {'Q'});
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
    s.radio_connected = false;
    serial.unplug(1), ticks(1), serial.unplugged.clear(), ticks_until_back();
    EXPECT_EQ(join(rig.words()), "nc") << "the return is heard with the radio's first answer";
    ticks(7);
    EXPECT_EQ(join(rig.words()).substr(0, 2) + rig.words().back() + std::to_string(s.radio_connected), "ncconnected1");
    EXPECT_EQ(std::count(rig.words().begin(), rig.words().end(), "connected"), 1);
}

TEST_F(Reconnect, PassThroughPortIsReopenedSilentlyAndAnEmptySlotIsNoLoss) {
    auto client = rig.serial.add_line(2);
    s.passthru_port = 2, open_serial(rig.c, 2);
    s.passthru_inbuf = "FA0142";  // half a command from the program that goes away
    serial.unplug(2), ticks(100);
    EXPECT_EQ(s.passthru_lost + s.passthru_inbuf.size(), 1u);
    EXPECT_GE(sent_with(rig, "FA").size(), 20u) << "the radio is polled as before";
    serial.unplugged.clear(), ticks(80);
    EXPECT_EQ(s.passthru_lost * 10 + client->open, 1);
    close_port(rig.c, 1), ticks(100);  // a port that never opened
    EXPECT_EQ(s.link_lost * 10 + serial.opens[1], 1) << "only the start-up's own open";
    EXPECT_TRUE(rig.words().empty());
}

}  // namespace
}  // namespace vlr::test
