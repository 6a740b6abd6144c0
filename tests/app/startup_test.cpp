#include <gtest/gtest.h>

#include "app/startup.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

using test::join;
using test::Rig;

const char* kConfig =
    "COM  1\r\nSpeed 38400\r\nswr 0\r\ntun 0\r\nPowOff 1\r\n10mof -100\r\n6mof -500\r\n"
    "2mof -600\r\n70mof +5000\r\nPthru 0\r\nDebug 0\r\n";

// A radio that identifies itself as `id` and reports 7.1 MHz.
void answer_as(Rig& rig, const std::string& id) {
    rig.radio->respond = [id](const std::string& cmd) -> std::string {
        if (cmd == "ID;") return "ID" + id + ";";
        if (cmd == "FA;") return "FA007100000;";
        return "";
    };
}

TEST(Startup, MissingConfigurationGreetsThenEnds) {
    Rig rig;
    EXPECT_EQ(run_program(rig.c), 0);
    EXPECT_EQ(join(rig.words()), "vlr.wav 3.wav point 5 cfgnf");
    EXPECT_TRUE(rig.window.is_open);  // left for the process end to take away
    EXPECT_EQ(rig.window.title, "*** Yaesu VLR Front Panel v3.5c ***");
    EXPECT_TRUE(rig.radio->written.empty());
    EXPECT_FALSE(rig.dir.exists("savmem.dat"));
}

TEST(Startup, RejectedConfigurationSaysWrongConf) {
    Rig rig;
    std::string cfg = kConfig;
    cfg.replace(cfg.find("swr 0"), 5, "pow 0");
    rig.dir.write("veloran.cfg", cfg);
    EXPECT_EQ(run_program(rig.c), 0);
    EXPECT_EQ(join(rig.words()), "vlr.wav 3.wav point 5 wrong conf");
    EXPECT_FALSE(rig.window.is_open);
    EXPECT_TRUE(rig.radio->written.empty());
}

TEST(Startup, RunsTheLoopUntilClosedThenShutsDownInOrder) {
    Rig rig;
    rig.dir.write("veloran.cfg", kConfig);
    answer_as(rig, "0840");
    for (int i = 0; i < 6; ++i) rig.window.events.push_back({platform::event_timer, 1});
    // The script ends with a close request.
    EXPECT_EQ(run_program(rig.c), 0);
    ASSERT_FALSE(rig.sent().empty());
    EXPECT_EQ(rig.sent().front(), "VS0;");
    EXPECT_EQ(rig.sent()[1], "ID;");
    EXPECT_EQ(rig.sent().back(), "PS0;");  // power off is the last command
    EXPECT_EQ(rig.window.timer_period, 50);
    EXPECT_FALSE(rig.window.is_open);
    EXPECT_FALSE(rig.radio->open);
    EXPECT_TRUE(rig.dir.exists("savmem.dat"));
    EXPECT_TRUE(rig.dir.exists("memory.txt"));
    EXPECT_EQ(rig.radio->stop_bits, 2);
    EXPECT_EQ(rig.radio->speed, 38400);
}

TEST(Startup, WrongRadioEndsAfterRefusal) {
    for (std::string id : {"0650", ""}) {
        Rig rig;
        rig.dir.write("veloran.cfg", kConfig);
        if (!id.empty()) answer_as(rig, id);
        rig.window.events.push_back({platform::event_timer, 1});
        EXPECT_EQ(run_program(rig.c), 0);
        EXPECT_EQ(rig.words().back(), "delay") << "PS0 is followed by its pause";
        EXPECT_NE(join(rig.words()).find("rnvlr.wav"), std::string::npos);
        EXPECT_TRUE(rig.dir.exists("savmem.dat"));
        EXPECT_EQ(rig.sent().back(), "PS0;");
        EXPECT_EQ(rig.window.events.size(), 1u) << "the loop never ran";
    }
}

TEST(Startup, NestedDeliveryRestoresTheOuterEvent) {
    Rig rig;
    rig.st().event_id = 256;
    rig.st().event_param = 70;
    rig.st().running = 1;
    deliver_event(rig.c, platform::event_close, 0);
    EXPECT_EQ(rig.st().running, 0);
    EXPECT_EQ(rig.st().event_id, 256);
    EXPECT_EQ(rig.st().event_param, 70);
}

TEST(Startup, PreparationResetsAndSelectsTheStartBand) {
    Rig rig;
    rig.st().mode_code = 7;
    rig.st().tone_code = "012";
    rig.st().band_index = 0;
    prepare_startup(rig.c);
    EXPECT_EQ(rig.st().mode_code, 1);
    EXPECT_EQ(rig.st().tone_code, "999");
    EXPECT_EQ(rig.st().band_index, 4);
    EXPECT_EQ(rig.st().freq_text, "7.100000");
    EXPECT_EQ(rig.st().mode_cmd_c4fm, "MD0H");
    EXPECT_EQ(rig.sent(), std::vector<std::string>{"VS0;"});
    EXPECT_EQ(rig.window.text.at(140, 380).substr(0, 7), "b=Band ");
}

TEST(Startup, APortThatMayNotBeOpenedIsExplained) {
    Rig rig;
    rig.serial.open_error = 1;  // the device exists, but the user may not open it
    prepare_startup(rig.c);
    EXPECT_EQ(join(rig.words()), "noperm");
    Rig fine;
    prepare_startup(fine.c);
    EXPECT_TRUE(fine.words().empty());
}

TEST(Startup, OnlyThePassThroughPortMayBecomeAPseudoTerminalPair) {
    Rig rig;
    rig.st().passthru_port = 2;
    prepare_startup(rig.c);
    EXPECT_EQ(rig.serial.client_pty_allowed, std::vector<int>{2});
    Rig same;
    same.st().passthru_port = same.st().radio_port;  // never the radio's own port
    prepare_startup(same.c);
    EXPECT_TRUE(same.serial.client_pty_allowed.empty());
}

}  // namespace
}  // namespace vlr
