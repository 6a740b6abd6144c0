#include "tests/support/e2e_harness.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace vlr::e2e {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool eventually(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto give_up = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > give_up) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string binary_dir() {
    if (const char* dir = std::getenv("VELORAN_BINARY_DIR"); dir && *dir) return dir;
    // Run by hand: the test programs live in <build>/tests.
    std::error_code ec;
    fs::path self = fs::canonical("/proc/self/exe", ec);
    return ec ? std::string(".") : self.parent_path().parent_path().string();
}

std::string source_dir() {
    if (const char* dir = std::getenv("VELORAN_SOURCE_DIR"); dir && *dir) return dir;
    fs::path here = __FILE__;  // <source>/tests/support/e2e_harness.cpp
    return here.parent_path().parent_path().parent_path().string();
}

std::string built_program(const std::string& name) { return binary_dir() + "/" + name; }

bool installed(const std::string& tool) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && ::access((dir + "/" + tool).c_str(), X_OK) == 0) return true;
    return false;
}

namespace {

// The words every end-to-end test hears or waits on; a folder without them
// is not a rendered voice.
bool holds_words(const std::string& folder) {
    for (const char* word : {"vlr.wav", "delay.wav", "connected.wav", "cfgnf.wav", "rnvlr.wav"})
        if (!fs::exists(folder + "/" + word)) return false;
    return true;
}

std::string render_words(std::string& why) {
    const std::string folder = binary_dir() + "/wave";
    if (holds_words(folder)) return folder;
    // Test programs may start side by side: one renders, the others wait.
    const std::string lock_path = binary_dir() + "/wave.lock";
    int lock = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock >= 0) ::flock(lock, LOCK_EX);
    std::string result;
    if (holds_words(folder)) {
        result = folder;
    } else {
        std::string output;
        int code = run_tool({source_dir() + "/scripts/render-voice.sh", folder}, {}, &output);
        if (code == 0 && holds_words(folder))
            result = folder;
        else
            why = "rendering the words failed (exit " + std::to_string(code) + "): " + output;
    }
    if (lock >= 0) ::flock(lock, LOCK_UN), ::close(lock);
    return result;
}

std::vector<std::string> environment_with(const std::map<std::string, std::string>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        if (!changes.count(name)) env.push_back(entry);
    }
    for (const auto& [name, value] : changes)
        if (!value.empty()) env.push_back(name + "=" + value);
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (auto& t : texts) out.push_back(t.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace

std::string wave_folder(std::string* why) {
    static std::string reason;
    static const std::string folder = render_words(reason);
    if (why) *why = reason;
    return folder;
}

std::string Config::text() const {
    // Line 1 is six characters long, so its last two are the COM number.
    std::string t = (com >= 10 ? "COM " : "COM  ") + std::to_string(com) + "\r\n";
    t += "Speed " + std::to_string(speed) + "\r\n";
    t += (line3.empty() ? "swr " + std::to_string(auto_swr) : line3) + "\r\n";
    t += "tun " + std::to_string(tuner) + "\r\n";
    t += "PowOff " + std::to_string(power_off) + "\r\n";
    t += "10mof -100\r\n6mof -500\r\n2mof -600\r\n70mof +5000\r\n";
    t += (passthru >= 10 ? "Pthru  " + std::to_string(passthru)
                         : "Pthru " + std::to_string(passthru)) +
         "\r\n";
    t += "Debug " + std::to_string(debug) + "\r\n";
    return t;
}

WorkFolder::WorkFolder() {
    const std::string words = wave_folder();
    has_words = !words.empty();
    if (has_words) ::symlink(words.c_str(), (path + "wave").c_str());
}

std::vector<std::string> WorkFolder::crlf_lines(const std::string& name, bool* clean) const {
    const std::string text = read(name);
    std::vector<std::string> lines;
    bool all_crlf = true;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));  // an unfinished last line
            all_crlf = false;
            break;
        }
        std::string line = text.substr(start, end - start);
        if (line.find_first_of("\r\n") != std::string::npos) all_crlf = false;
        lines.push_back(line);
        start = end + 2;
    }
    if (clean) *clean = all_crlf;
    return lines;
}

