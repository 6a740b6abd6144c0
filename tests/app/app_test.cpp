// veloran.cfg read by position, and the program's start and orderly end
// (however the transmitter was keyed, the shutdown unkeys it before anything
// else goes to the radio).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/startup.hpp"
#include "base/text.hpp"
#include "commands/passthru.hpp"
#include "link/ports.hpp"
#include "tests/support/keys.hpp"

namespace vlr {
namespace {

using test::join;
using test::Rig;

const std::string sample =
    "COM  5\r\nSpeed 38400\r\nswr 1\r\ntun 2\r\nPowOff 1\r\n10mof -100\r\n6mof -500\r\n2mof -600\r\n"
    "70mof +5000\r\nPthru 7\r\nDebug 1\r\n";

// What a configuration sets, as "name=value" words; "rejected" when refused.
std::string config_of(const std::string& text) {
    State s;
    if (!read_config_text(s, text)) return "rejected";
    EXPECT_EQ(s.shift10_sign + s.shift10_digits + s.shift6_sign + s.shift6_digits + s.shift2_sign + s.shift2_digits +
                  s.shift70_sign + s.shift70_digits,
              s.offset10_sign + s.offset10_digits + s.offset6_sign + s.offset6_digits + s.offset2_sign +
                  s.offset2_digits + s.offset70_sign + s.offset70_digits)
        << "the entered offsets start as the configured ones";
    return "port=" + std::to_string(s.radio_port) + " speed=" + std::to_string(s.port_speed) +
           " swr=" + std::to_string(s.auto_swr) + " tun=" + std::to_string(s.tuner_mode) +
           " off=" + std::to_string(s.power_off_on_exit) + " pthru=" + std::to_string(s.passthru_port) +
           " debug=" + std::to_string(s.debug_log_on) + " band=" + s.top_band + std::to_string(s.dcs_allowed) +
           " 10m=" + s.shift10_sign + s.shift10_digits + " 6m=" + s.shift6_sign + s.shift6_digits +
           " 2m=" + s.shift2_sign + s.shift2_digits + " 70m=" + s.shift70_sign + s.shift70_digits + " ";
}

TEST(App, ConfigurationLinesAreReadByPosition) {
    const std::pair<std::string, const char*> rows[] = {
        {sample, "port=5 speed=38400 swr=1 tun=2 off=1 pthru=7 debug=1 band=71 10m=-0100 6m=-0500 2m=-0600 70m=+5000 "},
        {"COM 12\n", "port=12 "}, {"COM 123\n", "port=3 "}, {"COM  x\n", "port=0 "}, {"\n", "port=0 "},
        {"\n\n\n\n\n\n\n\n\nPthru 12\n", "pthru=2 "}, {"\n\n\n\n\n\n\n\n\nPthru  12\n", "pthru=12 "},
        {"\n\n\n\n\n\n6m of-0500\n2m o -600\n", "6m=-0500 2m=-0600 "},  // ten characters take four digits
        {"\n\n\n\n\n\n\n\n70cm o+7600\n", "70m=+7600 "}, {"\n\n\n\n\n\n\n\n70cm o+760\n", "70m=+0760 "},
        {"COM  5\rSpeed 4800\r", "port=5 speed=4800 "}, {"COM  5\nSpeed 4800\n", "port=5 speed=4800 swr=0 tun=0 off=0 pthru=0 debug=0 "},
        {"COM  5\r\nSpeed 4800\r\n", "port=5 speed=4800 swr=0 "}, {"\n\n\n\n\n", "10m=0 6m=0 2m=0 70m=0 "},
        {"COM 3\nSpeed " + std::string(300, '9') + "\n", "port=3 speed=2147483647 "},  // clamped, never wraps
        {"\n\npow 1\n", "rejected"}, {"\n\nPow 1\n", "swr=1 "},  // only the exact lower-case label
    };
    for (const auto& [text, want] : rows) EXPECT_NE(config_of(text).find(want), std::string::npos) << config_of(text);
    std::ifstream in(std::string(std::getenv("VELORAN_SOURCE_DIR")) + "/veloran.cfg.sample");
    EXPECT_EQ(config_of(std::string(std::istreambuf_iterator<char>(in), {})).find("port=5 speed=38400"), 0u);
}

TEST(App, TheRightRadioRunsTheLoopUntilClosedAWrongOneIsRefused) {
    for (std::string id : {"0840", "0650", ""}) {
        Rig rig;
        rig.dir.write("veloran.cfg", "COM  1\r\nSpeed 38400\r\nswr 0\r\ntun 0\r\nPowOff 1\r\n");
        if (!id.empty())  // a radio that identifies itself as `id` and reports 7.1 MHz
            rig.radio->respond = [id](const std::string& cmd) {
                return cmd == "ID;" ? "ID" + id + ";" : cmd == "FA;" ? std::string("FA007100000;") : std::string();
            };
        for (int i = 0; i < 6; ++i) rig.window.events.push_back({platform::event_timer, 1});
        EXPECT_EQ(run_program(rig.c), 0);  // the script ends with a close request
        EXPECT_EQ(rig.window.title, "*** Yaesu VLR Front Panel v3.5c ***");
        ASSERT_GE(rig.sent().size(), 3u) << id;
        EXPECT_EQ(rig.sent()[0] + rig.sent()[1] + rig.sent().back(), "VS0;ID;PS0;") << "power off goes last";
        EXPECT_EQ(rig.radio->speed * 10 + rig.radio->stop_bits, 384002);
        EXPECT_FALSE(rig.radio->open || rig.window.is_open) << id;
        EXPECT_TRUE(rig.dir.exists("savmem.dat") && rig.dir.exists("memory.txt")) << id;
        EXPECT_EQ(rig.window.events.size(), id == "0840" ? 0u : 6u) << "the loop ran only for the right radio";
        EXPECT_EQ(rig.window.timer_period, id == "0840" ? 50 : 0);
        if (id != "0840") EXPECT_EQ(join(rig.words()).find("rnvlr.wav") != std::string::npos && rig.words().back() == "delay", true);
    }
}

TEST(App, StartUpResetsTheStateOpensThePortsAndSelectsTheStartBand) {
    Rig rig;
    State& s = rig.st();
    s.mode_code = 7, s.tone_code = "012", s.band_index = 0, s.passthru_port = 2, s.mic_monitor = 1;
    rig.serial.open_error = 1;  // the device exists, but the user may not open it
    prepare_startup(rig.c);
    EXPECT_EQ(std::to_string(s.mode_code) + s.tone_code + std::to_string(s.band_index) + s.freq_text, "19994" "7.100000");
    EXPECT_EQ(s.mic_monitor + s.channel_op + s.radio_connected, 0);
    EXPECT_EQ(s.mode_cmd_c4fm + s.mode_cmd_fm + s.mode_cmd_am, "MD0HMD04MD05");
    EXPECT_EQ(join(rig.sent()), "VS0;");
    EXPECT_EQ(join(rig.words()), "noperm");
    EXPECT_EQ(rig.window.text.at(140, 380).substr(0, 7), "b=Band ");
    EXPECT_EQ(rig.serial.client_pty_allowed, std::vector<int>{2}) << "a pseudo-terminal pair for the pass-through";
    Rig same;
    same.st().passthru_port = same.st().radio_port;  // never the radio's own port
    prepare_startup(same.c);
    EXPECT_TRUE(same.serial.client_pty_allowed.empty() && same.words().empty());
}

TEST(App, NestedDeliveryRestoresTheOuterEvent) {
    Rig rig;
    rig.st().event_id = 256, rig.st().event_param = 70, rig.st().running = true;
    deliver_event(rig.c, platform::event_close, 0);
    EXPECT_EQ(std::to_string(rig.st().running) + " " + std::to_string(rig.st().event_id) + " " + std::to_string(rig.st().event_param), "0 256 70");
}

TEST(Shutdown, UnkeysTheRadioFirstWhenAnythingLeftItKeyed) {
    auto client = [](const std::string& bytes) {
        return [bytes](test::Rig& rig) {
            auto line = rig.serial.add_line(2);
            rig.st().passthru_port = 2;
            open_serial(rig.c, 2);
            for (std::size_t at = 0; at < bytes.size(); at = bytes.find(';', at) + 1) {
                line->incoming += bytes.substr(at, bytes.find(';', at) + 1 - at);
                poll_passthru(rig.c);
            }
        };
    };
    const struct { const char* how; std::function<void(test::Rig&)> key; std::vector<std::string> last; } rows[] = {
        {"space bar", [](test::Rig& r) { test::press(r, {vk::space}); }, {"TX0;", "PS0;"}},
        {"space bar on and off", [](test::Rig& r) { test::press(r, {vk::space, vk::space}); }, {"PS0;"}},
        {"tune carrier", [](test::Rig& r) { r.st().tuner_mode = 1, test::press(r, {'T'}); }, {"TX0;", "PS0;"}},
        {"client TX1", client("TX1;"), {"TX0;", "PS0;"}},
        {"client TX2", client("TX2;"), {"TX0;", "PS0;"}},
        {"client TX1 then TX0", client("TX1;TX0;"), {"PS0;"}},
        {"client asks only", client("TX;"), {"PS0;"}},
    };
    for (const auto& row : rows) {
        Rig rig;
        test::connect(rig);
        rig.st().power_off_on_exit = true;
        row.key(rig);
        rig.clear();
        shutdown_program(rig.c);
        EXPECT_EQ(rig.sent(), row.last) << row.how;
    }
}

}  // namespace
}  // namespace vlr
