// The space bar (transmit) and T (tune), through the real handler.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/keys.hpp"

namespace vlr::test {
namespace {

struct Transmit : ::testing::Test {
    Rig rig;
    void SetUp() override { connect(rig); }
    long count(const std::string& word) {
        return std::count(rig.words().begin(), rig.words().end(), word);
    }
};

TEST_F(Transmit, SpaceBarParksAutoSwrWhileTransmitting) {
    for (int auto_swr : {0, 1}) {
        Rig r;
        connect(r);
        r.st().auto_swr = auto_swr;
        r.st().tuner_engaged = 1;
        press(r, {vk::space});
        EXPECT_EQ(r.st().transmit_state, 10 + auto_swr);
        EXPECT_EQ(r.st().auto_swr, 0);
        EXPECT_EQ(r.st().tx_settle_count, 2);
        EXPECT_EQ(r.st().tuner_engaged, 0);
        press(r, {vk::space});
        EXPECT_EQ(r.st().transmit_state, 0);
        EXPECT_EQ(r.st().auto_swr, auto_swr);
        EXPECT_EQ(join(r.sent()), "TX1; TX0;");
        EXPECT_EQ(join(r.words()), "tx on tx off");
    }
}

TEST_F(Transmit, SpaceBarOnlyInSsbAndCw) {
    for (int mode : {4, 5, 6, 7}) {
        Rig r;
        connect(r);
        r.st().mode_code = mode;
        press(r, {vk::space});
        EXPECT_EQ(join(r.words()), "na");
        EXPECT_TRUE(r.sent().empty());
        EXPECT_EQ(r.st().transmit_state, 0);
    }
}

TEST_F(Transmit, SpaceBarAlwaysUnkeysEvenAfterAModeChange) {
    press(rig, {vk::space});
    rig.st().mode_code = 4;  // the mode changed while transmitting
    rig.clear();
    press(rig, {vk::space});
    EXPECT_EQ(join(rig.sent()), "TX0;");
    EXPECT_EQ(rig.st().transmit_state, 0);
}

TEST_F(Transmit, SKeyReadsTheSwrWhileTransmitting) {
    rig.st().swr_peak_text = "010";
    press(rig, {vk::space});
    rig.clear();
    press(rig, {'S'});
    EXPECT_TRUE(rig.sent().empty());
    EXPECT_FALSE(rig.words().empty());
    EXPECT_EQ(rig.st().transmit_state, 10);
}

TEST_F(Transmit, AutomaticTunerTunesAndStopsInOnePress) {
    rig.st().tuner_mode = 0;
    press(rig, {'T'});
    EXPECT_EQ(join(rig.sent()), "AC100; AC103;");
    EXPECT_EQ(join(rig.words()), "tune on beep beep beep beep beep beep ok tune off");
    EXPECT_EQ(rig.st().tune_active, 0);
    EXPECT_EQ(rig.st().tick_count, 0);
    rig.clear();
    press(rig, {'T'});  // the tuner is already engaged
    EXPECT_EQ(join(rig.sent()), "AC103;");
}

TEST_F(Transmit, AboveSixMetresTheCarrierIsForTuningByHand) {
    rig.radio->respond = [](const std::string& cmd) { return cmd == "PC;" ? "PC1007;" : ""; };
    tune_to(rig, 12, 5, 145'000'000);
    rig.st().tuner_mode = 0;
    press(rig, {'T'});
    EXPECT_EQ(join(rig.sent()), "PC; PC1005; MD0B; FA145000000;");
    EXPECT_EQ(join(rig.words()), "tune on atu na delay delay ptthold swrwiths");
    EXPECT_EQ(rig.st().power_level, 7);
    EXPECT_EQ(rig.st().transmit_state, 1);
    EXPECT_EQ(rig.st().tune_active, 1);
    EXPECT_EQ(rig.st().tuner_mode, 3);
    EXPECT_EQ(rig.st().vfo_frequency, 145'000'000);

    rig.clear();
    press(rig, {'F', 'S'});  // only S and T while tuning
    EXPECT_EQ(rig.words().front(), "ton");

    rig.clear();
    press(rig, {'T'});
    EXPECT_EQ(rig.sent().front(), "TX0;");
    EXPECT_EQ(rig.sent()[1], "PC1007;");  // the power the radio had
    // Five pauses before the power and the mode (FM: its squelch query) come back.
    ASSERT_GE(rig.words().size(), 7u);
    EXPECT_EQ(join({rig.words().begin(), rig.words().begin() + 7}),
              "tune off delay delay delay delay delay");
    EXPECT_FALSE(sent_with(rig, "MD0B").empty());
    EXPECT_EQ(rig.st().tuner_mode, 0);
    EXPECT_EQ(rig.st().tune_active, 0);
    EXPECT_EQ(rig.st().transmit_state, 0);
}

TEST_F(Transmit, TunerOffWithAutoSwrSkipsTheSwrHint) {
    rig.st().tuner_mode = 1;
    rig.st().auto_swr = 1;
    rig.st().radio_variant = 1;
    press(rig, {'T'});
    EXPECT_EQ(join(rig.words()), "tune on atu na delay delay ptthold");
    EXPECT_EQ(join(rig.sent()), "PC; PC2010; MD05; FA014200000;");
}

TEST_F(Transmit, BothTunerAndCarrier) {
    rig.st().tuner_mode = 2;
    press(rig, {'T'});
    EXPECT_EQ(rig.sent()[0], "AC100;");
    EXPECT_EQ(rig.sent()[1], "AC103;");
    EXPECT_EQ(rig.st().transmit_state, 1);
    EXPECT_EQ(count("beep"), 6);
    EXPECT_EQ(rig.st().tune_active, 1);
    EXPECT_EQ(rig.st().tuner_mode, 2);
}

}  // namespace
}  // namespace vlr::test
