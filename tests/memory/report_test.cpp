#include "memory/report.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

const std::string seven(7, ' ');

State empty_banks() {
    State s;
    for (auto& ch : s.memory_channels) ch = "9";
    return s;
}

TEST(MemoryReport, NoUsedChannelGivesTitleBlankLineAndEmpty) {
    EXPECT_EQ(memory_report_text(empty_banks()), "Memory Bank Information\r\n  \r\nEmpty\r\n");
}

TEST(MemoryReport, ChannelLinesForEveryForm) {
    struct Case {
        const char* record;
        std::string line;
    } cases[] = {
        // plain, frequencies with and without decimals to drop
        {"0206A014200000B0142000009991", "Slot 3 A=14.2  B=14.2  USB" + seven},
        {"0114A009670000B0501500009990", "Slot 3 A=9.67  B=50.15  LSB" + seven},
        {"0312A145000000B0000000009990", "Slot 3 A=145.0  B=0.0  CW" + seven},
        {"0410A028123456B0281234569990", "Slot 3 A=28.123456  B=28.123456  AM" + seven},
        // split
        {"1201A001900000B0019100009990", "Slot 3 A=1.9  B=1.91  USB  split"},
        // repeater with either sign, offset zeros dropped, CTCSS and DCS tones
        {"5512A145650000B-000006000120",
         "Slot 3 A=145.65  FMN  Repeater  -600Khz" + seven + "   CTCSS=012"},
        {"5713A430000000B+000050007540",
         "Slot 3 A=430.0  FMW  Repeater  +5000Khz" + seven + "   DCS=754"},
        {"5712A145000000B+000000009990", "Slot 3 A=145.0  FMW  Repeater  +Khz" + seven},
        // the remaining modes, an unknown mode digit adds nothing
        {"0612A144800000B1448000009990", "Slot 3 A=144.8  B=144.8  C4FM" + seven},
        {"0712A145500000B1455000000480", "Slot 3 A=145.5  B=145.5  FMW" + seven + "   CTCSS=048"},
        {"0512A145500000B1455000005000", "Slot 3 A=145.5  B=145.5  FMN" + seven + "   DCS=500"},
        {"0806A050000000B0500000009990", "Slot 3 A=50.0  B=50.0" + seven},
    };
    for (const auto& k : cases) {
        State s = empty_banks();
        s.memory_channels[3] = k.record;
        EXPECT_EQ(memory_report_text(s),
                  "Memory Bank Information\r\n  \r\n  \r\nBank0\r\n" + k.line + "\r\n")
            << k.record;
    }
}

TEST(MemoryReport, OnlyBanksWithUsedChannelsAreListedInOrder) {
    State s = empty_banks();
    s.memory_channels[79] = "0206A014200000B0142000009991";
    s.memory_channels[72] = "1201A001900000B0019100009990";
    s.memory_channels[30] = "0806A050000000B0500000009990";
    EXPECT_EQ(memory_report_text(s),
              "Memory Bank Information\r\n  \r\n"
              "  \r\nBank3\r\nSlot 0 A=50.0  B=50.0" +
                  seven +
                  "\r\n"
                  "  \r\nBank7\r\nSlot 2 A=1.9  B=1.91  USB  split\r\n"
                  "Slot 9 A=14.2  B=14.2  USB" +
                  seven + "\r\n");
}

TEST(MemoryReport, WrittenWholeToMemoryTxt) {
    test::Rig rig;
    for (auto& ch : rig.st().memory_channels) ch = "9";
    rig.st().memory_channels[5] = "0206A014200000B0142000009991";
    write_memory_report(rig.c);
    EXPECT_EQ(rig.dir.read("memory.txt"), memory_report_text(rig.st()));
    EXPECT_FALSE(std::filesystem::exists(rig.dir.path + "memory.txt.new"));
}

}  // namespace
}  // namespace vlr
