// savmem.dat as it is written and read back, and the memory.txt list of the channels.
#include "memory/bank_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/text.hpp"
#include "memory/report.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

using test::Rig;

std::string row_for(int band) { return "01A" + zero_pad(band, 3) + "000000B" + zero_pad(band, 3) + "0000009990"; }

// A whole file: the header, distinct rows, every seventh channel used.
std::string file_with(const std::string& header, const std::string& end = "\r\n") {
    std::string text = header + end;
    for (int b = 1; b <= 14; ++b) text += "15A0" + zero_pad(b, 2) + "100000B0" + zero_pad(b, 2) + "1000000121" + end;
    for (int ch = 0; ch < 100; ++ch) text += (ch % 7 == 3 ? "0206A014" + zero_pad(ch, 6) + "B0142000009991" : "9") + end;
    return text;
}

struct BankFile : ::testing::Test {
    Rig rig;
    State& s = rig.st();
    void SetUp() override {
        s.version_text = "3.5c";
        for (int b = 1; b <= 14; ++b) s.band_table[static_cast<std::size_t>(b)] = row_for(b);
    }
    // What a load left: band, noise reduction, row 3, channel 3 and 4, row 14.
    std::string loaded(const std::string& file) {
        if (!file.empty()) rig.dir.write("savmem.dat", file);
        load_memory_file(rig.c);
        return std::to_string(s.band_index) + " " + std::to_string(s.nr_on) + " " + s.band_table[3] + " " +
               s.memory_channels[3] + " " + s.memory_channels[4] + " " + s.band_table[14];
    }
};

TEST_F(BankFile, SaveWritesTheHeaderRowsAndChannelsAsCrLfLinesAndTheReport) {
    const std::tuple<int, int, const char*> headers[] = {{6, 1, "VELORAN v3.5b 3.5c 61"}, {1, 0, "VELORAN v3.5b 3.5c 10"},
        {10, 0, "VELORAN v3.5b 3.5c :0"}, {14, 1, "VELORAN v3.5b 3.5c >1"}, {0, 1, "VELORAN v3.5b 3.5c"}, {15, 0, "VELORAN v3.5b 3.5c"}};
    s.memory_channels[0] = "0206A014200000B0142000009991";
    s.memory_channels[99] = "5512A145650000B-000006000120";
    for (auto [band, nr, header] : headers) {
        s.band_index = band, s.nr_on = nr, save_memory_file(rig.c);
        std::string want = std::string(header) + "\r\n";
        for (int b = 1; b <= 14; ++b) want += row_for(b) + "\r\n";
        for (const auto& ch : s.memory_channels) want += ch + "\r\n";
        EXPECT_EQ(rig.dir.read("savmem.dat"), want) << header;
        EXPECT_EQ(rig.dir.read("memory.txt"), memory_report_text(s));
    }
}

TEST_F(BankFile, LoadTakesBandAndNoiseReductionFromAnyAcceptedHeaderAndLeavesTheFile) {
    const std::string rest = " 15A003100000B0031000000121 0206A014000003B0142000009991 9 15A014100000B0141000000121";
    const std::pair<const char*, const char*> rows[] = {
        {"VELORAN v3.5b 3.5c 61", "6 1"}, {"VELORAN v3.5a 3.5a :0", "10 0"}, {"VELORAN v1.0a 1.0a >1", "14 1"},
        {"VELORAN v1.0a", "0 0"}, {"VELORAN v3.5b 3.5c 52", "5 0"}, {"VELORAN v3.5a and then anything", "0 0"},
        {"VELORAN v3.5b 3.5c ?1", "0 1"}, {"VELORAN v3.5b 3.5c 01", "0 1"},  // beyond the bands: no band
    };
    for (auto [header, want] : rows) {
        s.band_index = 4, s.nr_on = false;
        EXPECT_EQ(loaded(file_with(header)), want + rest) << header;
        EXPECT_EQ(rig.dir.read("savmem.dat"), file_with(header)) << "an accepted file is read, not rewritten";
    }
    for (const char* end : {"\n", "\r"}) EXPECT_EQ(loaded(file_with("VELORAN v3.5b 3.5c 21", end)), "2 1" + rest) << "lines ended by one byte";
    rig.dir.write("savmem.dat", file_with("VELORAN v3.5b 3.5c ;1"));
    load_memory_file(rig.c), save_memory_file(rig.c);
    EXPECT_EQ(rig.dir.read("savmem.dat"), file_with("VELORAN v3.5b 3.5c ;1")) << "load then save gives the file back";
}