// ---- Lines ------------------------------------------------------------------

void Lines::append(const char* bytes, std::size_t count) {
    {
        std::lock_guard lock(mutex_);
        raw_.append(bytes, count);
        for (std::size_t i = 0; i < count; ++i) {
            if (bytes[i] == '\n') {
                lines_.push_back(partial_);
                partial_.clear();
            } else if (bytes[i] != '\r') {
                partial_ += bytes[i];
            }
        }
    }
    grown_.notify_all();
}

std::vector<std::string> Lines::all() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::string Lines::raw() const {
    std::lock_guard lock(mutex_);
    return raw_;
}

std::size_t Lines::size() const {
    std::lock_guard lock(mutex_);
    return lines_.size();
}

std::optional<std::size_t> Lines::wait_for(const std::string& word, std::size_t from,
                                           std::chrono::milliseconds limit) const {
    auto after = wait_for_run({word}, from, limit);
    if (!after) return std::nullopt;
    return *after - 1;
}

std::optional<std::size_t> Lines::wait_for_run(const std::vector<std::string>& words,
                                               std::size_t from,
                                               std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    std::optional<std::size_t> found;
    auto look = [&] {
        for (std::size_t i = from; i + words.size() <= lines_.size(); ++i) {
            bool all = true;
            for (std::size_t k = 0; k < words.size() && all; ++k) all = lines_[i + k] == words[k];
            if (all) return found = i + words.size(), true;
        }
        return false;
    };
    grown_.wait_for(lock, limit, look);
    return found;
}

std::string Lines::joined(std::size_t from) const { return join(all(), from); }

int LinesBuffer::overflow(int ch) {
    if (ch == traits_type::eof()) return traits_type::not_eof(ch);
    const char c = static_cast<char>(ch);
    lines_.append(&c, 1);
    return ch;
}

std::streamsize LinesBuffer::xsputn(const char* s, std::streamsize n) {
    lines_.append(s, static_cast<std::size_t>(n));
    return n;
}

std::string missing_in_order(const std::vector<std::string>& haystack,
                             const std::vector<std::string>& needles, std::size_t from) {
    std::size_t at = from;
    for (const auto& needle : needles) {
        while (at < haystack.size() && haystack[at] != needle) ++at;
        if (at >= haystack.size()) return needle;
        ++at;
    }
    return "";
}

std::size_t count_of(const std::vector<std::string>& v, const std::string& item) {
    std::size_t n = 0;
    for (const auto& x : v) n += x == item;
    return n;
}

std::string join(const std::vector<std::string>& v, std::size_t from) {
    std::string out;
    for (std::size_t i = from; i < v.size(); ++i) out += (out.empty() ? "" : " ") + v[i];
    return out;
}

// ---- Process ------------------------------------------------------------------

Process::~Process() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    if (reader_.joinable()) reader_.join();
}

bool Process::start(const std::vector<std::string>& argv, const std::string& folder,
                    const std::map<std::string, std::string>& env, const std::string& stderr_file) {
    int out_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2,
                                     stderr_file.empty() ? "/dev/null" : stderr_file.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<std::string> args = argv, envs = environment_with(env);
    std::vector<char*> arg_ptrs = pointers(args), env_ptrs = pointers(envs);
    pid_t child = -1;
    int failed = ::posix_spawnp(&child, args[0].c_str(), &actions, nullptr, arg_ptrs.data(),
                                env_ptrs.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out_pipe[1]);
    if (failed != 0) {
        ::close(out_pipe[0]);
        return false;
    }
    pid_ = child;
    const int from = out_pipe[0];
    reader_ = std::thread([this, from] {
        char buffer[4096];
        for (;;) {
            ssize_t n = ::read(from, buffer, sizeof buffer);
            if (n > 0) {
                out.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            break;
        }
        ::close(from);
    });
    return true;
}

void Process::reap(int status) {
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    pid_ = -1;
    if (reader_.joinable()) reader_.join();
}

bool Process::running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
    reap(status);
    return false;
}

