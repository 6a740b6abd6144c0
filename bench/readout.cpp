// How long the operator listens to a frequency read-out: 14.25 MHz in USB
// ("1" "4" "point" "2" "5" "mhz" "usb.wav") spoken by the program's own
// routines with the rendered voice, through the real SDL player on SDL's disk
// audio driver. The driver writes exactly what the device played, so the
// read-out lasts from its first non-silent sample to its last.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "base/context.hpp"
#include "bench/bench_support.hpp"
#include "platform/sdl/sdl_speaker.hpp"
#include "speech/player.hpp"
#include "speech/values.hpp"
#include "tests/platform/wave_maker.hpp"

namespace {

using vlr::platform::SdlSpeaker;
namespace bench = vlr::bench;

const std::vector<std::string> expected_words = {"1", "4", "point", "2", "5", "mhz", "usb.wav"};

// Silence longer than this separates two read-outs in the output; the words
// of one read-out follow each other without any.
constexpr std::size_t separating_frames = SdlSpeaker::rate / 5;

struct Span {
    std::size_t first = 0, last = 0;  // first and last non-silent frame
};

std::vector<Span> sounding_spans(const std::vector<int16_t>& samples) {
    std::vector<Span> spans;
    std::size_t zeros = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] == 0) {
            ++zeros;
            continue;
        }
        if (spans.empty() || zeros > separating_frames) spans.push_back(Span{i, i});
        spans.back().last = i;
        zeros = 0;
    }
    return spans;
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    bench::WorkFolder folder;
    const std::string output = folder.path + "/device.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    // The program finds its words in "wave/" beside its working folder.
    if (chdir(folder.path.c_str()) != 0) return 1;

    double words_seconds = 0;
    for (const auto& word : expected_words) {
        const std::string file = bench::word_file("wave", word);
        if (file.empty()) {
            std::fprintf(stderr, "readout: no rendered word %s in %s (render the voice first)\n",
                         word.c_str(), bench::voice_folder().c_str());
            return 1;
        }
        words_seconds += bench::wave_seconds(file);
    }

    std::ostringstream transcript;
    {
        SdlSpeaker speaker;
        if (!speaker.has_device()) {
            std::fprintf(stderr, "readout: no disk audio device: %s\n", SDL_GetError());
            return 1;
        }
        vlr::Context c;
        c.speaker = &speaker;
        c.transcript = &transcript;
        c.st.wave_folder = vlr::default_wave_folder();
        c.st.freq_text = " 14.250000";  // as a frequency reply leaves it
        c.st.mode_code = 2;             // USB
        for (int i = 0; i < repeats; ++i) {
            vlr::say_frequency(c);
            vlr::say_mode(c);
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
        }
    }

    std::istringstream spoken(transcript.str());
    std::vector<std::string> heard;
    for (std::string w; std::getline(spoken, w);) heard.push_back(w);
    std::vector<std::string> expected;
    for (int i = 0; i < repeats; ++i)
        expected.insert(expected.end(), expected_words.begin(), expected_words.end());
    if (heard != expected) {
        std::fprintf(stderr, "readout: the routines spoke other words than expected\n");
        return 1;
    }

    const std::vector<Span> spans = sounding_spans(vlr::test::read_raw(output));
    std::remove(output.c_str());
    if (spans.size() != static_cast<std::size_t>(repeats)) {
        std::fprintf(stderr, "readout: found %zu read-outs in the device output, expected %d\n",
                     spans.size(), repeats);
        return 1;
    }
    std::vector<double> lengths;
    for (const Span& s : spans)
        lengths.push_back(1000.0 * static_cast<double>(s.last + 1 - s.first) / SdlSpeaker::rate);
    const bench::Figures f = bench::figures_of(lengths);
    std::printf("readout: words");
    for (const auto& w : expected_words) std::printf(" \"%s\"", w.c_str());
    std::printf(", voice %s\n", bench::voice_folder().c_str());
    std::printf("readout: the seven wave files hold %.3f s of sound together\n", words_seconds);
    std::printf(
        "readout: first to last sample %.3f s (longest %.3f s over %d read-outs); target "
        "under 2.0 s\n",
        f.median / 1000.0, f.max / 1000.0, repeats);
    std::printf("RESULT readout_s %.3f\n", f.max / 1000.0);
    return 0;
}
