#include "tests/support/e2e_harness.hpp"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
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
    std::error_code ec;  // run by hand: the test programs live in <build>/tests
    fs::path self = fs::canonical("/proc/self/exe", ec);
    return ec ? std::string(".") : self.parent_path().parent_path().string();
}

std::string source_dir() {
    if (const char* dir = std::getenv("VELORAN_SOURCE_DIR"); dir && *dir) return dir;
    return fs::path(__FILE__).parent_path().parent_path().parent_path().string();
}

std::string built_program(const std::string& name) { return binary_dir() + "/" + name; }

// The full path of `tool` on PATH, "" when it is not there.
static std::string on_path(const std::string& tool) {
    if (tool.find('/') != std::string::npos) return tool;
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && ::access((dir + "/" + tool).c_str(), X_OK) == 0)
            return dir + "/" + tool;
    return "";
}

bool installed(const std::string& tool) { return !on_path(tool).empty(); }

static bool holds_words(const std::string& folder) {
    return std::ranges::all_of(std::vector<std::string>{"vlr", "delay", "connected", "cfgnf", "rnvlr"},
                               [&](const std::string& w) { return fs::exists(folder + "/" + w + ".wav"); });
}

static std::string render_words(std::string& why) {
    const std::string folder = binary_dir() + "/wave";
    // Test programs may start side by side: one renders, the others wait.
    int lock = ::open((binary_dir() + "/wave.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock >= 0) ::flock(lock, LOCK_EX);
    std::string output;
    if (!holds_words(folder)) {
        int code = run_tool({source_dir() + "/scripts/render-voice.sh", folder}, {}, &output);
        if (!holds_words(folder))
            why = "rendering the words failed (exit " + std::to_string(code) + "): " + output;
    }
    if (lock >= 0) ::close(lock);
    return holds_words(folder) ? folder : "";
}

std::string wave_folder(std::string* why) {
    static std::string reason;
    static const std::string folder = render_words(reason);
    if (why) *why = reason;
    return folder;
}

std::string Config::text() const {
    // Line 1 is six characters long: its last two are the COM number.
    std::string t = (com >= 10 ? "COM " : "COM  ") + std::to_string(com) + "\r\nSpeed " +
                    std::to_string(speed) + "\r\n";
    t += (line3.empty() ? "swr " + std::to_string(auto_swr) : line3) + "\r\n";
    t += "tun " + std::to_string(tuner) + "\r\nPowOff " + std::to_string(power_off) + "\r\n";
    t += "10mof -100\r\n6mof -500\r\n2mof -600\r\n70mof +5000\r\n";
    return t + (passthru >= 10 ? "Pthru  " : "Pthru ") + std::to_string(passthru) + "\r\nDebug " +
           std::to_string(debug) + "\r\n";
}

WorkFolder::WorkFolder() {
    const std::string words = wave_folder(&why);
    has_words = !words.empty();
    if (has_words) ::symlink(words.c_str(), (path + "wave").c_str());
}

std::vector<std::string> WorkFolder::crlf_lines(const std::string& name, bool* clean) const {
    const std::string text = read(name);
    std::vector<std::string> lines;
    bool all_crlf = true;
    for (std::size_t start = 0, end; start < text.size(); start = end + 2) {
        end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos || lines.back().find_first_of("\r\n") != std::string::npos)
            all_crlf = false;
        if (end == std::string::npos) break;
    }
    if (clean) *clean = all_crlf;
    return lines;
}

void Lines::append(const char* bytes, std::size_t count) {
    std::lock_guard lock(mutex_);
    raw_.append(bytes, count);
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] == '\n')
            lines_.push_back(partial_), partial_.clear();
        else if (bytes[i] != '\r')
            partial_ += bytes[i];
    }
    grown_.notify_all();
}


std::optional<std::size_t> Lines::wait_for_run(const std::vector<std::string>& words,
                                               std::size_t from,
                                               std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    std::optional<std::size_t> found;
    grown_.wait_for(lock, limit, [&] {
        for (std::size_t i = from; i + words.size() <= lines_.size(); ++i)
            if (std::equal(words.begin(), words.end(), lines_.begin() + static_cast<long>(i)))
                return found = i + words.size(), true;
        return false;
    });
    return found;
}

std::optional<std::size_t> Lines::wait_for(const std::string& word, std::size_t from,
                                           std::chrono::milliseconds limit) const {
    auto after = wait_for_run({word}, from, limit);
    return after ? std::optional<std::size_t>(*after - 1) : std::nullopt;
}


std::string missing_in_order(const std::vector<std::string>& haystack,
                             const std::vector<std::string>& needles, std::size_t from) {
    std::size_t at = from;
    for (const auto& needle : needles) {
        while (at < haystack.size() && haystack[at] != needle) ++at;
        if (at++ >= haystack.size()) return needle;
    }
    return "";
}

std::size_t count_of(const std::vector<std::string>& v, const std::string& item) {
    return static_cast<std::size_t>(std::count(v.begin(), v.end(), item));
}

