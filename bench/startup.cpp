// Start-up to "connected": the real program started against the
// veloran-emulator program at 38400 baud, with the rendered voice on SDL's
// dummy audio driver (which plays in real time). Everything the program says
// up to "connected" (the greeting, the band, a pause word per query) takes
// the length of its wave files; the rest is the program's own overhead:
// starting, opening the window and the audio device, the CAT exchanges
// between the words.
#include <cstdio>
#include <cstdlib>

#include "bench/bench_support.hpp"

namespace bench = vlr::bench;

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<double> overheads, totals;
    for (int run = 1; run <= runs; ++run) {
        bench::ProgramRun program(38400);
        std::string why;
        if (!program.start(&why)) {
            std::fprintf(stderr, "startup: %s\n", why.c_str());
            return 1;
        }
        const auto connected = program.program.wait_for("connected", std::chrono::seconds(60));
        if (!connected) {
            std::fprintf(stderr, "startup: the program never said \"connected\"\n");
            return 1;
        }
        const auto start = program.program.started();
        const auto lines = program.program.lines();
        const std::string waves = program.folder.path + "/wave";
        double words = 0, between = 0;
        int pauses = 0, count = 0;
        std::string missing;
        for (std::size_t i = 0; i < lines.size() && lines[i].text != "connected"; ++i) {
            const std::string file = bench::word_file(waves, lines[i].text);
            if (file.empty()) missing += " " + lines[i].text;
            const double seconds = file.empty() ? 0 : bench::wave_seconds(file);
            words += seconds;
            ++count;
            if (lines[i].text == "delay") ++pauses;
            // Time between this word's start and the next one's beyond its length.
            between += bench::ms_between(lines[i].at, lines[i + 1].at) - 1000 * seconds;
        }
        const double total = bench::ms_between(start, connected->at);
        const double first = lines.empty() ? 0 : bench::ms_between(start, lines.front().at);
        const double overhead = total - 1000 * words;
        std::printf(
            "startup run %d: \"connected\" after %.1f ms; %d words before it (%d pauses) hold %.1f "
            "ms; overhead %.1f ms (%.1f ms before the first word, %.1f ms between words)%s%s\n",
            run, total, count, pauses, 1000 * words, overhead, first, between,
            missing.empty() ? "" : "; no file for:", missing.c_str());
        overheads.push_back(overhead);
        totals.push_back(total);
    }
    const auto f = bench::figures_of(overheads);
    std::printf(
        "startup: overhead median %.1f ms, max %.1f ms over %d runs (start to \"connected\" "
        "median %.1f ms); target under 300 ms\n",
        f.median, f.max, runs, bench::figures_of(totals).median);
    std::printf("RESULT startup_overhead_ms %.1f\nRESULT startup_overhead_max_ms %.1f\n", f.median,
                f.max);
    return 0;
}
