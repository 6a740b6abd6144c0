#include "bench/bench_support.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>

namespace fs = std::filesystem;

namespace vlr::bench {

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

Figures figures_of(std::vector<double> samples) {
    Figures f;
    f.count = samples.size();
    if (samples.empty()) return f;
    std::sort(samples.begin(), samples.end());
    // Nearest-rank percentiles: a reported p99 is a sample that happened.
    auto rank = [&](double p) {
        const auto at =
            static_cast<std::size_t>(std::ceil(p * static_cast<double>(samples.size())));
        return samples[std::clamp<std::size_t>(at, 1, samples.size()) - 1];
    };
    f.median = rank(0.5);
    f.p99 = rank(0.99);
    f.min = samples.front();
    f.max = samples.back();
    f.mean = std::accumulate(samples.begin(), samples.end(), 0.0) / static_cast<double>(f.count);
    return f;
}

std::string describe(const Figures& f) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "median %.3f ms, p99 %.3f ms, min %.3f, max %.3f (%zu samples)", f.median, f.p99,
                  f.min, f.max, f.count);
    return text;
}

std::string voice_folder() {
    if (const char* given = std::getenv("VELORAN_WAVE"); given && *given) return given;
    return std::string(VELORAN_BINARY_DIR) + "/wave";
}

std::string word_file(const std::string& folder, const std::string& word) {
    std::string name = word;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    if (fs::path(name).extension().empty()) name += ".wav";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::string found = entry.path().filename().string();
        std::transform(found.begin(), found.end(), found.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        if (found == name) return entry.path().string();
    }
    return {};
}

double wave_seconds(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return 0;
    std::uint32_t byte_rate = 0;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string id = bytes.substr(at, 4);
        const std::uint32_t size = u32(at + 4);
        if (id == "fmt " && at + 20 <= bytes.size()) byte_rate = u32(at + 16);
        if (id == "data") {
            const std::size_t data = std::min<std::size_t>(size, bytes.size() - at - 8);
            return byte_rate ? static_cast<double>(data) / byte_rate : 0;
        }
        at += 8 + size + (size & 1);
    }
    return 0;
}

WorkFolder::WorkFolder(int baud, bool debug_log) {
    char name[] = "/tmp/veloran-bench-XXXXXX";
    path = mkdtemp(name) ? name : "/tmp";
    std::ofstream(path + "/veloran.cfg")
        << "COM  1\r\nSpeed " << baud
        << "\r\nswr 0\r\ntun 0\r\nPowOff 0\r\n10mof -100\r\n6mof -500\r\n2mof -600\r\n"
           "70mof +5000\r\nPthru 0\r\nDebug "
        << (debug_log ? 1 : 0) << "\r\n";
    std::error_code ec;
    fs::create_directory_symlink(fs::absolute(voice_folder()), path + "/wave", ec);
}

