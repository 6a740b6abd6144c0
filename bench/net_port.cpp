// The network control port of the real program on the veloran-emulator
// program, as a Hamlib NET rigctl client (WSJT-X, fldigi) sees it over TCP:
//   - the round trip of "f" (a read answered from the program's state);
//   - the round trip of WSJT-X's poll "v s f m t", one command after the
//     answer to the one before, as Hamlib sends them;
//   - the time from a client's "F <hz>" leaving the client to the command
//     arriving at the radio (the emulator's record file, watched every 0.2 ms).
//
// Each under SDL's dummy video driver and, when there is a display, under X11.
//
//   bench_net_port [samples]      (default 500; the F figure takes samples/5)
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "bench/bench_support.hpp"

namespace bench = vlr::bench;
using namespace std::chrono_literals;

namespace {

constexpr int port = 45329;

int connect_client() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? fd : -1;
}

// Sends one line and reads its whole answer (`lines` lines).
bool ask(int fd, const std::string& line, int lines = 1) {
    const std::string out = line + "\n";
    if (::send(fd, out.data(), out.size(), 0) != static_cast<ssize_t>(out.size())) return false;
    char ch;
    while (lines > 0) {
        if (::recv(fd, &ch, 1, 0) != 1) return false;
        if (ch == '\n') --lines;
    }
    return true;
}

// Reads until the answer ends with `end`.
bool read_through(int fd, const std::string& end) {
    std::string got;
    char ch;
    while (!got.ends_with(end))
        if (::recv(fd, &ch, 1, 0) != 1) return false;
        else got += ch;
    return true;
}

std::size_t file_size(const std::string& path) {
    std::ifstream in(path, std::ios::ate | std::ios::binary);
    return in ? static_cast<std::size_t>(in.tellg()) : 0;
}

struct Run {
    std::vector<double> read_times, poll_times, wire_times;
};

// One run of the program under SDL's `video` driver; false when it failed.
bool measure(const std::string& video, int samples, Run& run) {
    bench::WorkFolder folder;
    std::ofstream(folder.path + "/veloran.cfg", std::ios::app) << "Net " << port << "\r\n";
    const std::string record = folder.path + "/record.txt";
    bench::Child emulator, program;
    auto env = bench::program_environment();
    env["SDL_VIDEODRIVER"] = video;
    if (!emulator.start({bench::built_program("veloran-emulator"), "--link", folder.path + "/COM1",
                         "--record", record, "--quiet"},
                        folder.path) ||
        !emulator.wait_for("pty:", 10s, true) ||
        !program.start({bench::built_program("veloran"), "--transcript"}, folder.path, env) ||
        !program.wait_for("connected", 60s)) {
        std::fprintf(stderr, "net port (%s): the program or the emulator did not start\n", video.c_str());
        return false;
    }
    const int fd = connect_client();
    if (fd < 0 || ::send(fd, "\\dump_state\n", 12, 0) != 12 || !read_through(fd, "done\n")) {
        std::fprintf(stderr, "net port: cannot connect to port %d\n", port);
        return false;
    }
    for (int i = 0; i < samples; ++i) {
        const auto t0 = bench::Clock::now();
        if (!ask(fd, "f")) return false;
        run.read_times.push_back(bench::ms_between(t0, bench::Clock::now()));
    }
    for (int i = 0; i < samples; ++i) {
        const auto t0 = bench::Clock::now();
        if (!ask(fd, "v") || !ask(fd, "s", 2) || !ask(fd, "f") || !ask(fd, "m", 2) || !ask(fd, "t"))
            return false;
        run.poll_times.push_back(bench::ms_between(t0, bench::Clock::now()));
    }
    for (int i = 0; i < samples / 5; ++i) {
        const std::size_t before = file_size(record);
        const auto t0 = bench::Clock::now();
        if (!ask(fd, "F " + std::to_string(14'074'000 + 10 * (i % 50)))) return false;
        // The record also grows by the program's own polls: wait for the line
        // of this very command.
        const std::string wanted = "FA0" + std::to_string(14'074'000 + 10 * (i % 50)) + ";";
        for (;;) {
            std::ifstream in(record);
            in.seekg(static_cast<std::streamoff>(before));
            std::string line;
            bool seen = false;
            while (std::getline(in, line)) seen = seen || line.find(wanted) != std::string::npos;
            if (seen) break;
            if (bench::ms_between(t0, bench::Clock::now()) > 5000) return false;
            std::this_thread::sleep_for(200us);
        }
        run.wire_times.push_back(bench::ms_between(t0, bench::Clock::now()));
        std::this_thread::sleep_for(20ms);  // never two sets in one tick
    }
    ::close(fd);
    program.stop();
    emulator.stop();
    return true;
}

}  // namespace

// The figures under the dummy driver (tests, headless use) and, with a
// display, under X11 beside them; the RESULT lines are the X11 run's when
// there is one.
int main(int argc, char** argv) {
    const int samples = argc > 1 ? std::atoi(argv[1]) : 500;
    const char* display = std::getenv("DISPLAY");
    std::vector<std::string> drivers = {"dummy"};
    if (display && *display) drivers.push_back("x11");
    std::vector<Run> runs(drivers.size());
    for (std::size_t i = 0; i < drivers.size(); ++i)
        if (!measure(drivers[i], samples, runs[i])) return 1;
    std::printf("net port on %s, %d samples; median / p99 ms by video driver\n",
                bench::machine_description().c_str(), samples);
    const char* whats[] = {"round trip f", "round trip v s f m t", "client F to the radio's wire"};
    const char* keys[] = {"net_f", "net_poll", "net_set_to_wire"};
    for (int m = 0; m < 3; ++m) {
        std::printf("%-30s", whats[m]);
        bench::Figures f{};
        for (std::size_t i = 0; i < drivers.size(); ++i) {
            const Run& r = runs[i];
            f = bench::figures_of(m == 0 ? r.read_times : m == 1 ? r.poll_times : r.wire_times);
            std::printf("  %s %.3f / %.3f", drivers[i].c_str(), f.median, f.p99);
        }
        std::printf("\n");
        std::printf("RESULT %s_median_ms %.3f\nRESULT %s_p99_ms %.3f\n", keys[m], f.median, keys[m], f.p99);
    }
    return 0;
}
