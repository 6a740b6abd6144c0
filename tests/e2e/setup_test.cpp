// The radio search and the set-up as a new operator meets them: emulated
// radios and devices that are not radios on pseudo-terminals under several
// names, the real program searching them, and the file it writes started.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "tests/support/e2e_harness.hpp"
#include "tests/support/pty.hpp"

using namespace vlr::e2e;
namespace fs = std::filesystem;

namespace {

// A device that sends back whatever it is sent, as a loop plug does.
struct EchoDevice {
    vlr::test::PseudoTerminal pty;
    std::atomic<bool> stop{false};
    std::thread thread{[this] {
        char buffer[256];
        while (!stop) {
            pollfd p{pty.master, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = ::read(pty.master, buffer, sizeof buffer);
            if (n > 0 && ::write(pty.master, buffer, static_cast<std::size_t>(n)) < 0) break;
        }
    }};
    ~EchoDevice() { stop = true, thread.join(); }
};

std::string vlr_sample() {
    std::ifstream sample(source_dir() + "/veloran.cfg.sample", std::ios::binary);
    std::string crlf;  // its lines as the set-up writes them: CR LF ended
    for (std::string line; std::getline(sample, line);)
        crlf += line.substr(0, line.find('\r')) + "\r\n";
    return crlf;
}

struct Search : ::testing::Test {
    WorkFolder dir;
    EmulatorProgram radios[9];
    Process veloran;

    // Emulator `i` as COM<i+1>, with its own record.
    void start_radio(int i, std::vector<std::string> options = {}) {
        const std::string rec = dir.path + "COM" + std::to_string(i + 1) + ".rec";
        options.insert(options.end(), {"--record", rec});
        ASSERT_TRUE(radios[i].start(dir.path, i + 1, options)) << dir.read("emulator.err");
        radios[i].record_file = rec;
    }
    std::string port(int com) const { return dir.path + "COM" + std::to_string(com); }
    int run(const std::vector<std::string>& options, const Limits& limits = {},
            const Env& env = no_devices) {
        EXPECT_TRUE(veloran.start_veloran(dir.path, options, env, limits));
        return veloran.wait_exit();
    }
    void TearDown() override {
        if (HasFailure())
            std::cerr << "out: " << veloran.out.joined() << "\nerr: " << dir.read("veloran.err")
                      << "\n";
    }
};

TEST_F(Search, NamesTheRadioAmongSilentEchoingGarbledBusyAndOtherModels) {
    start_radio(0, {"--fault", "silent"});
    start_radio(1, {"--id", "0650"});
    start_radio(2);
    start_radio(3, {"--fault", "garbage-only"});
    EchoDevice echo;
    ASSERT_TRUE(echo.pty.link_as(dir.path, 5));
    start_radio(5);
    const int held = ::open(port(6).c_str(), O_RDWR | O_NOCTTY);  // another program holds it
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    std::string list;
    for (int com = 1; com <= 7; ++com) list += (com > 1 ? "," : "") + port(com);

    EXPECT_EQ(run({"--find-radio", "--ports", list}), 0);
    const std::string out = veloran.out.joined();
    for (const auto& [com, line] :
         std::vector<std::pair<int, std::string>>{{1, "no answer"},
                                                  {2, "another model (0650) at 38400 baud"},
                                                  {3, "radio 0840 at 38400 baud"},
                                                  {4, "no answer"},
                                                  {5, "echoes"},
                                                  {6, "busy"},
                                                  {7, "cannot be opened"}})
        EXPECT_NE(out.find(port(com) + ": " + line), std::string::npos) << com;
    EXPECT_EQ(missing_in_order(veloran.out.all(),
                               {"search", "found", "port", "3", "speed", "3", "8", "4", "0", "0"}),
              "");
    EXPECT_EQ(count_of(veloran.out.all(), "found"), 1u);
    // Nothing but the identity question reaches any of them.
    for (int i : {0, 1, 2, 3}) {
        const auto record = radios[i].record();
        EXPECT_FALSE(record.empty()) << i;
        EXPECT_EQ(count_of(record, "ID;"), record.size()) << i << ": " << join(record);
    }
    EXPECT_TRUE(radios[5].record().empty());
    ::close(held);
}

TEST_F(Search, APortWithoutPermissionIsNamedWithTheFix) {
    start_radio(2);
    fs::permissions(dir.path, fs::perms::all, fs::perm_options::add);
    // Root opens every device: the search runs as an unprivileged user.
    EXPECT_EQ(run({"--find-radio", "--ports", port(3)}, Limits{RLIM_INFINITY, true}), 9);
    EXPECT_NE(
        veloran.out.joined().find(port(3) + ": no permission; add yourself to the dialout group"),
        std::string::npos);
    EXPECT_EQ(missing_in_order(veloran.out.all(), {"search", "noradio"}), "");
}

// The set-up without questions: the file it writes, kept or refused, and
// the program started with it.
TEST_F(Search, AcceptedSetUpWritesAFileTheProgramConnectsWith) {
    start_radio(8);
    ASSERT_EQ(run({"--setup", "--accept", "--ports", port(9)}), 0);
    EXPECT_EQ(missing_in_order(veloran.out.all(), {"search", "found", "port", "1", "saved"}), "");
    EXPECT_EQ(dir.read("veloran.cfg"), vlr_sample());
    EXPECT_EQ(fs::read_symlink(port(5)), port(9));
    EXPECT_FALSE(dir.exists("veloran.cfg.bak"));
    Process program;
    ASSERT_TRUE(program.start_veloran(dir.path));
    EXPECT_TRUE(program.out.wait_for("connected"));
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait_exit(), 0);

