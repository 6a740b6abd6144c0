// The real program where its files cannot be written: under a file-size limit
// smaller than debug.dat's header, and in a folder it may only read. It must
// still find the radio, say "connected", go on polling and end normally on
// SIGTERM, leaving savmem.dat as it was.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "emulator/pty_radio.hpp"
#include "tests/platform/wave_maker.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto patience = std::chrono::seconds(30);
constexpr uid_t nobody = 65534;

std::string program_path() {
    if (const char* dir = std::getenv("VELORAN_BINARY_DIR")) return std::string(dir) + "/veloran";
    std::error_code ec;
    return (fs::canonical("/proc/self/exe", ec).parent_path().parent_path() / "veloran").string();
}

std::string config_text(int debug) {
    return "COM  1\r\nSpeed 38400\r\nswr 0\r\ntun 0\r\nPowOff 0\r\n10mof -100\r\n6mof -500\r\n"
           "2mof -600\r\n70mof +5000\r\nPthru 0\r\nDebug " +
           std::to_string(debug) + "\r\n";
}

// How the program is held back.
struct Limits {
    rlim_t file_size = RLIM_INFINITY;
    bool as_nobody = false;  // as root: run as the unprivileged user
};

// The real program with --transcript in `folder`; its transcript is read
// from a pipe.
class RealProgram {
public:
    ~RealProgram() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
    }

    bool start(const std::string& folder, const Limits& limits) {
        int fds[2];
        if (::pipe(fds) != 0) return false;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            int null = ::open("/dev/null", O_WRONLY);
            if (null >= 0) ::dup2(null, STDERR_FILENO);
            ::setenv("SDL_VIDEODRIVER", "dummy", 1);
            ::setenv("SDL_AUDIODRIVER", "dummy", 1);
            // What the program does with SIGXFSZ is its own affair: start it
            // with the default, which ends a process.
            std::signal(SIGXFSZ, SIG_DFL);
            rlimit limit{limits.file_size, limits.file_size};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(120);
            if (::chdir(folder.c_str()) != 0) ::_exit(121);
            if (limits.as_nobody && ::getuid() == 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0))
                ::_exit(122);
            const std::string path = program_path();
            ::execl(path.c_str(), "veloran", "--transcript", static_cast<char*>(nullptr));
            ::_exit(123);
        }
        ::close(fds[1]);
        out_ = fds[0];
        return pid_ > 0;
    }

    // Reads the transcript until `word` is a line of it; false on a timeout
    // or when the program has ended.
    bool wait_for_word(const std::string& word) {
        const auto deadline = Clock::now() + patience;
        while (Clock::now() < deadline) {
            if (std::find(lines_.begin(), lines_.end(), word) != lines_.end()) return true;
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            char buf[512];
            ssize_t n = ::read(out_, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            for (ssize_t i = 0; i < n; ++i) {
                if (buf[i] == '\n') {
                    lines_.push_back(partial_);
                    partial_.clear();
                } else {
                    partial_ += buf[i];
                }
            }
        }
        return false;
    }

    bool running() {
        if (pid_ <= 0) return false;
        int status = 0;
        pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == 0) return true;
        pid_ = -1;
        ended_status_ = status;
        return false;
    }

    // Sends SIGTERM (the window's close) and waits; the wait status.
    int stop() {
        if (running()) {
            ::kill(pid_, SIGTERM);
            const auto deadline = Clock::now() + patience;
            while (running() && Clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return ended_status_;
    }

    std::string transcript() const {
        std::string all;
        for (const auto& l : lines_) all += l + " ";
        return all + partial_;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int ended_status_ = -1;
    std::vector<std::string> lines_;
    std::string partial_;
};

// A working folder reachable by the unprivileged user: configuration with
// the log on, the 150 ms "delay" word (queries wait for it; every other word
// is missing and plays as nothing), and the emulated radio as COM1.
struct Bench {
    test::TempDir dir;
    emu::PtyRadio radio;
    Bench() {
        fs::permissions(dir.path, fs::perms::owner_all | fs::perms::group_read |
                                      fs::perms::group_exec | fs::perms::others_read |
                                      fs::perms::others_exec);
        dir.write("veloran.cfg", config_text(1));
        fs::create_directory(dir.path + "wave");
        test::write_wave(dir.path + "wave/delay.wav", std::vector<int16_t>(22050 * 15 / 100, 0));
        radio.link_com(dir.path, 1);
        // The pseudo-terminal is the test's; the program may be another user.
        ::chmod(radio.slave_path().c_str(), 0666);
    }
    std::size_t polls() const {
        auto r = radio.record();
        return static_cast<std::size_t>(std::count(r.begin(), r.end(), "FA;"));
    }
    bool has_leftovers() const {
        for (const auto& e : fs::directory_iterator(dir.path))
            if (e.path().extension() == ".new") return true;
        return false;
    }
};

struct ProgramRun {
    bool connected = false;
    bool lived_through_polls = false;
    int status = -1;  // wait status at the end
    std::string transcript;
};

std::string describe(const ProgramRun& r) {
    std::string s = "status " + std::to_string(r.status);
    if (WIFSIGNALED(r.status))
        s += " (killed by signal " + std::to_string(WTERMSIG(r.status)) + ")";
    return s + ", words: " + r.transcript;
}

// Starts the program, waits for "connected" and for ten more polls after
// it, then ends it as closing the window does.
ProgramRun run_until_polled(Bench& bench, const Limits& limits) {
    ProgramRun run;
    RealProgram program;
    if (!program.start(bench.dir.path, limits)) return run;
    run.connected = program.wait_for_word("connected");
    run.transcript = program.transcript();
    if (run.connected) {
        const std::size_t polls_then = bench.polls();
        const auto deadline = Clock::now() + patience;
        while (bench.polls() < polls_then + 10 && program.running() && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        run.lived_through_polls = program.running();
    }
    run.status = program.stop();
    return run;
}

TEST(RealProgramFiles, AFileSizeLimitBelowTheLogHeaderStopsNothing) {
    Bench bench;
    constexpr rlim_t limit = 40;  // within the first line of debug.dat
    const ProgramRun run = run_until_polled(bench, {limit, false});
    ASSERT_TRUE(run.connected) << describe(run);
    EXPECT_TRUE(run.lived_through_polls) << describe(run);
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << describe(run);
    EXPECT_LE(bench.dir.read("debug.dat").size(), limit);
    EXPECT_EQ(bench.dir.read("debug.dat").rfind("VELORAN 3.5c", 0), 0u);
    // Neither the start-up's nor the shutdown's savmem.dat could be written,
    // and neither left a torn file.
    EXPECT_FALSE(bench.dir.exists("savmem.dat"));
    EXPECT_FALSE(bench.has_leftovers());
}

TEST(RealProgramFiles, AReadOnlyFolderKeepsSavmemAndStopsNothing) {
    Bench bench;
    std::string saved = "VELORAN v3.5b 3.5c 60\r\n";
    for (int b = 1; b <= 14; ++b) saved += "02A014250000B0142500009990\r\n";
    for (int ch = 0; ch < 100; ++ch)
        saved += ch == 7 ? "0206A014070000B0140700009990\r\n" : "9\r\n";
    bench.dir.write("savmem.dat", saved);
    ::chmod(bench.dir.path.c_str(), 0555);
    const ProgramRun run = run_until_polled(bench, {RLIM_INFINITY, true});
    ::chmod(bench.dir.path.c_str(), 0755);
    ASSERT_TRUE(run.connected) << describe(run);
    EXPECT_TRUE(run.lived_through_polls) << describe(run);
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << describe(run);
    EXPECT_EQ(bench.dir.read("savmem.dat"), saved);
    EXPECT_FALSE(bench.dir.exists("debug.dat"));
    EXPECT_FALSE(bench.has_leftovers());
    // It started where the file said: 20 m at 14.25 MHz.
    EXPECT_EQ(bench.radio.with_model([](emu::RadioModel& m) { return m.frequency_a(); }) / 1000,
              14250);
}

}  // namespace
}  // namespace vlr
