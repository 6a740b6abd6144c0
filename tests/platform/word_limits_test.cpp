// Word files that no renderer made: the player neither hangs on them nor
// runs out of memory, and once the program is asked to end a long word is
// not waited for. What reaches SDL's disk audio driver is counted.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "platform/sdl/sdl_speaker.hpp"
#include "platform/stop_request.hpp"
#include "tests/platform/wave_maker.hpp"
#include "tests/support/fakes.hpp"

namespace {

using vlr::test::write_wave;

TEST(WordLimits, AWaitedWordPlaysAtMostTenSecondsAndAStopCutsLongOnes) {
    // claimed_bytes: the data chunk's length in the header (0: the true one).
    const struct { const char* what; int rate; std::size_t samples; std::uint32_t claimed_bytes; int stop; std::size_t heard; } rows[] = {
        {"1 Hz, 500,000 samples", 1, 500000, 0, 0, 10 * 22050},
        {"a header claiming 4 GB", 22050, 2205, 0xFFFFFFF0u, 0, 2205},
        {"asked to end: a long word", 22050, 5 * 22050, 0, SIGTERM, 0},
        {"asked to end: the reply pause", 22050, 3307, 0, SIGTERM, 3307},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        vlr::test::TempDir dir;
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", (dir.path + "out.raw").c_str(), 1);
        write_wave(dir.path + "w.wav", std::vector<int16_t>(row.samples, 1000), row.rate);
        if (row.claimed_bytes) {
            std::fstream patch(dir.path + "w.wav", std::ios::in | std::ios::out | std::ios::binary);
            patch.seekp(40);
            for (int i = 0; i < 4; ++i) patch.put(static_cast<char>(row.claimed_bytes >> (8 * i)));
        }
        vlr::platform::stop_request = row.stop;
        auto speaker = std::make_unique<vlr::platform::SdlSpeaker>();
        // Room for 1 GB more than is mapped now, so that an allocation of
        // what the header claims fails instead of quietly reserving 4 GB
        // (not under the sanitizers, which map terabytes up front).
        rlimit before{};
        ::getrlimit(RLIMIT_AS, &before);
        rlim_t mapped = 0;
        std::ifstream("/proc/self/statm") >> mapped;
        mapped *= static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
        const rlimit tight{std::min<rlim_t>(before.rlim_max, mapped + (rlim_t{1} << 30)),
                           before.rlim_max};
        if (row.claimed_bytes && mapped < (rlim_t{4} << 30)) ::setrlimit(RLIMIT_AS, &tight);
        speaker->play(dir.path + "w.wav", true);
        ::setrlimit(RLIMIT_AS, &before);
        speaker.reset();
        vlr::platform::stop_request = 0;
        std::size_t heard = 0;
        for (int16_t sample : vlr::test::read_raw(dir.path + "out.raw")) heard += sample != 0;
        EXPECT_NEAR(static_cast<double>(heard), static_cast<double>(row.heard), 50);
    }
}

}  // namespace
