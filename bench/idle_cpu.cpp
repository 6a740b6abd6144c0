// Processor time the event loop takes while the program waits for keys with
// its 50 ms timer running: the window's wait must sleep, not poll.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/sdl/sdl_window.hpp"

namespace {

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    vlr::platform::SdlWindow window;
    if (!window.open("Veloran idle benchmark", 250, 100, 950, 500)) {
        std::fprintf(stderr, "no window: %s\n", SDL_GetError());
        return 1;
    }
    window.surface()->draw_text(280, 10, "Waiting for keys");
    window.start_timer(1, 50);

    using clock = std::chrono::steady_clock;
    const double cpu_start = cpu_seconds();
    const auto start = clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    long ticks = 0, other = 0;
    while (clock::now() < end)
        window.wait_events(
            [&](int id, int) { id == vlr::platform::event_timer ? ++ticks : ++other; });
    const double wall = std::chrono::duration<double>(clock::now() - start).count();
    const double cpu = cpu_seconds() - cpu_start;
    const char* driver = SDL_GetCurrentVideoDriver();
    std::printf(
        "idle cpu: video driver %s, %.1f s, %ld ticks (%.1f per second), %ld other events\n",
        driver ? driver : "?", wall, ticks, ticks / wall, other);
    window.close();

    std::printf("idle cpu: %.3f s processor time = %.3f %% of one core; target under 0.5 %%\n", cpu,
                100.0 * cpu / wall);
    std::printf("RESULT loop_idle_cpu_pct %.3f\n", 100.0 * cpu / wall);
    return 0;
}
