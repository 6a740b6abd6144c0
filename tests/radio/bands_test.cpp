// The band rows, the band of a frequency, band stepping and band stacks.
#include "radio/bands.hpp"

#include <gtest/gtest.h>

#include "tests/radio/radio_checks.hpp"
#include "tests/support/fakes.hpp"

using vlr::test::in_order;
using vlr::test::join;
using vlr::test::Rig;

namespace {

struct Radio : Rig {
    Radio() {
        open_radio();
        st().radio_connected = 1;
    }
    // The state after the radio reported `reply` (code and nine digits).
    void reported(const std::string& reply) { st().last_freq_reply = reply; }
};

TEST(BandRows, InitialRowsAndTheirBandStacks) {
    struct Case {
        int band;
        const char* row;
        const char* stack;
    };
    const Case table[] = {
        {1, "01A001900000B0019000009990", "BS000"},  {2, "01A003600000B0036000009990", "BS001"},
        {3, "02A005400000B0054000009990", "BS002"},  {4, "01A007100000B0071000009990", "BS003"},
        {5, "03A010100000B0100000009990", "BS004"},  {6, "02A014200000B0142000009991", "BS005"},
        {7, "02A018100000B0181000009991", "BS006"},  {8, "02A021200000B0212000009991", "BS007"},
        {9, "02A024890000B0248900009991", "BS008"},  {10, "02A028500000B0285000009991", "BS009"},
        {11, "02A050150000B0501500009991", "BS010"}, {12, "05A145000000B1450000009990", "BS015"},
        {13, "05A432000000B4320000009990", "BS016"}, {14, "04A009670000B0096700009990", "BS011"},
    };
    vlr::State s;
    vlr::fill_band_rows(s);
    for (const Case& k : table) {
        EXPECT_EQ(s.band_table[static_cast<std::size_t>(k.band)], k.row) << k.band;
        EXPECT_EQ(vlr::band_stack_command(k.band), k.stack) << k.band;
    }
}

TEST(BandRows, BandsOutsideTheTableAreGeneralCoverage) {
    for (int band : {0, -1, 15, 99}) {
        EXPECT_EQ(vlr::safe_band(band), 14) << band;
        EXPECT_EQ(vlr::band_stack_command(band), "BS011") << band;
    }
    for (int band = 1; band <= 14; ++band) EXPECT_EQ(vlr::safe_band(band), band);
}

TEST(BandOfFrequency, WholeMegahertzRanges) {
    struct Case {
        int mhz, band;
    };
    const Case table[] = {{0, 14},   {1, 1},    {2, 14},   {3, 2},    {4, 14},   {5, 3},
                          {6, 14},   {7, 4},    {10, 5},   {14, 6},   {18, 7},   {21, 8},
                          {24, 9},   {27, 14},  {28, 10},  {29, 10},  {30, 14},  {49, 14},
                          {50, 11},  {54, 11},  {55, 14},  {143, 14}, {144, 12}, {148, 12},
                          {149, 14}, {419, 14}, {420, 13}, {449, 13}, {450, 14}};
    for (const Case& k : table) EXPECT_EQ(vlr::band_of_mhz(k.mhz), k.band) << k.mhz;
}

TEST(BandOfFrequency, FromTheLastReplyWithModeRules) {
    struct Case {
        const char* reply;
        int mode, band, valid;
    };
    const Case table[] = {
        {"FA003900000", 1, 2, 1},  {"FA004000000", 1, 14, 1}, {"FA000967000", 4, 14, 1},
        {"FA007100000", 5, 4, 0},  {"FA007100000", 4, 4, 1},  {"FA028500000", 5, 10, 1},
        {"FA050150000", 6, 11, 0}, {"FA145000000", 6, 12, 1},
    };
    for (const Case& k : table) {
        Radio rig;
        rig.reported(k.reply);
        rig.st().mode_code = k.mode;
        vlr::band_from_frequency(rig.c);
        EXPECT_EQ(rig.st().band_index, k.band) << k.reply;
        EXPECT_EQ(rig.st().band_row_valid, k.valid) << k.reply << " mode " << k.mode;
    }
}

// Every case compares the whole table: only the expected row may change.
TEST(StoreBandRow, RowOfTheReportedFrequency) {
    struct Case {
        const char* reply;
        int band, mode, preamp, vfo_b, repeater, initiated;
        const char* tone;  // nullptr: no tone; "", "0", "01": still being typed
        int row;
        const char* stored;  // nullptr: the table stays as it was
    };
    const Case table[] = {
        {"FA014250000", 6, 2, 1, 0, 0, 0, nullptr, 6, "02A014250000B0142000009991"},
        {"FB014260000", 6, 2, 1, 1, 0, 0, nullptr, 6, "12A014200000B0142600009991"},
        {"FA003900000", 6, 1, 0, 0, 0, 0, nullptr, 2, "01A003900000B0036000009990"},
        {"FA004000000", 2, 1, 0, 0, 0, 0, nullptr, 14, "01A004000000B0096700009990"},
        {"FA145650000", 12, 5, 0, 0, 1, 0, "012", 12, "55A145650000B-000006000120"},
        {"FA220000000", 6, 4, 0, 0, 1, 0, nullptr, 14, "54A220000000B0096700009990"},
        {"FA145500000", 12, 5, 0, 0, 0, 0, "", 12, "05A145500000B1450000009990"},
        {"FA145500000", 12, 5, 0, 0, 0, 0, "0", 12, "05A145500000B1450000009990"},
        {"FA145500000", 12, 5, 0, 0, 0, 0, "01", 12, "05A145500000B1450000009990"},
        {"FA007150000", 4, 5, 0, 0, 0, 0, nullptr, 4, nullptr},    // FM on 40 m
        {"FA050200000", 11, 6, 0, 0, 0, 0, nullptr, 11, nullptr},  // AM on 6 m
        {"FA007150000", 4, 1, 0, 0, 0, 1, nullptr, 4, nullptr},    // another program tuned
    };
    for (const Case& k : table) {
        Radio rig;
        vlr::State& s = rig.st();
        vlr::State expected;
        vlr::fill_band_rows(expected);
        if (k.stored) expected.band_table[static_cast<std::size_t>(k.row)] = k.stored;
        rig.reported(k.reply);
        s.band_index = k.band;
        s.mode_code = k.mode;
        s.preamp = k.preamp;
        s.vfo_b_selected = k.vfo_b;
        s.repeater_on = k.repeater;
        s.radio_initiated = k.initiated;
        s.shift2_sign = "-";
        s.shift2_digits = "0600";
        s.tone_active = k.tone ? 1 : 0;
        if (k.tone) s.tone_code = k.tone;
        vlr::store_band_row(rig.c);
        EXPECT_EQ(s.band_index, k.row) << k.reply;
        EXPECT_EQ(s.band_table, expected.band_table) << k.reply << " " << s.band_table[k.row];
    }
}

TEST(StoreBandRow, ReadingBelowOneMegahertzStoresNothing) {
    for (const char* reply : {"FA000500000", "FA0142", ""}) {
        Radio rig;
        vlr::State fresh;
        vlr::fill_band_rows(fresh);
        rig.reported(reply);
        vlr::store_band_row(rig.c);
        EXPECT_EQ(rig.st().last_freq_reply, "FA001000000") << reply;
        EXPECT_EQ(rig.st().band_table, fresh.band_table) << reply;
    }
}

TEST(StoreBandRow, ShortRowFromAFileIsRebuiltWhole) {
    Radio rig;
    rig.st().band_table[4] = "";
    rig.st().mode_code = 1;
    rig.reported("FA007100000");
    vlr::store_band_row(rig.c);
    EXPECT_EQ(rig.st().band_table[4], "01A007100000B0071000009990");
}

TEST(SelectBandStack, SpeaksTheBandUnlessAfterAnAntennaSwitch) {
    Radio rig;
    rig.st().band_index = 3;
    vlr::select_band_stack(rig.c);
    EXPECT_EQ(join(rig.sent()), "BS002;");
    EXPECT_FALSE(rig.words().empty());
    rig.clear();
    rig.st().band_index = 14;
    rig.st().ant_check = 1;
    vlr::select_band_stack(rig.c);
    EXPECT_EQ(join(rig.sent()), "BS011;");
    EXPECT_TRUE(rig.words().empty());
    EXPECT_EQ(rig.st().ant_check, 0);
}

TEST(BandStep, UpFromThirteenSaysGeneralCoverageAndLandsOnOne) {
    Radio rig;
    rig.st().band_index = 13;
    rig.reported("FA432000000");
    rig.st().mode_code = 5;
    rig.st().tone_active = 1;
    rig.st().tone_code = "012";
    vlr::band_step_up(rig.c);
    EXPECT_EQ(rig.st().band_index, 1);
    ASSERT_GE(rig.words().size(), 2u);
    EXPECT_EQ(rig.words()[0], "band");
    EXPECT_EQ(rig.words()[1], "un");
    EXPECT_EQ(rig.st().tone_code, "999");
    // Silent stack, then the spoken one, then the row's VFO A frequency; the
    // tone was forgotten, so no "CT00" goes out.
    EXPECT_TRUE(in_order(rig.sent(), {"BS000;", "BS000;", "FA001900000;"})) << join(rig.sent());
    EXPECT_EQ(vlr::test::count_of(rig.sent(), "CT00;"), 0);
}

TEST(BandStep, UpCyclesThroughThirteenBandsAndDownWrapsToSeventyCentimetres) {
    struct Case {
        int from;
        bool up;
        int to;
        bool general_coverage_word;
    };
    for (const Case& k : std::vector<Case>{{1, true, 2, false},
                                           {12, true, 13, false},
                                           {13, true, 1, true},
                                           {14, true, 1, false},
                                           {1, false, 13, false},
                                           {14, false, 13, false},
                                           {13, false, 12, false},
                                           {6, false, 5, false}}) {
        Radio rig;
        rig.st().band_index = k.from;
        rig.reported("FA001000000");
        (k.up ? vlr::band_step_up : vlr::band_step_down)(rig.c);
        EXPECT_EQ(rig.st().band_index, k.to) << k.from << (k.up ? " up" : " down");
        EXPECT_EQ(rig.sent().at(0), vlr::band_stack_command(k.to) + ";") << k.from;
        EXPECT_EQ(rig.words().size() >= 2 && rig.words()[0] == "band" && rig.words()[1] == "un",
                  k.general_coverage_word)
            << k.from;
    }
}

TEST(BandStep, DownKeepsTheToneUntilTheBandDropsIt) {
    Radio rig;
    rig.st().band_index = 12;
    rig.st().mode_code = 5;
    rig.st().tone_active = 1;
    rig.st().tone_code = "012";
    rig.reported("FA145000000");
    vlr::band_step_down(rig.c);
    EXPECT_EQ(rig.st().band_index, 11);
    EXPECT_TRUE(in_order(rig.sent(), {"BS010;", "CT00;", "BS010;", "FA050150000;"}))
        << join(rig.sent());
}

TEST(BandStep, CurrentBandIsStoredFirstAndTheStepCountsFromIt) {
    Radio rig;
    rig.st().band_index = 6;
    rig.st().mode_code = 2;
    rig.reported("FA007150000");  // the radio was tuned to 40 m meanwhile
    vlr::band_step_up(rig.c);
    EXPECT_EQ(rig.st().band_table[4], "02A007150000B0071000009990");
    EXPECT_EQ(rig.st().band_index, 7);
}

}  // namespace
