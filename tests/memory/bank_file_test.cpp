#include "memory/bank_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/text.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

using test::Rig;

// Splits a file on CR LF; fails the test on a bare CR or LF.
std::vector<std::string> crlf_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "last line without CR LF";
            break;
        }
        std::string line = text.substr(start, end - start);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

std::string row_for(int band) {
    return "01A" + zero_pad(band, 3) + "000000B" + zero_pad(band, 3) + "0000009990";
}

class BankFile : public ::testing::Test {
protected:
    Rig rig;
    void SetUp() override {
        rig.st().version_text = "3.5c";
        for (int b = 1; b <= 14; ++b) rig.st().band_table[static_cast<std::size_t>(b)] = row_for(b);
    }
    std::string file() const { return rig.dir.read("savmem.dat"); }
    // A whole file with the given header and distinct rows and channels.
    static std::string file_with(const std::string& header) {
        std::string text = header + "\r\n";
        for (int b = 1; b <= 14; ++b)
            text += "15A0" + zero_pad(b, 2) + "100000B0" + zero_pad(b, 2) + "1000000121\r\n";
        for (int ch = 0; ch < 100; ++ch)
            text +=
                (ch % 7 == 3 ? "0206A014" + zero_pad(ch, 6) + "B0142000009991" : std::string("9")) +
                "\r\n";
        return text;
    }
    // Makes every replacement of savmem.dat fail: the file written beside it
    // cannot be created (works for root too, unlike a read-only folder).
    void block_bank_writes() { std::filesystem::create_directory(rig.dir.path + "savmem.dat.new"); }
};

TEST_F(BankFile, SaveWritesHeaderRowsAndChannelsAs115CrLfLines) {
    rig.st().band_index = 6;
    rig.st().nr_on = 1;
    rig.st().memory_channels[0] = "0206A014200000B0142000009991";
    rig.st().memory_channels[99] = "5512A145650000B-000006000120";
    save_memory_file(rig.c);

    auto lines = crlf_lines(file());
    ASSERT_EQ(lines.size(), 115u);
    EXPECT_EQ(lines[0], "VELORAN v3.5b 3.5c 61");
    for (int b = 1; b <= 14; ++b) EXPECT_EQ(lines[static_cast<std::size_t>(b)], row_for(b));
    EXPECT_EQ(lines[15], "0206A014200000B0142000009991");
    EXPECT_EQ(lines[16], "9");
    EXPECT_EQ(lines[114], "5512A145650000B-000006000120");
    // The report goes with every save.
    EXPECT_NE(rig.dir.read("memory.txt").find("Bank0"), std::string::npos);
}

TEST_F(BankFile, HeaderCarriesBandAndNoiseReductionCharacters) {
    struct Case {
        int band, nr;
        const char* header;
    } cases[] = {
        {1, 0, "VELORAN v3.5b 3.5c 10"},  {9, 1, "VELORAN v3.5b 3.5c 91"},
        {10, 0, "VELORAN v3.5b 3.5c :0"}, {14, 1, "VELORAN v3.5b 3.5c >1"},
        {0, 1, "VELORAN v3.5b 3.5c"},     {15, 0, "VELORAN v3.5b 3.5c"},
    };
    for (const auto& k : cases) {
        rig.st().band_index = k.band;
        rig.st().nr_on = k.nr;
        save_memory_file(rig.c);
        EXPECT_EQ(crlf_lines(file()).at(0), k.header) << "band " << k.band;
    }
}

TEST_F(BankFile, LoadTakesBandAndNoiseReductionFromAnyAcceptedHeader) {
    struct Case {
        const char* header;
        int band, nr;
    } cases[] = {
        {"VELORAN v3.5b 3.5c 61", 6, 1},
        {"VELORAN v3.5a 3.5a :0", 10, 0},
        {"VELORAN v1.0a 1.0a >1", 14, 1},
        {"VELORAN v1.0a", 0, 0},                    // old header without band
        {"VELORAN v3.5b 3.5c 52", 5, 0},            // only "1" means on
        {"VELORAN v3.5a and then anything", 0, 0},  // first 13 characters decide
        {"VELORAN v3.5b 3.5c ?1", 0, 1},            // beyond band 14
        {"VELORAN v3.5b 3.5c 01", 0, 1},            // below band 1
    };
    for (const auto& k : cases) {
        rig.st().band_index = 4;
        rig.st().nr_on = 0;
        rig.dir.write("savmem.dat", file_with(k.header));
        load_memory_file(rig.c);
        EXPECT_EQ(rig.st().band_index, k.band) << k.header;
        EXPECT_EQ(rig.st().nr_on, k.nr) << k.header;
        EXPECT_EQ(rig.st().band_table[3], "15A003100000B0031000000121") << k.header;
        EXPECT_EQ(rig.st().memory_channels[3], "0206A014000003B0142000009991") << k.header;
        EXPECT_EQ(rig.st().memory_channels[4], "9") << k.header;
        // An accepted file is read, not rewritten.
        EXPECT_EQ(file(), file_with(k.header)) << k.header;
    }
}