TEST_F(BankFile, LongLinesAreCutAndAShortFileKeepsTheDefaultsOfItsMissingLines) {
    loaded(file_with("VELORAN v3.5b 3.5c 21").insert(23, std::string(300, '7')));
    EXPECT_EQ(std::to_string(s.band_table[1].size()) + s.band_table[2], "25515A002100000B0021000000121");
    for (int b = 1; b <= 14; ++b) s.band_table[static_cast<std::size_t>(b)] = row_for(b);
    s.memory_channels[50] = "0206A014200000B0142000009991";
    loaded("VELORAN v3.5b 3.5c 31\r\n15A001100000B0011000000121\r\n");
    EXPECT_EQ(s.band_table[1] + s.band_table[2] + s.memory_channels[50], "15A001100000B0011000000121" + row_for(2) + "0206A014200000B0142000009991");
}

// A missing or foreign savmem.dat is written anew from the defaults; the
// old-format memory.dat goes only when savmem.dat was missing.
TEST_F(BankFile, AMissingOrForeignFileIsWrittenFromTheDefaultsOnce) {
    for (const char* file : {"", "something else\r\n15A001100000B0011000000121\r\n"}) {
        rig.dir.write("memory.dat", "old format");
        s.band_index = 7;
        EXPECT_EQ(loaded(file).substr(0, 2) + s.band_table[1], "7 " + row_for(1));
        EXPECT_EQ(rig.dir.read("savmem.dat").substr(0, 51), "VELORAN v3.5b 3.5c 70\r\n" + row_for(1) + "\r\n");
        EXPECT_EQ(rig.dir.exists("memory.dat"), *file != '\0') << file;
        std::filesystem::remove(rig.dir.path + "savmem.dat");
    }
    const std::string foreign = "not a bank file\r\n15A001100000B0011000000121\r\n";
    std::filesystem::create_directory(rig.dir.path + "savmem.dat.new");  // every replacement fails
    EXPECT_EQ(loaded(foreign).substr(0, 2) + s.band_table[1], "7 " + row_for(1)) << "must return rather than retry for ever";
    EXPECT_EQ(rig.dir.read("savmem.dat.bad.1"), foreign) << "kept aside, not lost";
    EXPECT_EQ(rig.dir.read("savmem.dat.bad").substr(0, 14), "something else") << "an earlier one is never overwritten";
}

TEST(MemoryReport, OneLinePerUsedChannelInItsBank) {
    const std::string seven(7, ' ');
    const std::pair<const char*, std::string> rows[] = {
        {"0206A014200000B0142000009991", "A=14.2  B=14.2  USB" + seven}, {"0114A009670000B0501500009990", "A=9.67  B=50.15  LSB" + seven},
        {"0312A145000000B0000000009990", "A=145.0  B=0.0  CW" + seven}, {"0410A028123456B0281234569990", "A=28.123456  B=28.123456  AM" + seven},
        {"1201A001900000B0019100009990", "A=1.9  B=1.91  USB  split"},
        {"5512A145650000B-000006000120", "A=145.65  FMN  Repeater  -600Khz" + seven + "   CTCSS=012"},
        {"5713A430000000B+000050007540", "A=430.0  FMW  Repeater  +5000Khz" + seven + "   DCS=754"},
        {"5712A145000000B+000000009990", "A=145.0  FMW  Repeater  +Khz" + seven}, {"0612A144800000B1448000009990", "A=144.8  B=144.8  C4FM" + seven},
        {"0512A145500000B1455000005000", "A=145.5  B=145.5  FMN" + seven + "   DCS=500"},
        {"0806A050000000B0500000009990", "A=50.0  B=50.0" + seven},  // an unknown mode digit adds nothing
    };
    State s;
    s.memory_channels.fill("9");
    EXPECT_EQ(memory_report_text(s), "Memory Bank Information\r\n  \r\nEmpty\r\n");
    for (const auto& [record, line] : rows) {
        s.memory_channels[73] = record;
        EXPECT_EQ(memory_report_text(s), "Memory Bank Information\r\n  \r\n  \r\nBank7\r\nSlot 3 " + line + "\r\n") << record;
    }
    s.memory_channels[79] = "0206A014200000B0142000009991", s.memory_channels[72] = "1201A001900000B0019100009990";
    s.memory_channels[30] = "0806A050000000B0500000009990";
    EXPECT_EQ(memory_report_text(s), "Memory Bank Information\r\n  \r\n  \r\nBank3\r\nSlot 0 A=50.0  B=50.0" + seven +
                                         "\r\n  \r\nBank7\r\nSlot 2 A=1.9  B=1.91  USB  split\r\nSlot 3 A=50.0  B=50.0" + seven +
                                         "\r\nSlot 9 A=14.2  B=14.2  USB" + seven + "\r\n");
}

}  // namespace
}  // namespace vlr