std::string join(const std::vector<std::string>& v, std::size_t from) {
    std::string out;
    for (std::size_t i = from; i < v.size(); ++i) out += (i > from ? " " : "") + v[i];
    return out;
}

Process::~Process() {
    if (pid_ > 0) ::kill(pid_, SIGKILL), ::waitpid(pid_, nullptr, 0);
    if (reader_.joinable()) reader_.join();
}

bool Process::start_veloran(const std::string& folder, const std::vector<std::string>& options,
                            const Env& env, const Limits& limits) {
    std::vector<std::string> argv = {built_program("veloran"), "--transcript"};
    argv.insert(argv.end(), options.begin(), options.end());
    return start(argv, folder, env, folder + "veloran.err", limits);
}

bool Process::start(const std::vector<std::string>& argv, const std::string& folder,
                    const Env& env, const std::string& stderr_file, const Limits& limits) {
    // Everything the child needs is made before the fork: it only calls
    // what is safe between fork and exec in a process with threads.
    std::vector<std::string> args = argv, envs;
    const std::string program = on_path(args[0]);
    for (char** e = environ; *e; ++e)
        if (!env.count(std::string(*e).substr(0, std::string(*e).find('=')))) envs.push_back(*e);
    for (const auto& [name, value] : env)
        if (!value.empty()) envs.push_back(name + "=" + value);
    std::vector<char*> arg_ptrs, env_ptrs;
    for (auto& a : args) arg_ptrs.push_back(a.data());
    for (auto& e : envs) env_ptrs.push_back(e.data());
    arg_ptrs.push_back(nullptr), env_ptrs.push_back(nullptr);
    const std::string err = stderr_file.empty() ? "/dev/null" : stderr_file;
    int pipe_fds[2];
    if (program.empty() || ::pipe2(pipe_fds, O_CLOEXEC) != 0) return false;
    pid_ = ::fork();
    if (pid_ == 0) {
        int in = ::open("/dev/null", O_RDONLY),
            errfd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(in, 0), ::dup2(pipe_fds[1], 1), ::dup2(errfd, 2);
        ::signal(SIGXFSZ, SIG_DFL);  // what the program does with it is its own affair
        rlimit size{limits.file_size, limits.file_size};
        if (::setrlimit(RLIMIT_FSIZE, &size) != 0) ::_exit(120);
        if (!folder.empty() && ::chdir(folder.c_str()) != 0) ::_exit(121);
        if (limits.as_nobody && ::getuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(122);
        ::execve(program.c_str(), arg_ptrs.data(), env_ptrs.data());
        ::_exit(127);
    }
    ::close(pipe_fds[1]);
    if (pid_ < 0) return ::close(pipe_fds[0]), false;
    reader_ = std::thread([this, from = pipe_fds[0]] {
        char buffer[4096];
        for (ssize_t n; (n = ::read(from, buffer, sizeof buffer)) != 0;)
            if (n > 0)
                out.append(buffer, static_cast<std::size_t>(n));
            else if (errno != EINTR)
                break;
        ::close(from);
    });
    return true;
}

bool Process::running() {
    int status = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &status, WNOHANG) != pid_) return pid_ > 0;
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    pid_ = -1;
    if (reader_.joinable()) reader_.join();
    return false;
}

int Process::wait_exit(std::chrono::milliseconds limit) {
    return eventually([this] { return !running(); }, limit) ? exit_code_ : -1;
}

int run_tool(const std::vector<std::string>& argv, const Env& env, std::string* output) {
    Process tool;
    if (!tool.start(argv, "", env)) return -1;
    int code = tool.wait_exit(std::chrono::seconds(300));
    if (output) *output = tool.out.raw();
    return code;
}

bool EmulatorProgram::start(const std::string& folder, int com,
                            const std::vector<std::string>& extra) {
    record_file = folder + "radio.rec";
    std::vector<std::string> argv = {built_program("veloran-emulator"), "--link",
                                     folder + "COM" + std::to_string(com), "--record",
                                     record_file, "--quiet"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    // It names its pseudo-terminal once the link is made.
    return process.start(argv, folder, {}, folder + "emulator.err") && eventually([this] {
        return process.out.size() > 0 && process.out.all()[0].rfind("pty: /dev/", 0) == 0;
    });
}

std::vector<std::string> EmulatorProgram::record() const {
    std::ifstream in(record_file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

XServer::~XServer() {
    server_.signal(SIGTERM);
    server_.wait_exit(std::chrono::seconds(10));
}

bool XServer::start(std::string* why) {
    // -displayfd picks a free display and writes its number on our stdout.
    if (!server_.start(
            {"Xvfb", "-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"}, ""))
        return *why = "Xvfb could not be started", false;
    eventually([this] { return server_.out.size() > 0 || !server_.running(); });
    auto lines = server_.out.all();
    if (lines.empty() || lines[0].empty()) return *why = "Xvfb named no display", false;
    display_ = ":" + lines[0];
    return true;
}

}  // namespace vlr::e2e
