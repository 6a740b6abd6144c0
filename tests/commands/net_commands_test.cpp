// The network control port's commands as rows, carried out in order on one
// connected program whose radio is the emulated one: each line's answer, the
// commands that reached the radio and the words heard. Lines starting with
// "#" are the runner's own steps: "#tick" runs the poll, "#allow" lets
// network clients transmit, "#gone" is the client going away.
#include <gtest/gtest.h>

#include "commands/net_commands.hpp"
#include "commands/poll.hpp"
#include "emulator/radio_model.hpp"
#include "tests/support/keys.hpp"

using namespace vlr;

namespace {

struct Row {
    const char* line;
    const char* answer;  // "*text": the answer ends with text
    const char* wire;    // commands that reached the radio, blank-separated
    const char* words = "";
};

const Row rows[] = {
    {"f", "14200000\n", ""}, {"\\get_freq", "14200000\n", ""},
    {"+f", "get_freq:\nFrequency: 14200000\nRPRT 0\n", ""},
    {";f", "get_freq:;Frequency: 14200000;RPRT 0\n", ""},
    {"|m", "get_mode:|Mode: USB|Passband: 2400|RPRT 0\n", ""}, {"m", "USB\n2400\n", ""}, {"v", "VFOA\n", ""},
    {"t", "0\n", ""}, {"s", "0\nVFOA\n", ""}, {"\\chk_vfo", "0\n", ""}, {"+\\chk_vfo", "ChkVFO: 0\n", ""},
    {"\\get_lock_mode", "0\nRPRT 0\n", ""}, {"\\get_powerstat", "1\n", ""},
    {"\\dump_state", "*ptt_type=0x1\ntargetable_vfo=0x0\nhas_set_vfo=1\nhas_get_vfo=1\nhas_set_freq=1\n"
     "has_get_freq=1\nhas_set_conf=0\nhas_get_conf=0\nhas_power2mW=0\nhas_mW2power=0\n"
     "timeout=3000\nrig_model=2\nrigctld_version=Veloran 3.5c\ndone\n", ""},
    // Sets: the radio's own commands, the state follows at once.
    {"#tick", "", "FA;"},  // a frequency poll on its way while F is set
    {"F 14074055", "RPRT 0\n", "FA014074055;"},
    {"#tick", "", ""},  // its answer tells of the old frequency: not taken
    {"f", "14074055\n", ""},
    {"+F 7074000.4", "set_freq: 7074000.4\nRPRT 0\n", "FA007074000;"},
    {"M CW 500", "RPRT 0\n", "MD03; NA01; SH0010;"}, {"m", "CW\n500\n", ""},
    {"M PKTUSB 2400", "RPRT 0\n", "MD02; NA00; SH0014;"},
    {"+m", "get_mode:\nMode: PKTUSB\nPassband: 2400\nRPRT 0\n", ""},
    {"V VFOB", "RPRT 0\n", "VS1;"}, {"v", "VFOB\n", ""}, {"F 7080000", "RPRT 0\n", "FB007080000;"},
    {"V VFOA", "RPRT 0\n", "VS0;"}, {"f", "7074000\n", ""}, {"S 1 VFOB", "RPRT 0\n", "ST1;"},
    {"+s", "get_split_vfo:\nSplit: 1\nTX VFO: VFOB\nRPRT 0\n", ""},
    {"I 7081000", "RPRT 0\n", "FB007081000;"}, {"i", "7081000\n", ""},
    {"X USB 0", "RPRT 0\n", "MD02; NA00; SH0014;"}, {"x", "USB\n2400\n", ""},
    // Refused: bad values, unknown commands, missing arguments, transmit
    // while the configuration does not allow it.
    {"F 999999999999", "RPRT -1\n", ""}, {"F 14abc", "RPRT -1\n", ""}, {"F", "RPRT -1\n", ""},
    {"+F", "set_freq:\nRPRT -1\n", ""}, {"M XYZ 100", "RPRT -1\n", ""}, {"V VFOC", "RPRT -1\n", ""},
    {"S 2 VFOB", "RPRT -1\n", ""}, {"T 5", "RPRT -1\n", ""}, {"T 1", "RPRT -9\n", ""}, {"zz", "RPRT -11\n", ""},
    {"\\get_level AF", "RPRT -11\n", ""}, {"\x01\xff\x7f", "RPRT -11\n", ""}, {"   ", "", ""},
    // Allowed: keyed with a word, unkeyed by the client or when it goes.
    {"#allow", "", ""}, {"T 1", "RPRT 0\n", "TX1;", "nettx"}, {"t", "1\n", ""}, {"T 1", "RPRT 0\n", ""},
    {"T 0", "RPRT 0\n", "TX0;"}, {"#gone", "", ""}, {"+T 1", "set_ptt: 1\nRPRT 0\n", "TX1;", "nettx"},
    {"#gone", "", "TX0;"}, {"t", "0\n", ""}, {"q", "RPRT 0\n", ""},
};

TEST(NetCommands, RowsInOrder) {
    test::Rig rig;
    emu::RadioModel model;
    rig.radio->respond = [&model](const std::string& cmd) { return model.handle(cmd); };
    test::connect(rig);
    NetClientFacts client;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        rig.clear();
        std::string answer;
        const std::string line = row.line;
        if (line == "#tick") timer_tick(rig.c);
        else if (line == "#allow") rig.st().net_tx_allowed = 1;
        else if (line == "#gone") client.keyed ? unkey_for_network(rig.c) : void();
        else answer = answer_net_line(rig.c, line, client);
        const std::string expected = row.answer;
        if (expected.starts_with("*"))
            EXPECT_TRUE(answer.ends_with(expected.substr(1))) << answer;
        else
            EXPECT_EQ(answer, expected);
        EXPECT_EQ(test::join(rig.sent()), row.wire);
        EXPECT_EQ(test::join(rig.words()), row.words);
    }
    EXPECT_TRUE(client.quit);
}

}  // namespace
