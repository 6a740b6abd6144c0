// The veloran-emulator program as another process sees it: started with a
// link, talked to through that link, stopped with a signal. Also its command
// line on its own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>

#include "emulator/cli.hpp"
#include "tests/support/e2e_harness.hpp"

using namespace vlr::emu;
using vlr::e2e::eventually;

namespace {

bool exists(const std::string& path) {
    struct stat s {};
    return ::lstat(path.c_str(), &s) == 0;
}

// The emulator as a child process; killed if a test ends before stopping it.
struct Emulator : vlr::e2e::Process {
    vlr::test::TempDir dir;
    std::string link = dir.path + "COM5";
    explicit Emulator(std::vector<std::string> args) {
        args.insert(args.begin(), {vlr::e2e::built_program("veloran-emulator"), "--link", link});
        EXPECT_TRUE(exists(args[0])) << "build the veloran-emulator target first: " << args[0];
        EXPECT_TRUE(start(args, dir.path));
    }
    // The first line of its stdout, "" if none came.
    std::string first_line() {
        return eventually([&] { return out.size() > 0; }) ? out.all()[0] : "";
    }
};

// One command written on a raw line; the bytes up to the first ";" back.
std::string ask(int fd, const std::string& command) {
    if (::write(fd, command.data(), command.size()) != static_cast<ssize_t>(command.size()))
        return "";
    std::string got;
    eventually([&] {
        pollfd p{fd, POLLIN, 0};
        char buffer[256];
        ssize_t n = ::poll(&p, 1, 50) > 0 ? ::read(fd, buffer, sizeof buffer) : 0;
        if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
        return got.find(';') != std::string::npos;
    });
    return got;
}

int open_line(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios t{};
    if (fd >= 0 && ::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

std::vector<std::string> lines_of(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(EmulatorProgram, AnswersThroughItsLinkAndCleansUpOnSigterm) {
    vlr::test::TempDir records;
    const std::string record = records.path + "record.txt";
    Emulator emulator({"--record", record, "--quiet"});
    const std::string line = emulator.first_line();
    ASSERT_EQ(line.rfind("pty: /dev/pts/", 0), 0u) << line;
    ASSERT_TRUE(exists(emulator.link));

    int fd = open_line(emulator.link);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ask(fd, "ID;"), "ID0840;");
    EXPECT_EQ(ask(fd, "FA014250000;FA;"), "FA014250000;");
    EXPECT_TRUE(eventually([&] { return lines_of(record).size() == 3; }));
    EXPECT_EQ(lines_of(record), (std::vector<std::string>{"ID;", "FA014250000;", "FA;"}));
    ::close(fd);

    emulator.signal(SIGTERM);
    EXPECT_EQ(emulator.wait_exit(), 0);
    EXPECT_FALSE(exists(emulator.link));
}

TEST(EmulatorProgram, TakesIdentityAndTransmitterFromItsOptions) {
    Emulator emulator({"--id", "0650", "--variant", "10", "--quiet", "--baud", "9600"});
    ASSERT_EQ(emulator.first_line().rfind("pty: ", 0), 0u);
    int fd = open_line(emulator.link);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ask(fd, "ID;"), "ID0650;");
    EXPECT_EQ(ask(fd, "PC;"), "PC1005;");
    ::close(fd);
    emulator.signal(SIGINT);
    EXPECT_EQ(emulator.wait_exit(), 0);
    EXPECT_FALSE(exists(emulator.link));
}

TEST(EmulatorProgram, RefusesABadCommandLineWithoutMakingALink) {
    Emulator emulator({"--baud", "fast"});
    EXPECT_EQ(emulator.wait_exit(), 2);
    EXPECT_FALSE(exists(emulator.link));
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
        // clang-format off
        {"--baud", "fast"}, {"--baud", "-1"}, {"--variant", "50"}, {"--id", "840"},
        {"--id", "08a0"}, {"--stop-bits", "3"}, {"--fault", "loud"}, {"--delay-ms", "5ms"},
        {"--link"}, {"--what"}, {"COM5"},
        // clang-format on
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
