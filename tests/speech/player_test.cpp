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

TEST_F(PlayerTest, PathIsFolderAndNameJoinedAsPassed) {
    EXPECT_EQ(default_wave_folder(), "wave/");
    say(rig.c, "point");
    say(rig.c, "3.wav");
    say(rig.c, "Power");
    EXPECT_EQ(rig.speaker.paths, (std::vector<std::string>{"wave/point", "wave/3.wav", "wave/Power"}));
    EXPECT_EQ(rig.speaker.waited, (std::vector<bool>{true, true, true}));
}

TEST_F(PlayerTest, PauseIsTheDelayWordPlayedToItsEnd) {
    pause_word(rig.c);
    EXPECT_EQ(rig.speaker.paths, (std::vector<std::string>{"wave/delay"}));
    EXPECT_EQ(rig.speaker.waited, (std::vector<bool>{true}));
}

TEST_F(PlayerTest, AsyncDoesNotWait) {
    say_async(rig.c, "help.wav");
    say(rig.c, "ok");
    EXPECT_EQ(rig.speaker.paths, (std::vector<std::string>{"wave/help.wav", "wave/ok"}));
    EXPECT_EQ(rig.speaker.waited, (std::vector<bool>{false, true}));
    EXPECT_EQ(transcript.str(), "help.wav\nok\n");
}

TEST_F(PlayerTest, TranscriptHasOneWordPerLineAsPassed) {
    for (const char* w : {"1", "4", "point", "2", "mhz", "EF"}) say(rig.c, w);
    EXPECT_EQ(transcript.str(), "1\n4\npoint\n2\nmhz\nEF\n");
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

TEST_F(PlayerTest, BlankWordPlaysAndPrintsNothing) {
    say(rig.c, " ");
    say(rig.c, "");
    EXPECT_TRUE(rig.speaker.paths.empty());
    EXPECT_EQ(transcript.str(), "");
}

TEST_F(PlayerTest, NoSpeakerOrTranscriptIsQuiet) {
    rig.c.speaker = nullptr;
    rig.c.transcript = nullptr;
    say(rig.c, "ok");
    say_async(rig.c, "help.wav");
    pause_word(rig.c);
    EXPECT_TRUE(rig.speaker.paths.empty());
}

}  // namespace
}  // namespace vlr