    // Every other value of an existing file is kept, the old file too.
    const std::string old =
        "COM 12\r\nSpeed 9600\r\nswr 0\r\ntun 2\r\nPowOff 1\r\n10mof +200\r\n6mof -1000\r\n"
        "2mof +600\r\n70mof -7600\r\nPthru  11\r\nDebug 1\r\nNet 0\r\nNetTx 1\r\n";
    dir.write("veloran.cfg", old);
    ASSERT_EQ(run({"--setup", "--accept", "--ports", port(9)}), 0);
    std::string expected = old;
    expected.replace(expected.find("9600"), 4, "38400");
    EXPECT_EQ(dir.read("veloran.cfg"), expected);
    EXPECT_EQ(dir.read("veloran.cfg.bak"), old);
    EXPECT_EQ(fs::read_symlink(port(12)), port(9));

    // A full disk: nothing half written, "not saved".
    dir.write("veloran.cfg", old);
    fs::remove(dir.path + "veloran.cfg.bak");
    EXPECT_EQ(run({"--setup", "--accept", "--ports", port(9)}, Limits{40, false}), 10);
    EXPECT_EQ(count_of(veloran.out.all(), "notsaved"), 1u);
    EXPECT_EQ(dir.read("veloran.cfg"), old);
    // Asking needs the window: without a display nothing is written.
    EXPECT_EQ(run({"--setup", "--ports", port(9)}, {},
                  {{"SDL_AUDIODRIVER", "dummy"},
                   {"SDL_VIDEODRIVER", "x11"},
                   {"DISPLAY", ""},
                   {"WAYLAND_DISPLAY", ""}}),
              8);
    EXPECT_EQ(count_of(veloran.out.all(), "nodisp"), 1u);
    EXPECT_EQ(dir.read("veloran.cfg"), old);
    // No radio: said, and nothing written.
    radios[8].process.signal(SIGTERM);
    radios[8].process.wait_exit();
    EXPECT_EQ(run({"--setup", "--accept", "--ports", port(9)}), 9);
    EXPECT_EQ(count_of(veloran.out.all(), "noradio"), 1u);
    EXPECT_EQ(dir.read("veloran.cfg"), old);
    // A folder where the file belongs: refused as the program refuses it.
    fs::remove(dir.path + "veloran.cfg");
    fs::create_directory(dir.path + "veloran.cfg");
    EXPECT_EQ(run({"--setup", "--accept", "--ports", port(9)}), 3);
}

// The set-up in its window, keyed through the X server: the radio chosen,
// the first setting changed, every other one kept with Enter.
TEST_F(Search, KeyedSetUpInTheWindowWritesTheChangedSetting) {
    if (!installed("Xvfb") || !installed("xdotool"))
        GTEST_SKIP() << "Xvfb and xdotool drive the window";
    XServer x;
    std::string why, window;
    ASSERT_TRUE(x.start(&why)) << why;
    start_radio(2);
    ASSERT_TRUE(veloran.start(
        {built_program("veloran"), "--transcript", "--setup", "--ports", port(3)}, dir.path,
        {{"SDL_VIDEODRIVER", "x11"}, {"SDL_AUDIODRIVER", "dummy"}, {"DISPLAY", x.display()}},
        dir.path + "veloran.err"));
    const Env display = {{"DISPLAY", x.display()}};
    ASSERT_TRUE(veloran.out.wait_for("choose"));
    ASSERT_TRUE(eventually([&] {
        std::string out;
        return run_tool({"xdotool", "search", "--name", "Veloran set-up"}, display, &out) == 0 &&
               !(window = out.substr(0, out.find('\n'))).empty();
    }));
    ASSERT_EQ(run_tool({"xdotool", "windowfocus", "--sync", window}, display), 0);
    std::vector<std::string> keys = {"xdotool", "key", "--delay", "40", "Return", "Right"};
    keys.insert(keys.end(), 13, "Return");
    ASSERT_EQ(run_tool(keys, display), 0);
    EXPECT_EQ(veloran.wait_exit(), 0);
    EXPECT_EQ(missing_in_order(veloran.out.all(), {"choose", "setuphelp", "swr", "on", "swr", "off",
                                                   "tuner", "saved"}),
              "");
    std::string expected = vlr_sample();
    expected.replace(expected.find("swr 1"), 5, "swr 0");
    EXPECT_EQ(dir.read("veloran.cfg"), expected);
}

}  // namespace
