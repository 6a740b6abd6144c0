// Finding word files by the names the program plays.
#include "platform/sdl/wave_files.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/fakes.hpp"

using vlr::platform::WaveFinder;

namespace {

class WaveFinderTest : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.path + "wave");
        for (const char* name : {"power.wav", "ef.wav", "3.wav", "point.wav", "Mixed.WAV"})
            dir.write(std::string("wave/") + name, "RIFF");
    }
    std::string wave(const std::string& name) { return dir.path + "wave/" + name; }

    vlr::test::TempDir dir;
    WaveFinder finder;
};

TEST_F(WaveFinderTest, NamesWithoutExtensionGetWav) {
    EXPECT_EQ(finder.find(wave("point")), wave("point.wav"));
    EXPECT_EQ(finder.find(wave("3")), wave("3.wav"));
    EXPECT_EQ(finder.find(wave("3.wav")), wave("3.wav"));
}

TEST_F(WaveFinderTest, NamesMatchRegardlessOfCase) {
    EXPECT_EQ(finder.find(wave("Power")), wave("power.wav"));
    EXPECT_EQ(finder.find(wave("EF")), wave("ef.wav"));
    EXPECT_EQ(finder.find(wave("mixed")), wave("Mixed.WAV"));
    EXPECT_EQ(finder.find(wave("POINT.Wav")), wave("point.wav"));
}

TEST_F(WaveFinderTest, MissingFilesAndFoldersFindNothing) {
    EXPECT_EQ(finder.find(wave("nothing")), "");
    EXPECT_EQ(finder.find(dir.path + "xx/point"), "");
    EXPECT_EQ(finder.find(dir.path + "wavepoint"), "");  // the muted prefix
    EXPECT_EQ(finder.find(dir.path + "wave/"), "");
    EXPECT_EQ(finder.find(""), "");
    // A folder is not a word, even when its name fits.
    std::filesystem::create_directory(dir.path + "wave/delay.wav");
    EXPECT_EQ(finder.find(wave("delay")), "");
}

TEST_F(WaveFinderTest, FileAddedAfterALookupIsFound) {
    EXPECT_EQ(finder.find(wave("Quit")), "");
    dir.write("wave/quit.wav", "RIFF");
    EXPECT_EQ(finder.find(wave("Quit")), wave("quit.wav"));
}

TEST_F(WaveFinderTest, BackslashSeparatorsWork) {
    EXPECT_EQ(finder.find(dir.path + "wave\\Power"), wave("power.wav"));
}

}  // namespace
