// The word player closes its audio device when it has been quiet for a while
// and opens it again for the next word, which is then played whole.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <thread>

#include "platform/sdl/sdl_speaker.hpp"
#include "tests/platform/wave_maker.hpp"
#include "tests/support/fakes.hpp"
#include "tests/support/pty.hpp"

using vlr::platform::SdlSpeaker;
using vlr::test::level_tone;
using vlr::test::write_wave;

namespace {

using Runs = std::vector<std::pair<int16_t, size_t>>;

class SdlSpeakerRestTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (dir.path + "out.raw").c_str(), 1);
        speaker = std::make_unique<SdlSpeaker>();
        ASSERT_TRUE(speaker->device_open()) << SDL_GetError();
        write_wave(dir.path + "a.wav", level_tone(1000, 2205));
        write_wave(dir.path + "b.wav", level_tone(2000, 4410));
    }

    // Closes the device; what the last device opened played, silence left out.
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

TEST_F(SdlSpeakerRestTest, AQuietDeviceRestsAndTheNextWordOpensItAndPlaysWhole) {
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

TEST_F(SdlSpeakerRestTest, AWordStillPlayingKeepsTheDeviceOpen) {
    write_wave(dir.path + "help.wav", level_tone(3000, 22050));  // one second
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

}  // namespace
