// The veloran-emulator program as another process sees it: started with a
// link, talked to through that link, stopped with SIGTERM. Also its command
// line on its own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include "emulator/cli.hpp"

extern char** environ;

using namespace vlr::emu;

namespace {

constexpr auto deadline = std::chrono::seconds(10);

std::string emulator_path() {
    if (const char* dir = std::getenv("VELORAN_BINARY_DIR"))
        return std::string(dir) + "/veloran-emulator";
    // Run by hand from the build folder's tests/ directory.
    char self[4096];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<std::size_t>(n) : 0);
    return path.substr(0, path.rfind('/')) + "/../veloran-emulator";
}

bool exists(const std::string& path) {
    struct stat s {};
    return ::lstat(path.c_str(), &s) == 0;
}

bool eventually(const std::function<bool()>& condition) {
    auto give_up = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > give_up) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

struct TempDir {
    std::string path;
    TempDir() {
        char name[] = "/tmp/veloran-emu-XXXXXX";
        path = ::mkdtemp(name) ? name : "";
    }
    ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
};

// The emulator as a child process, with its stdout on a pipe. Killed if a
// test ends before it stopped it.
class Emulator {
public:
    pid_t pid = -1;
    int out = -1;

    explicit Emulator(const std::vector<std::string>& args) {
        int pipe_fds[2];
        if (::pipe(pipe_fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::string program = emulator_path();
        std::vector<char*> argv{program.data()};
        std::vector<std::string> copies = args;
        for (auto& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipe_fds[1]);
        out = pipe_fds[0];
    }
    ~Emulator() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (out >= 0) ::close(out);
    }

    // The first line of its stdout, "" if none came.
    std::string first_line() {
        std::string line;
        auto give_up = std::chrono::steady_clock::now() + deadline;
        while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < give_up) {
            pollfd p{out, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            char buffer[256];
            ssize_t n = ::read(out, buffer, sizeof buffer);
            if (n <= 0) break;
            line.append(buffer, static_cast<std::size_t>(n));
        }
        return line.substr(0, line.find('\n'));
    }

    // Waits for the process to end; its exit status, or -1.
    int wait_exit() {
        int status = 0;
        bool ended = eventually([&] { return ::waitpid(pid, &status, WNOHANG) == pid; });
        if (!ended) return -1;
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

int open_line(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

std::string ask(int fd, const std::string& command) {
    if (::write(fd, command.data(), command.size()) != static_cast<ssize_t>(command.size()))
        return "";
    std::string got;
    auto give_up = std::chrono::steady_clock::now() + deadline;
    while (got.find(';') == std::string::npos && std::chrono::steady_clock::now() < give_up) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        char buffer[256];
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

std::vector<std::string> lines_of(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(EmulatorProgram, AnswersThroughItsLinkAndCleansUpOnSigterm) {
    ASSERT_TRUE(exists(emulator_path()))
        << "build the veloran-emulator target first: " << emulator_path();
    TempDir dir;
    std::string link = dir.path + "/COM5";
    std::string record = dir.path + "/record.txt";
    Emulator emulator({"--link", link, "--record", record, "--quiet"});
    ASSERT_GT(emulator.pid, 0);
    std::string line = emulator.first_line();
    ASSERT_EQ(line.rfind("pty: /dev/pts/", 0), 0u) << line;
    ASSERT_TRUE(exists(link));

    int fd = open_line(link);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ask(fd, "ID;"), "ID0840;");
    EXPECT_EQ(ask(fd, "FA014250000;FA;"), "FA014250000;");
    EXPECT_TRUE(eventually([&] { return lines_of(record).size() == 3; }));
    EXPECT_EQ(lines_of(record), (std::vector<std::string>{"ID;", "FA014250000;", "FA;"}));
    ::close(fd);

    ASSERT_EQ(::kill(emulator.pid, SIGTERM), 0);
    EXPECT_EQ(emulator.wait_exit(), 0);
    EXPECT_FALSE(exists(link));
}

TEST(EmulatorProgram, TakesIdentityAndTransmitterFromItsOptions) {
    ASSERT_TRUE(exists(emulator_path()))
        << "build the veloran-emulator target first: " << emulator_path();
    TempDir dir;
    std::string link = dir.path + "/COM1";
    Emulator emulator(
        {"--link", link, "--id", "0650", "--variant", "10", "--quiet", "--baud", "9600"});
    ASSERT_EQ(emulator.first_line().rfind("pty: ", 0), 0u);
    int fd = open_line(link);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ask(fd, "ID;"), "ID0650;");
    EXPECT_EQ(ask(fd, "PC;"), "PC1005;");
    ::close(fd);
    ASSERT_EQ(::kill(emulator.pid, SIGINT), 0);
    EXPECT_EQ(emulator.wait_exit(), 0);
    EXPECT_FALSE(exists(link));
}

TEST(EmulatorProgram, RefusesABadCommandLineWithoutMakingALink) {
    ASSERT_TRUE(exists(emulator_path()))
        << "build the veloran-emulator target first: " << emulator_path();
    TempDir dir;
    std::string link = dir.path + "/COM5";
    Emulator emulator({"--link", link, "--baud", "fast"});
    EXPECT_EQ(emulator.wait_exit(), 2);
    EXPECT_FALSE(exists(link));
}

TEST(EmulatorCommandLine, ReadsEveryOption) {
    CliOptions o;
    std::string error;
    ASSERT_TRUE(parse_cli({"--link", "./COM5", "--baud", "4800", "--stop-bits", "1", "--delay-ms",
                           "20", "--variant", "10", "--id", "0650", "--dial-drift", "--record",
                           "r.txt", "--fault", "garbage-only", "--quiet"},
                          o, error))
        << error;
    EXPECT_EQ(o.link, "./COM5");
    EXPECT_EQ(o.line.baud, 4800);
    EXPECT_EQ(o.line.stop_bits, 1);
    EXPECT_EQ(o.line.reply_delay_ms, 20);
    EXPECT_EQ(o.variant, Variant::watts10);
    EXPECT_EQ(o.identity, "0650");
    EXPECT_TRUE(o.dial_drift);
    EXPECT_EQ(o.record, "r.txt");
    EXPECT_EQ(o.fault, Fault::garbage_only);
    EXPECT_TRUE(o.quiet);
}

TEST(EmulatorCommandLine, RefusesBadValues) {
    const std::vector<std::vector<std::string>> bad = {
        {"--baud", "fast"},
        {"--baud", "-1"},
        {"--variant", "50"},
        {"--id", "840"},
        {"--id", "08a0"},
        {"--stop-bits", "3"},
        {"--fault", "loud"},
        {"--delay-ms", "5ms"},
        {"--link"},
        {"--what"},
        {"COM5"},
    };
    for (const auto& args : bad) {
        CliOptions o;
        std::string error;
        EXPECT_FALSE(parse_cli(args, o, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(EmulatorCommandLine, RecordLinesKeepOneCommandEach) {
    EXPECT_EQ(record_line("FA014250000;"), "FA014250000;");
    EXPECT_EQ(record_line(std::string("I\nD\0;", 5)), "I\\x0AD\\x00;");
    EXPECT_EQ(record_line("A\\B;"), "A\\x5CB;");
}

}  // namespace
