// What the benchmarks share: figures over many samples, the length of a
// rendered word, a working folder for the real program, and child processes
// whose output lines are time-stamped as they arrive.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vlr::bench {

using Clock = std::chrono::steady_clock;

double ms_between(Clock::time_point from, Clock::time_point to);

// Median, 99th percentile and extremes of a set of samples (in ms).
struct Figures {
    std::size_t count = 0;
    double median = 0, p99 = 0, min = 0, max = 0, mean = 0;
};
Figures figures_of(std::vector<double> samples);
std::string describe(const Figures& f);

// The folder of rendered words: $VELORAN_WAVE, else the build folder's wave/.
std::string voice_folder();

// The file a word name plays from `folder`, as the player finds it (".wav"
// added to a bare name, the name matched without regard to case); "" when
// there is none.
std::string word_file(const std::string& folder, const std::string& word);
// Seconds of sound in a PCM wave file (0 when it cannot be read).
double wave_seconds(const std::string& path);

// A temporary working folder for the program: veloran.cfg for COM 1 at
// `baud`, "wave" linked to the rendered words. Removed on destruction.
struct WorkFolder {
    explicit WorkFolder(int baud = 38400, bool debug_log = false);
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    std::string path;  // ends without "/"
};

// The build's programs ("veloran", "veloran-emulator").
std::string built_program(const std::string& name);

// The environment the real program is benchmarked in: the X display when one
// is there (x11 video), else SDL's dummy video; dummy audio unless the caller
// has chosen a driver.
std::map<std::string, std::string> program_environment();

// A child process; its standard output is read line by line by a thread and
// each line stamped with the time it arrived.
class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child();

    bool start(const std::vector<std::string>& argv, const std::string& folder,
               const std::map<std::string, std::string>& env = {});
    pid_t pid() const { return pid_; }
    // When start() forked.
    Clock::time_point started() const { return started_; }

    struct Line {
        std::string text;
        Clock::time_point at;
    };
    std::vector<Line> lines() const;
    // Waits for a line equal to `text` (or starting with it when `prefix`),
    // the first at index `from` or later.
    std::optional<Line> wait_for(const std::string& text, std::chrono::milliseconds limit,
                                 bool prefix = false, std::size_t from = 0) const;
    // SIGTERM, then SIGKILL after `grace`; waits for the end.
    void stop(std::chrono::milliseconds grace = std::chrono::seconds(5));

private:
    void read_lines(int fd);
    pid_t pid_ = -1;
    Clock::time_point started_{};
    std::thread reader_;
    mutable std::mutex mutex_;
    mutable std::condition_variable grown_;
    std::vector<Line> lines_;
};

// The real program with --transcript in a working folder of its own, against
// the veloran-emulator program linked there as COM1.
struct ProgramRun {
    explicit ProgramRun(int baud = 38400) : folder(baud), baud(baud) {}
    // Starts the emulator, waits until it serves, then starts the program.
    bool start(std::string* why);
    WorkFolder folder;
    int baud;
    Child emulator;
    Child program;
};

// Processor time of a process (all its threads) in seconds, from the
// utime+stime of /proc/<pid>/stat; -1 when it is gone.
double process_cpu_seconds(pid_t pid);
// On-CPU time of every thread (/proc/<pid>/task/*/schedstat, ns resolution)
// by thread, and the voluntary context switches (wake-ups) of each.
struct ThreadTimes {
    std::string name;
    double cpu_seconds = 0;
    long wakeups = 0;
};
std::map<pid_t, ThreadTimes> thread_times(pid_t pid);
// A "Vm..." line of /proc/<pid>/status in MB (VmRSS, VmHWM); -1 when absent.
double status_mb(pid_t pid, const std::string& field);

// "nproc 2, <CPU model>, Debian <version>".
std::string machine_description();

}  // namespace vlr::bench
