// The real program at rest: started against the veloran-emulator program,
// it polls the radio every 50 ms (frequency and S-meter, the panel redrawn
// from the replies) while nobody presses a key. Its processor time over the
// measured stretch (utime+stime of /proc/<pid>/stat, all threads) as a share
// of one core, and its resident memory. Each thread's share and wake-ups are
// listed too, to show where the time goes.
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "bench/bench_support.hpp"

namespace bench = vlr::bench;

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const double settle = argc > 2 ? std::atof(argv[2]) : 6.0;
    bench::ProgramRun run(38400);
    std::string why;
    if (!run.start(&why)) {
        std::fprintf(stderr, "program idle: %s\n", why.c_str());
        return 1;
    }
    if (!run.program.wait_for("connected", std::chrono::seconds(60))) {
        std::fprintf(stderr, "program idle: the program never said \"connected\"\n");
        return 1;
    }
    // Measured at rest: the first replies are in, and the word player has
    // closed its audio device, which it does 5 s after the last word.
    std::this_thread::sleep_for(std::chrono::duration<double>(settle));
    const pid_t pid = run.program.pid();
    const auto threads_before = bench::thread_times(pid);
    const double cpu_before = bench::process_cpu_seconds(pid);
    const auto start = bench::Clock::now();
    double rss_max = 0;
    const auto end = start + std::chrono::duration_cast<bench::Clock::duration>(
                                 std::chrono::duration<double>(seconds));
    while (bench::Clock::now() < end) {
        rss_max = std::max(rss_max, bench::status_mb(pid, "VmRSS"));
        std::this_thread::sleep_until(
            std::min<bench::Clock::time_point>(end, bench::Clock::now() + std::chrono::seconds(1)));
    }
    const double cpu_after = bench::process_cpu_seconds(pid);
    const auto threads_after = bench::thread_times(pid);
    const double wall = bench::ms_between(start, bench::Clock::now()) / 1000;
    const double rss = bench::status_mb(pid, "VmRSS");
    rss_max = std::max(rss_max, rss);
    const double peak = bench::status_mb(pid, "VmHWM");
    if (cpu_before < 0 || cpu_after < 0) {
        std::fprintf(stderr, "program idle: the program ended during the measurement\n");
        return 1;
    }

    const char* video = std::getenv("SDL_VIDEODRIVER");
    const auto env = bench::program_environment();
    const std::string video_driver = video ? video : env.at("SDL_VIDEODRIVER");
    std::printf("program idle: %.1f s after \"connected\" (+%.1f s settling), video %s\n", wall,
                settle, video_driver.c_str());
    double scheduled = 0;
    for (const auto& [tid, after] : threads_after) {
        auto before = threads_before.find(tid);
        const double cpu =
            after.cpu_seconds - (before != threads_before.end() ? before->second.cpu_seconds : 0);
        const long wakes =
            after.wakeups - (before != threads_before.end() ? before->second.wakeups : 0);
        scheduled += cpu;
        std::printf("  thread %-16s %6.3f %% of one core, %7.1f wake-ups per second\n",
                    after.name.c_str(), 100 * cpu / wall, wakes / wall);
    }
    const double share = 100 * (cpu_after - cpu_before) / wall;
    std::printf(
        "program idle: processor %.3f %% of one core (utime+stime; %.3f %% by the "
        "threads' run time); target under 0.5 %%\n",
        share, 100 * scheduled / wall);
    std::printf(
        "program idle: resident memory %.1f MB (highest seen %.1f MB, peak VmHWM %.1f MB); "
        "target under 40 MB\n",
        rss, rss_max, peak);
    std::printf("RESULT idle_cpu_pct %.3f\nRESULT idle_rss_mb %.1f\n", share, rss_max);
    return 0;
}
