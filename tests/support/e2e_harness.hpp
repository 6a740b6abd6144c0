// The end-to-end harness: the whole program the way an operator runs it, in
// a temporary folder with the words linked, the radio emulated on a
// pseudo-terminal as its COM port, its words read back from --transcript.
// Every wait is bounded by `patience`, generous on purpose: a loaded machine
// makes these tests slow, never wrong.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/fakes.hpp"

namespace vlr::e2e {

inline constexpr std::chrono::seconds patience{60};
using Env = std::map<std::string, std::string>;
inline const Env no_devices = {{"SDL_AUDIODRIVER", "dummy"}, {"SDL_VIDEODRIVER", "dummy"}};

// Polls `done` until it holds or `limit` has passed; the last result.
bool eventually(const std::function<bool()>& done, std::chrono::milliseconds limit = patience);

std::string binary_dir();  // VELORAN_BINARY_DIR, else found from this test program's place
std::string source_dir();
std::string built_program(const std::string& name);
// The rendered words (<build>/wave, rendered there first if need be); "" with
// the reason in `why` when they cannot be had.
std::string wave_folder(std::string* why = nullptr);
bool installed(const std::string& tool);  // on PATH

struct Config {
    int com = 1, speed = 38400, auto_swr = 0, tuner = 0, power_off = 0, passthru = 0, debug = 0;
    std::string line3;  // replaces line 3 when not empty
    std::string text() const;
};

struct WorkFolder : test::TempDir {
    WorkFolder();
    bool has_words = false;
    std::string why;  // when it has no words
    void write_config(const Config& config) const { write("veloran.cfg", config.text()); }
    // The file split at CR LF; `clean` is false when a line ends otherwise.
    std::vector<std::string> crlf_lines(const std::string& name, bool* clean = nullptr) const;
};

std::string join(const std::vector<std::string>& v, std::size_t from = 0);

// Lines arriving from another thread or process (a transcript).
class Lines {
public:
    void append(const char* bytes, std::size_t count);
    std::vector<std::string> all() const { return std::lock_guard(mutex_), lines_; }
    std::string raw() const { return std::lock_guard(mutex_), raw_; }
    std::size_t size() const { return std::lock_guard(mutex_), lines_.size(); }
    // Waits until `words` follow each other from line `from` on; the index after the last.
    std::optional<std::size_t> wait_for_run(const std::vector<std::string>& words,
                                            std::size_t from = 0,
                                            std::chrono::milliseconds limit = patience) const;
    std::optional<std::size_t> wait_for(const std::string& word, std::size_t from = 0,
                                        std::chrono::milliseconds limit = patience) const;
    std::string joined(std::size_t from = 0) const { return join(all(), from); }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable grown_;
    std::vector<std::string> lines_;
    std::string partial_, raw_;
};

// A transcript written by the program's thread and read by the test's.
struct LinesBuffer : std::streambuf {
    explicit LinesBuffer(Lines& lines) : lines_(lines) {}
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        return lines_.append(s, static_cast<std::size_t>(n)), n;
    }
    int overflow(int ch) override {
        const char c = static_cast<char>(ch);
        return xsputn(&c, ch != traits_type::eof()), traits_type::not_eof(ch);
    }
    Lines& lines_;
};

// "" when `needles` occur in `haystack` in that order from `from` on, else the first missing.
std::string missing_in_order(const std::vector<std::string>& haystack,
                             const std::vector<std::string>& needles, std::size_t from = 0);
std::size_t count_of(const std::vector<std::string>& v, const std::string& item);

struct Limits {
    rlim_t file_size = RLIM_INFINITY;
    bool as_nobody = false;  // when root: run as the unprivileged user
};

// A child process, its stdout read into `out` by a thread; killed if still
// running when the object goes. `env` changes this process's environment for
// it ("" removes a variable); stderr goes to `stderr_file` or /dev/null.
class Process {
public:
    ~Process();
    bool start(const std::vector<std::string>& argv, const std::string& folder,
               const Env& env = {}, const std::string& stderr_file = "",
               const Limits& limits = {});
    // veloran --transcript `options` in `folder`, its stderr in veloran.err there.
    bool start_veloran(const std::string& folder, const std::vector<std::string>& options = {},
                       const Env& env = no_devices, const Limits& limits = {});
    pid_t pid() const { return pid_; }
    bool running();
    void signal(int number) {
        if (pid_ > 0) ::kill(pid_, number);
    }
    // The exit code (128 + signal when killed); -1 if still running after `limit`.
    int wait_exit(std::chrono::milliseconds limit = patience);
    Lines out;

private:
    pid_t pid_ = -1;
    int exit_code_ = -1;
    std::thread reader_;
};

// Runs a tool to its end: its exit code (-1 when it could not start or did
// not end in time), its stdout in `output`.
int run_tool(const std::vector<std::string>& argv, const Env& env, std::string* output = nullptr);

// veloran-emulator with --link <folder>COM<com> and --record <folder>radio.rec.
class EmulatorProgram {
public:
    bool start(const std::string& folder, int com, const std::vector<std::string>& extra = {});
    std::vector<std::string> record() const;
    Process process;
    std::string record_file;
};

// An X server of its own (Xvfb on a free display).
class XServer {
public:
    ~XServer();
    bool start(std::string* why);
    const std::string& display() const { return display_; }
    void stop() { server_.signal(SIGTERM); }  // the display goes away under its clients

private:
    Process server_;
    std::string display_;
};

}  // namespace vlr::e2e
