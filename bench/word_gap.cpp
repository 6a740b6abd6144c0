// How much silence the player leaves between two words played one after the
// other: the disk audio driver writes exactly what the device was given, and
// the zero samples between the end of one tone and the start of the next are
// the gap a listener would hear.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/sdl/sdl_speaker.hpp"
#include "tests/platform/wave_maker.hpp"

namespace {

using vlr::platform::SdlSpeaker;

// A tone riding on an offset so that no sample of it is zero; only the
// player's own silence is.
std::vector<int16_t> tone(double hertz, double seconds, int16_t offset) {
    std::vector<int16_t> samples(static_cast<size_t>(seconds * SdlSpeaker::rate));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] =
            static_cast<int16_t>(offset + 6000 * std::sin(2 * M_PI * hertz * i / SdlSpeaker::rate));
    return samples;
}

}  // namespace

int main(int argc, char** argv) {
    const int pairs = argc > 1 ? std::atoi(argv[1]) : 30;
    // Time the caller spends between the two words (work between two `say`s).
    const int work_ms = argc > 2 ? std::atoi(argv[2]) : 0;
    char folder_template[] = "/tmp/veloran-word-gap-XXXXXX";
    const std::string folder = std::string(mkdtemp(folder_template)) + "/";
    const std::string output = folder + "device.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    // First tone all above zero, second all below: the boundary is exact.
    vlr::test::write_wave(folder + "first.wav", tone(440, 0.25, 10000));
    vlr::test::write_wave(folder + "second.wav", tone(660, 0.25, -10000));

    {
        SdlSpeaker speaker;
        if (!speaker.has_device()) {
            std::fprintf(stderr, "no disk audio device: %s\n", SDL_GetError());
            return 1;
        }
        for (int i = 0; i < pairs; ++i) {
            speaker.play(folder + "first", true);
            if (work_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(work_ms));
            speaker.play(folder + "second", true);
            std::this_thread::sleep_for(std::chrono::milliseconds(60));  // silence between pairs
        }
    }

    // Walk the output: each stretch of zeros after a positive sample and
    // before a negative one is a gap between first and second.
    const std::vector<int16_t> samples = vlr::test::read_raw(output);
    int found = 0;
    size_t longest = 0, total = 0;
    int last_sign = 0;
    size_t zeros = 0;
    for (int16_t s : samples) {
        if (s == 0) {
            ++zeros;
            continue;
        }
        const int sign = s > 0 ? 1 : -1;
        if (last_sign == 1 && sign == -1) {
            ++found;
            total += zeros;
            longest = std::max(longest, zeros);
        }
        last_sign = sign;
        zeros = 0;
    }
    std::remove(output.c_str());
    std::remove((folder + "first.wav").c_str());
    std::remove((folder + "second.wav").c_str());
    rmdir(folder.c_str());

    auto ms = [](double frames) { return frames * 1000.0 / SdlSpeaker::rate; };
    std::printf(
        "word gap: %d of %d word pairs found in the device output, %d ms between the calls\n",
        found, pairs, work_ms);
    if (found == 0) return 1;
    std::printf(
        "word gap: mean %.3f ms, longest %.3f ms (%zu samples at %d Hz); target under 2 ms\n",
        ms(static_cast<double>(total) / found), ms(static_cast<double>(longest)), longest,
        SdlSpeaker::rate);
    std::printf("RESULT word_gap_mean_ms %.3f\nRESULT word_gap_longest_ms %.3f\n",
                ms(static_cast<double>(total) / found), ms(static_cast<double>(longest)));
    return 0;
}
