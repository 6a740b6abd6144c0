// Running the whole program the way an operator does: a working folder with
// its configuration and words, the real program (or the real start-up in this
// process) against an emulated radio on a pseudo-terminal, the spoken words
// read back from the transcript. Everything waits by polling with generous
// limits, so a loaded machine makes the tests slow, never wrong.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
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

// How long anything the program does may take before a test gives up on it.
inline constexpr std::chrono::seconds patience{30};

// Polls `done` until it is true or `limit` has passed; the last result.
bool eventually(const std::function<bool()>& done, std::chrono::milliseconds limit = patience);

// The build folder (VELORAN_BINARY_DIR, or found from the test program's own
// place) and the source folder.
std::string binary_dir();
std::string source_dir();
// A program of the build: "veloran" or "veloran-emulator".
std::string built_program(const std::string& name);

// The rendered words: the build folder's wave/, rendered there first when it
// does not hold them yet. "" when they cannot be rendered (the reason in
// `why`).
std::string wave_folder(std::string* why = nullptr);

// True when `tool` is found on PATH.
bool installed(const std::string& tool);

// The eleven lines of veloran.cfg; every field at the position the reader
// takes it from.
struct Config {
    int com = 1;
    int speed = 38400;
    int auto_swr = 0;
    int tuner = 0;
    int power_off = 0;
    int passthru = 0;
    int debug = 0;
    std::string line3;  // replaces line 3 when not empty
    std::string text() const;
};

// A temporary working folder holding the link "wave" to the rendered words.
struct WorkFolder : test::TempDir {
    WorkFolder();
    bool has_words = false;
    void write_config(const Config& config) const { write("veloran.cfg", config.text()); }
    // The file split at CR LF; `clean` is false when a line ends otherwise.
    std::vector<std::string> crlf_lines(const std::string& name, bool* clean = nullptr) const;
};

// Lines of text arriving from another thread or process: the transcript.
class Lines {
public:
    void append(const char* bytes, std::size_t count);
    std::vector<std::string> all() const;
    // Every byte as it came, line ends included.
    std::string raw() const;
    std::size_t size() const;
    // Waits until `word` is a line at index `from` or later; its index.
    std::optional<std::size_t> wait_for(const std::string& word, std::size_t from = 0,
                                        std::chrono::milliseconds limit = patience) const;
    // Waits until the lines from `from` on hold `words` one after the other;
    // the index after the last of them.
    std::optional<std::size_t> wait_for_run(const std::vector<std::string>& words,
                                            std::size_t from = 0,
                                            std::chrono::milliseconds limit = patience) const;
    std::string joined(std::size_t from = 0) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable grown_;
    std::vector<std::string> lines_;
    std::string partial_;
    std::string raw_;
};

// An ostream buffer that feeds Lines, for a transcript written by the
// program's thread and read by the test's.
class LinesBuffer : public std::streambuf {
public:
    explicit LinesBuffer(Lines& lines) : lines_(lines) {}

protected:
    int overflow(int ch) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;

private:
    Lines& lines_;
};

// Where `needles` occur in `haystack` in that order (not necessarily next to
// each other), starting at `from`. Returns "" when they all do, else the
// first one missing.
std::string missing_in_order(const std::vector<std::string>& haystack,
                             const std::vector<std::string>& needles, std::size_t from = 0);
std::size_t count_of(const std::vector<std::string>& v, const std::string& item);
std::string join(const std::vector<std::string>& v, std::size_t from = 0);

// A child process with its standard output read into `out` by a thread.
// Killed, if still running, when the object goes.
class Process {
public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    // Starts `argv` in `folder` with the environment of this process changed
    // by `env` (a value of "" removes the variable). Standard error goes to
    // `stderr_file` (or /dev/null when empty).
    bool start(const std::vector<std::string>& argv, const std::string& folder,
               const std::map<std::string, std::string>& env = {},
               const std::string& stderr_file = "");
    pid_t pid() const { return pid_; }
    bool running();
    void signal(int number);
    // Waits for the end; the exit code, 128 + signal when killed, -1 when
    // it is still running after `limit`.
    int wait_exit(std::chrono::milliseconds limit = patience);

    Lines out;

private:
    void reap(int status);
    pid_t pid_ = -1;
    int exit_code_ = -1;
    std::thread reader_;
};

// Runs a tool to its end; its exit code (-1 when it could not be started or
// did not end in time) with its standard output, byte for byte, in `output`.
int run_tool(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
             std::string* output = nullptr);

// The veloran-emulator program with --link <folder>/COM<com> and --record.
class EmulatorProgram {
public:
    // Starts it and waits until it names its pseudo-terminal.
    bool start(const std::string& folder, int com, const std::vector<std::string>& extra = {});
    // Every command received so far, one a line.
    std::vector<std::string> record() const;
    void stop();
    Process process;
    std::string record_file;
};

// An X server of its own (Xvfb on a free display).
class XServer {
public:
    ~XServer();
    bool start(std::string* why = nullptr);
    const std::string& display() const { return display_; }

private:
    Process server_;
    std::string display_;
};

// A PPM (P6) image: width, height and RGB bytes.
struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    bool load_ppm(const std::string& bytes);
    // Pixels in the rectangle whose brightness is below 128 (text is black
    // on white).
    int dark_pixels(int x, int y, int w, int h) const;
    int pixels_not_white(int x, int y, int w, int h) const;
};

}  // namespace vlr::e2e