TEST_F(BankFile, LoadThenSaveReproducesTheFileByteForByte) {
    const std::string original = file_with("VELORAN v3.5b 3.5c ;1");
    rig.dir.write("savmem.dat", original);
    load_memory_file(rig.c);
    EXPECT_EQ(rig.st().band_index, 11);
    save_memory_file(rig.c);
    EXPECT_EQ(file(), original);
}

TEST_F(BankFile, LinesMayEndWithCrLfOrCr) {
    std::string crlf = file_with("VELORAN v3.5b 3.5c 21");
    for (const char* ending : {"\n", "\r"}) {
        std::string text = crlf;
        for (std::size_t p = 0; (p = text.find("\r\n", p)) != std::string::npos;)
            text.replace(p, 2, ending), ++p;
        rig.dir.write("savmem.dat", text);
        rig.st().band_table[14].clear();
        rig.st().memory_channels[99] = "x";
        load_memory_file(rig.c);
        EXPECT_EQ(rig.st().band_index, 2);
        EXPECT_EQ(rig.st().band_table[14], "15A014100000B0141000000121");
        EXPECT_EQ(rig.st().memory_channels[99], "9");
    }
}

TEST_F(BankFile, LongLinesAreCutTo255Characters) {
    std::string text = file_with("VELORAN v3.5b 3.5c 21");
    auto at = text.find("\r\n") + 2;
    text.insert(at, std::string(300, '7'));
    rig.dir.write("savmem.dat", text);
    load_memory_file(rig.c);
    EXPECT_EQ(rig.st().band_table[1].size(), 255u);
    EXPECT_EQ(rig.st().band_table[2], "15A002100000B0021000000121");
}

TEST_F(BankFile, ShortFileKeepsTheDefaultsOfMissingLines) {
    rig.st().memory_channels[50] = "0206A014200000B0142000009991";
    std::string text = "VELORAN v3.5b 3.5c 31\r\n15A001100000B0011000000121\r\n";
    rig.dir.write("savmem.dat", text);
    load_memory_file(rig.c);
    EXPECT_EQ(rig.st().band_index, 3);
    EXPECT_EQ(rig.st().band_table[1], "15A001100000B0011000000121");
    EXPECT_EQ(rig.st().band_table[2], row_for(2));
    EXPECT_EQ(rig.st().memory_channels[50], "0206A014200000B0142000009991");
}

// A missing or foreign savmem.dat is written anew from the defaults; the
// old-format memory.dat goes only when savmem.dat was missing.
TEST_F(BankFile, MissingOrUnrecognisedFileIsWrittenFromTheDefaults) {
    const struct {
        const char* what;
        const char* savmem;  // nullptr: no file
        int band;
        const char* header;
        bool old_format_stays;
    } cases[] = {
        {"missing", nullptr, 4, "VELORAN v3.5b 3.5c 40", false},
        {"foreign", "something else\r\n15A001100000B0011000000121\r\n", 7, "VELORAN v3.5b 3.5c 70", true},
    };
    for (const auto& k : cases) {
        rig.dir.write("memory.dat", "old format");
        if (k.savmem) rig.dir.write("savmem.dat", k.savmem);
        rig.st().band_index = k.band;
        load_memory_file(rig.c);
        EXPECT_EQ(rig.dir.exists("memory.dat"), k.old_format_stays) << k.what;
        EXPECT_EQ(rig.st().band_index, k.band) << k.what;
        EXPECT_EQ(rig.st().band_table[1], row_for(1)) << k.what;
        auto lines = crlf_lines(file());
        ASSERT_EQ(lines.size(), 115u) << k.what;
        EXPECT_EQ(lines[0], k.header) << k.what;
        EXPECT_EQ(lines[1], row_for(1)) << k.what;
    }
}

TEST_F(BankFile, UnrecognisedFileThatCannotBeRewrittenKeepsTheDefaults) {
    const std::string foreign = "not a bank file\r\n15A001100000B0011000000121\r\n";
    rig.dir.write("savmem.dat", foreign);
    block_bank_writes();
    rig.st().band_index = 7;
    load_memory_file(rig.c);  // must return rather than retry for ever
    EXPECT_EQ(rig.st().band_index, 7);
    EXPECT_EQ(rig.st().band_table[1], row_for(1));
    EXPECT_EQ(rig.dir.read("savmem.dat.bad"), foreign);
}

}  // namespace
}  // namespace vlr