void Process::signal(int number) {
    if (pid_ > 0) ::kill(pid_, number);
}

int Process::wait_exit(std::chrono::milliseconds limit) {
    if (pid_ <= 0) return exit_code_;
    if (!eventually([this] { return !running(); }, limit)) return -1;
    return exit_code_;
}

int run_tool(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
             std::string* output) {
    Process tool;
    if (!tool.start(argv, "", env)) return -1;
    int code = tool.wait_exit(std::chrono::seconds(120));
    if (output) *output = tool.out.raw();
    return code;
}

// ---- EmulatorProgram ------------------------------------------------------------

bool EmulatorProgram::start(const std::string& folder, int com,
                            const std::vector<std::string>& extra) {
    record_file = folder + "radio.rec";
    std::vector<std::string> argv = {built_program("veloran-emulator"),
                                     "--link",
                                     folder + "COM" + std::to_string(com),
                                     "--record",
                                     record_file,
                                     "--quiet"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    if (!process.start(argv, folder, {}, folder + "emulator.err")) return false;
    return eventually([this] {
        auto lines = process.out.all();
        return !lines.empty() && lines[0].rfind("pty: /dev/", 0) == 0;
    });
}

std::vector<std::string> EmulatorProgram::record() const {
    std::ifstream in(record_file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void EmulatorProgram::stop() {
    process.signal(SIGTERM);
    process.wait_exit();
}

// ---- XServer ------------------------------------------------------------------

XServer::~XServer() {
    server_.signal(SIGTERM);
    server_.wait_exit(std::chrono::seconds(10));
}

bool XServer::start(std::string* why) {
    if (!installed("Xvfb")) {
        if (why) *why = "Xvfb is not installed";
        return false;
    }
    // -displayfd picks a free display and writes its number on our pipe.
    if (!server_.start(
            {"Xvfb", "-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"}, "")) {
        if (why) *why = "Xvfb could not be started";
        return false;
    }
    eventually([this] { return server_.out.size() > 0 || !server_.running(); });
    auto lines = server_.out.all();
    if (lines.empty() || lines[0].empty()) {
        if (why) *why = "Xvfb named no display";
        return false;
    }
    display_ = ":" + lines[0];
    return true;
}

// ---- Image ------------------------------------------------------------------

bool Image::load_ppm(const std::string& bytes) {
    std::size_t at = 0;
    auto skip_space = [&] {
        while (at < bytes.size()) {
            if (bytes[at] == '#') {
                while (at < bytes.size() && bytes[at] != '\n') ++at;
            } else if (std::isspace(static_cast<unsigned char>(bytes[at]))) {
                ++at;
            } else {
                break;
            }
        }
    };
    auto number = [&] {
        skip_space();
        int n = 0;
        while (at < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at])))
            n = n * 10 + (bytes[at++] - '0');
        return n;
    };
    if (bytes.compare(0, 2, "P6") != 0) return false;
    at = 2;
    width = number();
    height = number();
    const int max = number();
    ++at;  // the single blank before the pixels
    const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
    if (max != 255 || width <= 0 || height <= 0 || bytes.size() < at + size) return false;
    rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
               bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
    return true;
}

int Image::dark_pixels(int x, int y, int w, int h) const {
    int n = 0;
    for (int row = std::max(0, y); row < std::min(height, y + h); ++row)
        for (int col = std::max(0, x); col < std::min(width, x + w); ++col) {
            const unsigned char* p = &rgb[(static_cast<std::size_t>(row) * width + col) * 3];
            n += (p[0] + p[1] + p[2]) / 3 < 128;
        }
    return n;
}

int Image::pixels_not_white(int x, int y, int w, int h) const {
    int n = 0;
    for (int row = std::max(0, y); row < std::min(height, y + h); ++row)
        for (int col = std::max(0, x); col < std::min(width, x + w); ++col) {
            const unsigned char* p = &rgb[(static_cast<std::size_t>(row) * width + col) * 3];
            n += !(p[0] == 255 && p[1] == 255 && p[2] == 255);
        }
    return n;
}

}  // namespace vlr::e2e
