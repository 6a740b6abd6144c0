// The word player on SDL's disk audio driver: what reaches the "device" is
// read back from the file the driver writes. It closes its device when quiet
// for a while and opens it again for the next word, which is played whole.
#include "platform/sdl/sdl_speaker.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "tests/platform/wave_maker.hpp"
#include "tests/support/fakes.hpp"
#include "tests/support/pty.hpp"

using vlr::platform::SdlSpeaker;
using vlr::test::level_tone;
using vlr::test::write_wave;

namespace {

using Runs = std::vector<std::pair<int16_t, size_t>>;

class SdlSpeakerTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (dir.path + "out.raw").c_str(), 1);
        speaker = std::make_unique<SdlSpeaker>();
        ASSERT_TRUE(speaker->has_device()) << SDL_GetError();
    }

    void word(const std::string& name, int16_t level, size_t frames) {
        write_wave(dir.path + name, level_tone(level, frames));
    }

    // Closes the device and returns what it played, silence left out.
    Runs sounded() {
        speaker.reset();
        Runs out;
        for (const auto& run : vlr::test::runs(vlr::test::read_raw(dir.path + "out.raw")))
            if (run.first != 0) out.push_back(run);
        return out;
    }

    vlr::test::TempDir dir;
    std::unique_ptr<SdlSpeaker> speaker;
};

TEST_F(SdlSpeakerTest, WaitedWordsPlayWholeAndInOrder) {
    word("a.wav", 1000, 2205);
    word("b.wav", 2000, 4410);
    word("c.wav", 3000, 1000);
    speaker->play(dir.path + "a.wav", true);
    speaker->play(dir.path + "b.wav", true);
    speaker->play(dir.path + "c.wav", true);
    EXPECT_EQ(sounded(), (Runs{{1000, 2205}, {2000, 4410}, {3000, 1000}}));
}

TEST_F(SdlSpeakerTest, WaitedWordReturnsWhenItHasPlayed) {
    word("long.wav", 1000, 11025);  // half a second
    const auto start = std::chrono::steady_clock::now();
    speaker->play(dir.path + "long.wav", true);
    const auto took = std::chrono::steady_clock::now() - start;
    // It may return up to two device buffers early, so that the next word
    // follows without a gap; never sooner.
    EXPECT_GE(took, std::chrono::milliseconds(400));
}

TEST_F(SdlSpeakerTest, AsyncSoundIsCutOffByTheNextWord) {
    word("help.wav", 3000, 3 * 22050);
    word("ok.wav", 4000, 2205);
    speaker->play(dir.path + "help.wav", false);
    speaker->play(dir.path + "ok.wav", true);
    Runs got = sounded();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), (std::pair<int16_t, size_t>{4000, 2205}));
    if (got.size() == 2) {
        EXPECT_EQ(got.front().first, 3000);
        EXPECT_LT(got.front().second, 3u * 22050);
    } else {
        EXPECT_EQ(got.size(), 1u);  // cut off before a single buffer of it played
    }
}

TEST_F(SdlSpeakerTest, AsyncSoundAfterAWaitedWordLetsThatWordFinish) {
    word("a.wav", 1000, 3000);
    word("help.wav", 3000, 3 * 22050);
    word("b.wav", 2000, 3000);
    speaker->play(dir.path + "a.wav", true);
    speaker->play(dir.path + "help.wav", false);
    speaker->play(dir.path + "b.wav", true);
    Runs got = sounded();
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got.front(), (std::pair<int16_t, size_t>{1000, 3000}));
    EXPECT_EQ(got.back(), (std::pair<int16_t, size_t>{2000, 3000}));
}

TEST_F(SdlSpeakerTest, NamesAreFoundWithoutExtensionAndRegardlessOfCase) {
    word("power.wav", 5000, 1000);
    word("ef.wav", 6000, 1000);
    word("3.wav", 7000, 1000);
    speaker->play(dir.path + "Power", true);
    speaker->play(dir.path + "EF", true);
    speaker->play(dir.path + "3.wav", true);
    speaker->play(dir.path + "3", true);
    EXPECT_EQ(sounded(), (Runs{{5000, 1000}, {6000, 1000}, {7000, 2000}}));
}

TEST_F(SdlSpeakerTest, MissingWordsAndFoldersAreSilent) {
    word("a.wav", 1000, 1000);
    speaker->play(dir.path + "missing", true);
    speaker->play(dir.path + "no-folder/a.wav", true);
    speaker->play("xxpoint", true);  // the muted prefix
    speaker->play(dir.path + "a", true);
    EXPECT_EQ(sounded(), (Runs{{1000, 1000}}));
}

TEST_F(SdlSpeakerTest, StereoAndOtherRatesAreConvertedToTheDeviceFormat) {
    // One second at 44.1 kHz stereo: a second at the device's rate, mono.
    std::vector<int16_t> stereo(2 * 44100, 1000);
    write_wave(dir.path + "stereo.wav", stereo, 44100, 2);
    speaker->play(dir.path + "stereo.wav", true);
    size_t near_level = 0;
    for (const auto& [level, count] : sounded())
        if (level > 950 && level < 1050) near_level += count;
    EXPECT_NEAR(static_cast<double>(near_level), 22050.0, 300.0);
}

TEST_F(SdlSpeakerTest, AQuietDeviceRestsAndTheNextWordOpensItAndPlaysWhole) {
    word("a.wav", 1000, 2205);
    word("b.wav", 2000, 4410);
    ASSERT_TRUE(speaker->device_open());
    speaker->set_rest_after(std::chrono::milliseconds(100));
    speaker->play(dir.path + "a.wav", true);
    ASSERT_TRUE(vlr::test::eventually([&] { return !speaker->device_open(); }));
    // Resting is not the same as having no device: words are still heard.
    EXPECT_TRUE(speaker->has_device());
    speaker->play(dir.path + "b.wav", true);
    EXPECT_TRUE(speaker->device_open());
    // The disk driver starts its file afresh with each opening.
    EXPECT_EQ(sounded(), (Runs{{2000, 4410}}));
}

TEST_F(SdlSpeakerTest, AWordStillPlayingKeepsTheDeviceOpen) {
    word("help.wav", 3000, 22050);  // one second
    word("a.wav", 1000, 2205);
    speaker->set_rest_after(std::chrono::milliseconds(1));
    speaker->play(dir.path + "help.wav", false);
    // While the help text plays on its own the device does not rest, however
    // short the rest time; a waited word then cuts the help text off.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(speaker->device_open());
    speaker->play(dir.path + "a.wav", true);
    const Runs heard = sounded();
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].first, 3000);
    EXPECT_EQ(heard[1], (std::pair<int16_t, size_t>{1000, 2205}));
}

TEST(SdlSpeakerWithoutDevice, WaitedWordsStillTakeTheirTime) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    vlr::test::TempDir dir;
    write_wave(dir.path + "delay.wav", level_tone(1000, 6615));  // 0.3 s
    SdlSpeaker speaker;
    EXPECT_FALSE(speaker.has_device());
    const auto start = std::chrono::steady_clock::now();
    speaker.play(dir.path + "delay", true);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
}

}  // namespace
