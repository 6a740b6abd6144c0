// The word player: paths, muting, the transcript and the asynchronous help.
#include <gtest/gtest.h>

#include <sstream>

#include "speech/player.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

struct PlayerTest : ::testing::Test {
    test::Rig rig;
    std::ostringstream transcript;
    void SetUp() override {
        rig.st().wave_folder = default_wave_folder();
        rig.c.transcript = &transcript;
    }
};

TEST_F(PlayerTest, PathsWaitsAndTranscriptFollowTheWordsAsPassed) {
    EXPECT_EQ(default_wave_folder(), "wave/");
    say(rig.c, "point");
    say(rig.c, "3.wav");
    say_async(rig.c, "help.wav");
    say(rig.c, "Power");
    pause_word(rig.c);  // the pause is the delay word, played to its end
    EXPECT_EQ(rig.speaker.paths, (std::vector<std::string>{"wave/point", "wave/3.wav", "wave/help.wav",
                                                           "wave/Power", "wave/delay"}));
    EXPECT_EQ(rig.speaker.waited, (std::vector<bool>{true, true, false, true, true}));
    EXPECT_EQ(transcript.str(), "point\n3.wav\nhelp.wav\nPower\ndelay\n");
}

TEST_F(PlayerTest, MutedFolderPlaysNoWaveWordAndWritesNoTranscript) {
    rig.st().wave_folder = "xx";
    say(rig.c, "s.wav");
    say(rig.c, "9.wav");
    pause_word(rig.c);
    EXPECT_TRUE(rig.words().empty());
    EXPECT_TRUE(rig.speaker.paths.empty()) << "a muted word never reaches the speaker";
    EXPECT_EQ(transcript.str(), "");
    // Back on the normal folder the words are heard and written again.
    rig.st().wave_folder = default_wave_folder();
    say(rig.c, "ok");
    EXPECT_EQ(rig.words(), (std::vector<std::string>{"ok"}));
    EXPECT_EQ(transcript.str(), "ok\n");
}

TEST_F(PlayerTest, BlankWordsAndMissingPartsAreQuiet) {
    say(rig.c, " ");
    say(rig.c, "");
    EXPECT_TRUE(rig.speaker.paths.empty());
    EXPECT_EQ(transcript.str(), "");

    rig.c.speaker = nullptr;
    rig.c.transcript = nullptr;
    say(rig.c, "ok");
    say_async(rig.c, "help.wav");
    pause_word(rig.c);
    EXPECT_TRUE(rig.speaker.paths.empty());
}

}  // namespace
}  // namespace vlr
