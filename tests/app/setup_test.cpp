// The set-up's file and its keys: what is written reads back the same through
// the program's own reader, in the layout the README gives; each key does to
// a setting what the operator hears.
#include "app/setup.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/setup_items.hpp"
#include "platform/keycodes.hpp"
#include "platform/posix/posix_serial.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

namespace fs = std::filesystem;

std::string fields(const Settings& s) {
    std::string t;
    for (int v : {s.com, s.speed, s.auto_swr, s.tuner, s.power_off, s.offset10, s.offset6,
                  s.offset2, s.offset70, s.passthru, s.debug, s.net_port, s.net_tx})
        t += std::to_string(v) + " ";
    return t + s.net_address + "|" + s.speech + "|" + s.later_lines;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

TEST(SetupFile, WhatIsWrittenReadsBackInTheReadmeLayout) {
    std::ifstream in(std::string(std::getenv("VELORAN_SOURCE_DIR")) + "/veloran.cfg.sample",
                     std::ios::binary);
    const std::string sample{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(fields(settings_from_config(sample)), fields(settings_from_config(sample_config)));
    EXPECT_EQ(config_text(settings_from_config(sample_config)), sample_config);
    const Settings rows[] = {
        {12, 4800, 0, 2, 1, 999, -1000, 1200, -7600, 12, 1, 0, 1, "", "dispatcher", ""},
        {1, 115200, 1, 1, 0, -5, 600, -9999, 0, 3, 0, 65535, 0, "0.0.0.0", "recorded",
         "Reserved 1\r\n"},
        {99, 9600, 1, 0, 0, 0, -50, 0, 5000, 99, 0, 4532, 0, "192.168.1.10", "system", ""},
    };
    for (const auto& row : rows) {
        const std::string text = config_text(row);
        EXPECT_EQ(fields(settings_from_config(text)), fields(row)) << text;
        const auto l = lines_of(text);
        ASSERT_GE(l.size(), 14u);
        // Two-digit COM numbers: line 1 exactly 6 long, line 10 exactly 9;
        // four-digit offsets: line 7 and 8 exactly 10 long, line 9 11.
        EXPECT_EQ(l[0].size(), 6u);
        if (row.passthru > 9) EXPECT_EQ(l[9].size(), 9u);
        if (std::abs(row.offset6) > 999) EXPECT_EQ(l[6].size(), 10u);
        if (std::abs(row.offset70) > 999) EXPECT_EQ(l[8].size(), 11u);
        EXPECT_EQ(l[13], "Speech " + (row.speech.empty() ? std::string("recorded") : row.speech));
    }
}

// Keys as letters: E Enter, U/D Up/Down, L/R Left/Right, X Escape, digits, + -.
int code_of(char k) {
    switch (k) {
        case 'E':
            return vk::enter;
        case 'U':
            return vk::up;
        case 'D':
            return vk::down;
        case 'L':
            return vk::left;
        case 'R':
            return vk::right;
        case 'X':
            return vk::escape;
        case '+':
            return vk::plus;
        case '-':
            return vk::minus;
        default:
            return k;
    }
}

TEST(SetupDialogKeys, EachKeyChangesWhatTheOperatorHears) {
    const struct {
        int item;  // the setting's place, from 0 (Enter first takes the radio)
        const char* keys;
        int line;             // of the file written, from 1
        const char* written;  // that line
        const char* heard;    // the last words
    } rows[] = {
        {0, "R", 3, "swr 0", "swr off"},
        {1, "R", 4, "tun 1", "tuner off"},
        {1, "RR", 4, "tun 2", "tuner both"},
        {1, "UR", 3, "swr 0", "swr off"},
        {2, "R", 5, "PowOff 1", "powoff on"},
        {3, "1234+", 6, "10mof +123", "10 metres ofs plus 1 2 3 khz"},
        {4, "LLLLLL", 7, "6mof -1100", "6 metres ofs minus 1 1 0 0 khz"},
        {5, "5+", 8, "2mof +005", "2 metres ofs plus 5 khz"},
        {6, "L", 9, "70mof +4900", "70 cm ofs plus 4 9 0 0 khz"},
        {7, "12", 10, "Pthru  12", "pthru 1 2"},
        {8, "R", 11, "Debug 1", "log on"},
        {9, "R", 12, "Net 0", "netport off"},
        {9, "80", 12, "Net 80", "netport 8 0"},
        {10, "R", 12, "Net 4532 0.0.0.0", "netaddr anyaddr"},
        {11, "R", 13, "NetTx 1", "nettx on"},
        {12, "RR", 14, "Speech system", "speech system"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.keys);
        test::Rig rig;
        SetupDialog dialog(rig.c,
                           {PortFinding{"/dev/ttyUSB0", PortOutcome::radio, 4800, "0840", 0}},
                           settings_from_config(sample_config));
        dialog.begin();
        for (const char k : std::string(static_cast<std::size_t>(row.item) + 1, 'E') + row.keys)
            dialog.key(code_of(k));
        const auto& words = rig.words();
        const std::string heard = row.heard;
        const auto count =
            static_cast<std::ptrdiff_t>(std::count(heard.begin(), heard.end(), ' ') + 1);
        EXPECT_EQ(test::join({words.end() - count, words.end()}), heard);
        EXPECT_FALSE(dialog.finished());
        std::string rest = std::string(14, 'E');
        for (const char k : rest) dialog.key(code_of(k));
        ASSERT_TRUE(dialog.saving());
        EXPECT_EQ(lines_of(config_text(dialog.values()))[static_cast<std::size_t>(row.line - 1)],
                  row.written);
    }
}

TEST(SetupDialogKeys, RadioChosenWithUpAndDownAndEscapeLeavesWithoutSaving) {
    test::Rig rig;
    std::vector<PortFinding> radios(3);
    for (int i = 0; i < 3; ++i)
        radios[i] = {"port" + std::to_string(i), PortOutcome::radio, 38400, "0840", 0};
    SetupDialog dialog(rig.c, radios, Settings{});
    dialog.begin();
    for (const int k : {vk::down, vk::down, vk::down}) dialog.key(k);
    rig.clear();
    dialog.key(vk::up);
    EXPECT_EQ(test::join(rig.words()), "found port 2 speed 3 8 4 0 0");
    dialog.key(vk::enter);
    EXPECT_EQ(dialog.radio().port, "port1");
    dialog.key(vk::escape);
    EXPECT_TRUE(dialog.finished());
    EXPECT_FALSE(dialog.saving());
    EXPECT_EQ(rig.words().back(), "setupleft");
}

TEST(SerialList, StableNamesFirstThenDevicesNoNameLeadsToAndOnlyRealUarts) {
    test::TempDir root;
    for (const char* d : {"dev/serial/by-id", "sys/ttyS0", "sys/ttyS1"})
        fs::create_directories(root.path + d);
    for (const char* n :
         {"ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "tty0"})
        root.write(std::string("dev/") + n, "");
    fs::create_symlink("../../ttyUSB1", root.path + "dev/serial/by-id/usb-Radio-if00");
    root.write("sys/ttyS0/type", "4\n");
    root.write("sys/ttyS1/type", "0\n");
    const std::string d = root.path + "dev/";
    EXPECT_EQ(test::join(platform::list_serial_devices(d, root.path + "sys/")),
              test::join({d + "serial/by-id/usb-Radio-if00", d + "ttyUSB0", d + "ttyUSB2",
                          d + "ttyUSB10", d + "ttyACM0", d + "ttyS0"}));
    // COM<n> links: an old one replaced, one searched under its own name
    // kept, a file of the user's own left alone.
    fs::create_symlink(d + "ttyUSB0", root.path + "COM5");
    EXPECT_TRUE(platform::link_port_name(root.path + "COM5", d + "ttyUSB2"));
    EXPECT_TRUE(platform::link_port_name(root.path + "COM5", root.path + "COM5"));
    EXPECT_EQ(fs::read_symlink(root.path + "COM5"), d + "ttyUSB2");
    root.write("COM6", "mine");
    EXPECT_FALSE(platform::link_port_name(root.path + "COM6", d + "ttyUSB2"));
    EXPECT_EQ(root.read("COM6"), "mine");
}

}  // namespace
}  // namespace vlr