WorkFolder::~WorkFolder() {
    if (path.rfind("/tmp/veloran-bench-", 0) == 0) {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
}

std::string built_program(const std::string& name) {
    return std::string(VELORAN_BINARY_DIR) + "/" + name;
}

std::map<std::string, std::string> program_environment() {
    std::map<std::string, std::string> env;
    const char* display = std::getenv("DISPLAY");
    if (!std::getenv("SDL_VIDEODRIVER"))
        env["SDL_VIDEODRIVER"] = display && *display ? "x11" : "dummy";
    if (!std::getenv("SDL_AUDIODRIVER")) env["SDL_AUDIODRIVER"] = "dummy";
    return env;
}

Child::~Child() { stop(std::chrono::seconds(2)); }

bool Child::start(const std::vector<std::string>& argv, const std::string& folder,
                  const std::map<std::string, std::string>& env) {
    int out[2];
    if (argv.empty() || pipe2(out, O_CLOEXEC) != 0) return false;
    // Everything the child needs is made here: between fork and exec only
    // async-signal-safe calls are made (other threads of this process may
    // hold locks that the child would never see released).
    std::map<std::string, std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const auto equals = entry.find('=');
        if (equals != std::string::npos)
            environment[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
    for (const auto& [name, value] : env)
        value.empty() ? (void)environment.erase(name) : (void)(environment[name] = value);
    std::vector<std::string> entries;
    for (const auto& [name, value] : environment) entries.push_back(name + "=" + value);
    std::vector<char*> envp, args;
    for (auto& e : entries) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argv_copy = argv;
    for (auto& a : argv_copy) args.push_back(a.data());
    args.push_back(nullptr);

    started_ = Clock::now();
    pid_ = fork();
    if (pid_ < 0) {
        close(out[0]), close(out[1]);
        return false;
    }
    if (pid_ == 0) {
        if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(127);
        dup2(out[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, STDERR_FILENO);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    reader_ = std::thread([this, fd = out[0]] { read_lines(fd); });
    return true;
}

void Child::read_lines(int fd) {
    std::string partial;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
        if (got < 0) continue;
        const auto now = Clock::now();
        partial.append(buffer, static_cast<std::size_t>(got));
        std::size_t end;
        std::lock_guard lock(mutex_);
        while ((end = partial.find('\n')) != std::string::npos) {
            lines_.push_back(Line{partial.substr(0, end), now});
            partial.erase(0, end + 1);
        }
        grown_.notify_all();
    }
    close(fd);
}

std::vector<Child::Line> Child::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::optional<Child::Line> Child::wait_for(const std::string& text, std::chrono::milliseconds limit,
                                           bool prefix, std::size_t from) const {
    std::unique_lock lock(mutex_);
    std::optional<Line> found;
    grown_.wait_for(lock, limit, [&] {
        for (std::size_t i = from; i < lines_.size(); ++i)
            if (prefix ? lines_[i].text.rfind(text, 0) == 0 : lines_[i].text == text)
                return found = lines_[i], true;
        return false;
    });
    return found;
}

void Child::stop(std::chrono::milliseconds grace) {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        const auto deadline = Clock::now() + grace;
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
    }
    if (reader_.joinable()) reader_.join();
}

bool ProgramRun::start(std::string* why) {
    auto fail = [&](const std::string& reason) {
        if (why) *why = reason;
        return false;
    };
    if (!fs::exists(folder.path + "/wave/connected.wav"))
        return fail("no rendered words in " + voice_folder() + " (render the voice first)");
    if (!emulator.start({built_program("veloran-emulator"), "--link", folder.path + "/COM1",
                         "--baud", std::to_string(baud), "--quiet"},
                        folder.path))
        return fail("cannot start veloran-emulator");
    if (!emulator.wait_for("pty:", std::chrono::seconds(10), true))
        return fail("veloran-emulator did not start serving");
    if (!program.start({built_program("veloran"), "--transcript"}, folder.path,
                       program_environment()))
        return fail("cannot start veloran");
    return true;
}

namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The fields of a /proc stat line after the command name (which may hold
// blanks), numbered as in proc(5): field 3 is the state.
std::vector<std::string> stat_fields(const std::string& line) {
    std::vector<std::string> fields;
    const auto close = line.rfind(')');
    if (close == std::string::npos) return fields;
    std::istringstream rest(line.substr(close + 1));
    fields.resize(2);  // pid and name
    for (std::string f; rest >> f;) fields.push_back(f);
    return fields;
}

}  // namespace

double process_cpu_seconds(pid_t pid) {
    const auto fields = stat_fields(read_text("/proc/" + std::to_string(pid) + "/stat"));
    if (fields.size() < 16) return -1;
    const double ticks = std::stod(fields[13]) + std::stod(fields[14]);  // utime, stime
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::map<pid_t, ThreadTimes> thread_times(pid_t pid) {
    std::map<pid_t, ThreadTimes> out;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(tasks, ec)) {
        const pid_t tid = std::atoi(entry.path().filename().c_str());
        ThreadTimes t;
        t.name = read_text(entry.path() / "comm");
        if (!t.name.empty() && t.name.back() == '\n') t.name.pop_back();
        std::istringstream sched(read_text(entry.path() / "schedstat"));
        double ns = 0;
        if (sched >> ns) t.cpu_seconds = ns / 1e9;
        std::istringstream status(read_text(entry.path() / "status"));
        for (std::string line; std::getline(status, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                t.wakeups = std::atol(line.c_str() + std::strlen("voluntary_ctxt_switches:"));
        out[tid] = t;
    }
    return out;
}

double status_mb(pid_t pid, const std::string& field) {
    std::istringstream status(read_text("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::atof(line.c_str() + field.size() + 1) / 1024.0;
    return -1;
}

std::string machine_description() {
    std::string model = "unknown CPU";
    std::istringstream cpu(read_text("/proc/cpuinfo"));
    for (std::string line; std::getline(cpu, line);)
        if (line.rfind("model name", 0) == 0) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    std::string debian = read_text("/etc/debian_version");
    while (!debian.empty() && std::isspace(static_cast<unsigned char>(debian.back())))
        debian.pop_back();
    return "nproc " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + ", " + model +
           (debian.empty() ? "" : ", Debian " + debian);
}

}  // namespace vlr::bench
