// The emulated radio the end-to-end tests stand on: its answers where the
// program and Hamlib depend on them, its faults on the pseudo-terminal, its
// COM link, and the veloran-emulator program as another process sees it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "emulator/cli.hpp"
#include "emulator/pty_radio.hpp"
#include "tests/support/e2e_harness.hpp"

using namespace vlr::emu;
using vlr::e2e::eventually;
using vlr::test::TempDir;

namespace {

// One radio a line: "CMD" is taken without an answer, "CMD=REPLY" answered
// so, "CMD?" refused with "?;". "@10" starts the 10 W radio, "@refuse=CODES" one that refuses
// those codes' sets, "@unknown" one that refuses every form it does not know exactly.
const char* const script = R"(
ID;=ID0840; FA;=FA007100000; MD0;=MD01; PC;=PC2100; AC;=AC000; FT;=FT0; IF;=IF001007100000+000000100000; AI0; AI;=AI0;
FA014250000; FA;=FA014250000; MD0H; MD0;=MD0H; AG0250; AG0;=AG0250; RL004; RL0;=RL004; NL0005; NL0;=NL0005; PA02; PA0;=PA02;
SH014; SH0;=SH0014; SH0021; SH0;=SH0021; CO00001; CO00;=CO000001; AC103; AC;=AC100; CN00012; CN00;=CN00012; CT03; CT0;=CT03;
XX;? ;? fa;? FA12345;? FA14250000;? FA000010000;? MD0Z;? AG0999;? BS013;? KS003;? RL0100;? PC1005;? PC2101;? FT4;? FT01;? SH01;? SH0024;? FA;=FA007100000; PC;=PC2100;
PS0; ID;= FA;= XX;= PS1; ID;=ID0840;
BS005; FA014074000; MD02; BS003; FA;=FA007100000; BS005; FA;=FA014074000; MD0;=MD02; BS016; BS015;
FA432100000; MD0B; CT02; OS02; IF;=IF001432100000+000000B02002;
VS1; FB021000000; IF;=IF001007100000+000000100000; FB;=FB021000000;
FT2; FT;=FT0; ST;=ST0; FT3; FT;=FT1; ST;=ST1; FT1; ST0; FT;=FT0; FT1; FT0; FT;=FT0; ST2; FT3; ST;=ST2;
EX0103180012; EX010318;=EX0103180012; EX0307041; EX030704;=EX0307041; EX123456;=EX1234560;
@10 PC;=PC1005; PC1010; PC;=PC1010; PC1011;? PC2005;?
@refuse=PR,EX PR01;? PR0;=PR00; PR00;? EX0860;? EX030704;=EX0307040; EX0307041;? ML01; ZI; FA;=FA007100000;
@unknown ZI;? ZI0; CO00001;? CO000001; CO00;=CO000001; EX0863;? EX0307041; EX123456;? SH014;? SH0014; ML01; BS015;
)";

TEST(RadioModel, AnswersTakesAndRefusesAsTheRadioDoes) {
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream tokens(line);
        std::unique_ptr<RadioModel> radio;
        for (std::string t; tokens >> t;) {
            if (!radio) radio = std::make_unique<RadioModel>(t == "@10" ? Variant::watts10 : Variant::watts100);
            CliOptions o;  // "@refuse=PR,ML", "@unknown": the radio as the command line makes it
            std::string error;
            if (t.starts_with("@refuse=") && parse_cli({"--refuse", t.substr(8)}, o, error)) radio->refuse_sets(o.refuse);
            if (t == "@unknown") radio->refuse_unknown_forms(true);
            if (t[0] == '@') continue;
            const auto eq = t.find('=');
            const bool refused = t.back() == '?';
            const std::string command = eq != std::string::npos ? t.substr(0, eq)
                                        : t.substr(0, t.size() - refused);
            const std::string want = eq != std::string::npos ? t.substr(eq + 1) : refused ? "?;" : "";
            EXPECT_EQ(radio->handle(command), want) << command << " in: " << line;
        }
    }
    RadioModel radio(Variant::watts100, "0650");
    EXPECT_EQ(radio.handle("ID;"), "ID0650;");
    radio.turn_dial(150'000);
    EXPECT_EQ(radio.handle("FA;"), "FA007250000;");
    radio.operate("MD03;");  // the operator's own knob is no CAT traffic
    EXPECT_EQ(radio.record(), (std::vector<std::string>{"ID;", "FA;"}));
}

