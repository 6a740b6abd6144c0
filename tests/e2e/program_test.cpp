// The veloran program as the operator starts it: its own process in a working
// folder, the radio on a pseudo-terminal linked as its COM port, its words
// read back from --transcript; the radio's record, the files and the exit
// code are what it leaves.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "emulator/pty_radio.hpp"
#include "tests/support/e2e_harness.hpp"

using namespace vlr;
using namespace vlr::e2e;

namespace {

struct Program : ::testing::Test {
    WorkFolder dir;
    emu::PtyRadio radio;
    Process veloran;
    void SetUp() override {
        ASSERT_TRUE(dir.has_words) << dir.why;
        ASSERT_TRUE(radio.link_com(dir.path, 1));
    }
    std::string said() const {
        return "\nheard: " + veloran.out.joined() + "\nstderr: " + dir.read("veloran.err");
    }
    // Up to "connected", ten more polls alive, then an orderly end on SIGTERM.
    void run_until_polled() {
        ASSERT_TRUE(veloran.out.wait_for("connected")) << said();
        const std::size_t polls = count_of(radio.record(), "FA;");
        EXPECT_TRUE(eventually(
            [&] { return count_of(radio.record(), "FA;") >= polls + 10 || !veloran.running(); }));
        EXPECT_TRUE(veloran.running()) << said();
        veloran.signal(SIGTERM);
        EXPECT_EQ(veloran.wait_exit(), 0) << said();
    }
};

// PowOff 1: the radio is switched off last, after the rows are saved.
TEST_F(Program, StartsReadsBackPollsAndSavesOnSigterm) {
    dir.write_config(Config{.power_off = 1});
    ASSERT_TRUE(veloran.start_veloran(dir.path));
    auto connected = veloran.out.wait_for("connected");
    ASSERT_TRUE(connected) << said();
    auto words = veloran.out.all();
    EXPECT_EQ(join(words).rfind("vlr.wav 3.wav point 5 ", 0), 0u) << said();
    ASSERT_GE(*connected, 7u);
    EXPECT_EQ(join({words.begin() + static_cast<long>(*connected) - 7,
                    words.begin() + static_cast<long>(*connected) + 1}),
              "7 point 1 mhz lsb.wav preamp off connected")
        << "the first frequency reply announces where the program starts";
    auto record = radio.record();
    EXPECT_EQ(missing_in_order(record, {"VS0;", "ID;", "EX0307030;", "BS003;", "FA007100000;", "MD01;",
                                        "AC100;", "BI;", "FA;", "PA00;"}), "")
        << join(record);
    // No poll interleaves with the read-back's queries.
    EXPECT_LT(std::find(record.begin(), record.end(), "BI;"),
              std::find(record.begin(), record.end(), "FA;"));
    const std::size_t meter = count_of(record, "SM0;");
    run_until_polled();
    EXPECT_GE(count_of(radio.record(), "SM0;"), meter + 3) << "the S-meter is polled in turn";
    bool clean = false;  // savmem.dat as a shutdown leaves it: 115 CR LF lines
    auto lines = dir.crlf_lines("savmem.dat", &clean);
    EXPECT_TRUE(clean);
    ASSERT_EQ(lines.size(), 115u) << said();
    EXPECT_EQ(dir.read("memory.txt").rfind("Memory Bank Information\r\n", 0), 0u);
    EXPECT_EQ(lines[0], "VELORAN v3.5b 3.5c 40") << "band 4, noise reduction off";
    EXPECT_EQ(lines[4], "01A007100000B0071000009990") << "the 40 m row as the radio reported it";
    EXPECT_TRUE(eventually([&] { return radio.record().back() == "PS0;"; }))
        << join(radio.record());
    EXPECT_EQ(count_of(radio.record(), "PS0;"), 1u);
}

// Under a file-size limit below debug.dat's header the program still finds
// the radio, polls and ends normally, leaving no torn file.
TEST_F(Program, AFileSizeLimitStopsNothing) {
    dir.write_config(Config{.debug = 1});
    ASSERT_TRUE(veloran.start_veloran(dir.path, {}, no_devices, Limits{40, false}));
    run_until_polled();
    for (const auto& e : std::filesystem::directory_iterator(dir.path))
        EXPECT_NE(e.path().extension(), ".new") << "no torn file left";
    EXPECT_LE(dir.read("debug.dat").size(), 40u);
    EXPECT_EQ(dir.read("debug.dat").rfind("VELORAN 3.5c", 0), 0u);
    EXPECT_FALSE(dir.exists("savmem.dat"));
}

}  // namespace