int open_line(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios t{};
    if (fd >= 0 && ::tcgetattr(fd, &t) == 0) ::cfmakeraw(&t), ::tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// Writes `command` (may be "") and reads until `done` holds for what came.
std::string exchange(int fd, const std::string& command,
                     const std::function<bool(const std::string&)>& done) {
    if (::write(fd, command.data(), command.size()) != static_cast<ssize_t>(command.size()))
        return "write failed";
    std::string got;
    eventually([&] {
        pollfd p{fd, POLLIN, 0};
        char buffer[4096];
        ssize_t n = ::poll(&p, 1, 50) > 0 ? ::read(fd, buffer, sizeof buffer) : 0;
        if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
        return done(got);
    });
    return got;
}
std::string ask(int fd, const std::string& command, std::size_t replies = 1) {
    return exchange(fd, command, [replies](const std::string& s) {
        return static_cast<std::size_t>(std::count(s.begin(), s.end(), ';')) >= replies;
    });
}

std::string link_target(const std::string& path) {
    std::error_code ec;  // "" when no link
    return std::filesystem::read_symlink(path, ec).string();
}
bool exists(const std::string& path) { return std::filesystem::exists(std::filesystem::symlink_status(path)); }

TEST(PtyRadio, AnswersOnItsLineWhateverFaultItPlays) {
    TempDir dir;
    PtyRadio radio;
    ASSERT_TRUE(radio.link_com(dir.path, 5));
    EXPECT_EQ(link_target(dir.path + "COM5"), radio.slave_path());
    int fd = open_line(dir.path + "COM5");
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ask(fd, "ID;FA;", 2), "ID0840;FA007100000;");
    ::write(fd, "F", 1);  // a command arriving in pieces is one command
    EXPECT_EQ(ask(fd, "A;"), "FA007100000;");
    radio.set_late_delay_ms(100);
    radio.set_fault(Fault::late);
    EXPECT_EQ(ask(fd, "ID;"), "ID0840;");
    radio.clear_sent();
    radio.set_fault(Fault::pieces);
    EXPECT_EQ(ask(fd, "ID;"), "ID0840;");
    EXPECT_TRUE(radio.sent().size() == 2 || radio.sent().size() == 3) << radio.sent().size();
    radio.set_fault(Fault::garbage);
    std::string got = ask(fd, "ID;");
    EXPECT_TRUE(got.size() > 7 && got.substr(got.size() - 7) == "ID0840;") << got;
    radio.set_fault(Fault::garbage_only);
    got = exchange(fd, "ID;", [](const std::string& s) { return s.size() >= 7; });
    EXPECT_TRUE(got.size() == 7 && got.find(';') == std::string::npos) << got;
    radio.set_burst(300, true);
    radio.set_fault(Fault::burst);
    got = ask(fd, "ID;");
    EXPECT_TRUE(got.size() == 307 && got.find('\0') < 300 && got.substr(300) == "ID0840;");
    radio.set_fault(Fault::silent);
    radio.clear_record();
    ::write(fd, "ID;", 3);
    ASSERT_TRUE(eventually([&] { return radio.record().size() == 1; }));
    radio.set_fault(Fault::none);
    EXPECT_EQ(ask(fd, "FA014250000;MD02;FA;"), "FA014250000;")
        << "served in order: no late answer to ID";
    EXPECT_EQ(radio.record(), (std::vector<std::string>{"ID;", "FA014250000;", "MD02;", "FA;"}));
    EXPECT_EQ(radio.with_model([](RadioModel& m) { return m.mode(); }), '2');
    radio.send_unasked("FA014000000;");
    EXPECT_EQ(ask(fd, ""), "FA014000000;");
    radio.send_burst(10'240, false);
    got = exchange(fd, "", [](const std::string& s) { return s.size() >= 10'240; });
    EXPECT_TRUE(got.size() == 10'240 && got.find('\0') == std::string::npos &&
                got.find(';') == std::string::npos);
    radio.set_dial_drift(100, 5);
    EXPECT_TRUE(eventually([&] {
        return radio.with_model([](RadioModel& m) { return m.frequency_a(); }) != 14'250'000;
    }));
    radio.set_dial_drift(0, 0);

    ::close(fd);
    radio.stop();
    EXPECT_FALSE(exists(dir.path + "COM5"));
}

TEST(PtyRadio, ALinkIsReplacedOnlyWhenItIsStale) {
    TempDir dir;
    ASSERT_EQ(::symlink("/dev/pts/nowhere", (dir.path + "COM3").c_str()), 0);
    dir.write("COM4", "keep me");
    PtyRadio first, second;
    EXPECT_TRUE(first.link_com(dir.path, 3));
    EXPECT_EQ(link_target(dir.path + "COM3"), first.slave_path());
    EXPECT_FALSE(first.link_com(dir.path, 4));
    EXPECT_EQ(dir.read("COM4"), "keep me");
    ASSERT_TRUE(second.link_com(dir.path, 3));  // a second emulator takes the name over
    first.stop();
    EXPECT_EQ(link_target(dir.path + "COM3"), second.slave_path());
}

TEST(EmulatorProgram, AnswersThroughItsLinkAndCleansUpOnSignals) {
    for (const int sig : {SIGTERM, SIGINT}) {
        vlr::e2e::EmulatorProgram emulator;
        TempDir dir;
        using Args = std::vector<std::string>;
        ASSERT_TRUE(emulator.start(dir.path, 5, sig == SIGTERM ? Args{} : Args{"--id", "0650",
                    "--variant", "10", "--baud", "9600", "--fault", "none"}));
        int fd = open_line(dir.path + "COM5");
        ASSERT_GE(fd, 0);
        EXPECT_EQ(ask(fd, "ID;"), sig == SIGINT ? "ID0650;" : "ID0840;");
        EXPECT_EQ(ask(fd, "PC;"), sig == SIGINT ? "PC1005;" : "PC2100;");
        EXPECT_TRUE(eventually([&] {
            return emulator.record() == std::vector<std::string>{"ID;", "PC;"};
        }));
        ::close(fd);
        emulator.process.signal(sig);
        EXPECT_EQ(emulator.process.wait_exit(), 0);
        EXPECT_FALSE(exists(dir.path + "COM5"));
    }
    TempDir dir;
    vlr::e2e::Process bad;
    ASSERT_TRUE(bad.start({vlr::e2e::built_program("veloran-emulator"), "--link", dir.path + "no/COM5"},
                          "", {}, dir.path + "err"));
    EXPECT_EQ(bad.wait_exit(), 1);
    EXPECT_NE(dir.read("err").find("cannot make the link"), std::string::npos);
}

TEST(EmulatorCommandLine, ReadsEveryOptionAndRefusesBadValues) {
    CliOptions o;
    std::string error;
    ASSERT_TRUE(parse_cli({"--link", "./COM5", "--baud", "4800", "--stop-bits", "1", "--delay-ms",
                           "20", "--variant", "10", "--id", "0650", "--dial-drift", "--record",
                           "r.txt", "--fault", "garbage-only", "--quiet", "--refuse", "PR,ML",
                           "--refuse-unknown"},
                          o, error))
        << error;
    EXPECT_TRUE(o.link == "./COM5" && o.line.baud == 4800 && o.line.stop_bits == 1 &&
                o.line.reply_delay_ms == 20 && o.variant == Variant::watts10 &&
                o.identity == "0650" && o.dial_drift && o.record == "r.txt" &&
                o.fault == Fault::garbage_only && o.quiet &&
                (o.refuse == std::set<std::string>{"PR", "ML"}) && o.refuse_unknown);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--baud", "fast"}, {"--baud", "-1"}, {"--variant", "50"}, {"--id", "840"},
             {"--id", "08a0"}, {"--stop-bits", "3"}, {"--fault", "loud"}, {"--delay-ms", "5ms"},
             {"--link"}, {"--what"}, {"COM5"}, {"--refuse", "pr"}, {"--refuse", "PR,"},
             {"--refuse", "PRX"}})
        EXPECT_FALSE(parse_cli(args, o, error)) << args[0];
    EXPECT_EQ(record_line(std::string("I\nD\0;", 5)), "I\\x0AD\\x00;");
    EXPECT_EQ(record_line("A\\B;"), "A\\x5CB;");
}

}  // namespace
