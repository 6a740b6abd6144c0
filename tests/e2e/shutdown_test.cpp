// The real program against the emulator, ended every way it can end: the
// radio is never left keyed, the band rows are saved, and a start that cannot
// work says why, on standard error too, and ends with a status of its own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>

#include "tests/platform/wave_maker.hpp"
#include "tests/support/e2e_harness.hpp"

using namespace vlr::e2e;
namespace fs = std::filesystem;

namespace {

// One run: a working folder whose pass-through port is COM2, the emulator as
// COM1, the program.
struct Session {
    WorkFolder dir;
    EmulatorProgram radio;
    Process veloran;
    int client = -1;

    Session() { dir.write_config(Config{.passthru = 2, .debug = 0}); }
    ~Session() {
        if (client >= 0) ::close(client);
        if (::testing::Test::HasFailure())
            std::cerr << "transcript: " << veloran.out.joined()
                      << "\nstderr: " << dir.read("veloran.err")
                      << "\nradio: " << join(radio.record()) << "\n";
    }
    void start_connected(const Env& env = no_devices) {
        ASSERT_TRUE(radio.start(dir.path, 1)) << dir.read("emulator.err");
        ASSERT_TRUE(veloran.start_veloran(dir.path, {}, env));
        ASSERT_TRUE(veloran.out.wait_for("connected"));
    }
    // A client program on the pass-through port keys the transmitter.
    void key_from_client() {
        ASSERT_TRUE(eventually([&] { return fs::exists(dir.path + "COM2-client"); }));
        client = ::open((dir.path + "COM2-client").c_str(), O_RDWR | O_NOCTTY);
        ASSERT_EQ(::write(client, "TX1;", 4), 4);
        ASSERT_TRUE(eventually([&] { return count_of(radio.record(), "TX1;") == 1; }));
    }
    bool unkeyed_last() const {
        return eventually([&] {
            auto record = radio.record();
            return !record.empty() && record.back() == "TX0;";
        });
    }
};

TEST(Ending, EveryEndUnkeysTheClientsTransmitterFirst) {
    XServer x;  // an X server of its own, for the row that takes it away
    std::string why;
    const bool xvfb = installed("Xvfb") && x.start(&why);
    for (int number : {SIGTERM, SIGINT, SIGHUP, 0}) {
        SCOPED_TRACE(number ? ::strsignal(number) : "display lost");
        if (!number && !xvfb) continue;
        Session run;
        run.start_connected(number ? no_devices
                                   : Env{{"SDL_AUDIODRIVER", "dummy"},
                                         {"SDL_VIDEODRIVER", "x11"},
                                         {"DISPLAY", x.display()}});
        run.key_from_client();
        number ? run.veloran.signal(number) : x.stop();
        const int status = run.veloran.wait_exit();
        EXPECT_TRUE(run.unkeyed_last());
        if (!number) continue;  // Xlib ends the program there and then
        EXPECT_EQ(status, 0);
        EXPECT_EQ(run.dir.crlf_lines("savmem.dat").size(), 115u);
    }
}

TEST(Ending, AClosedStandardOutputDoesNotEndIt) {
    Session run;
    ASSERT_TRUE(run.radio.start(run.dir.path, 1));
    ASSERT_TRUE(run.veloran.start({"bash", "-c", "set -o pipefail; \"$0\" --transcript | head -n 3",
                                   built_program("veloran")},
                                  run.dir.path, no_devices));
    EXPECT_TRUE(eventually([&] { return count_of(run.radio.record(), "SM0;") >= 3; }))
        << "it reads the radio back and polls";
    // What is left of the pipeline is the program.
    const std::string shell = std::to_string(run.veloran.pid());
    std::vector<pid_t> children;
    ASSERT_TRUE(eventually([&] {
        std::ifstream list("/proc/" + shell + "/task/" + shell + "/children");
        children.assign(std::istream_iterator<pid_t>(list), {});
        return children.size() == 1;
    }));
    ::kill(children[0], SIGTERM);
    EXPECT_EQ(run.veloran.wait_exit(), 0);
    EXPECT_EQ(run.veloran.out.all(), (std::vector<std::string>{"vlr.wav", "3.wav", "point"}));
    EXPECT_EQ(run.dir.crlf_lines("savmem.dat").size(), 115u);
}

TEST(Ending, ASignalIsHeardWhileAHoursLongWordPlays) {
    Session run;
    // The words as rendered, but "connected" recorded at 1 Hz: 10,000
    // samples would play for almost three hours.
    const std::string words = run.dir.path + "wave/";
    fs::remove(run.dir.path + "wave");
    fs::create_directory(words);
    for (const auto& file : fs::directory_iterator(wave_folder()))
        fs::create_symlink(file.path(), words + file.path().filename().string());
    fs::remove(words + "connected.wav");
    vlr::test::write_wave(words + "connected.wav", std::vector<int16_t>(10000, 1000), 1);
    run.start_connected();
    run.veloran.signal(SIGTERM);
    EXPECT_EQ(run.veloran.wait_exit(), 0);
    EXPECT_EQ(run.dir.crlf_lines("savmem.dat").size(), 115u);
}

TEST(Ending, EachStartFailureSaysWhyAndEndsWithAStatusOfItsOwn) {
    const Env no_display = {{"SDL_AUDIODRIVER", "dummy"}, {"SDL_VIDEODRIVER", "x11"},
                            {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
    int lock = -1;
    const struct {
        const char* word;
        int status;
        const char* error;
        bool unprivileged;
        std::function<void(Session&)> setup;
        Env env = no_devices;
    } rows[] = {
        {"cfgdir", 3, "is a folder", false,
         [](Session& r) {
             fs::remove(r.dir.path + "veloran.cfg"),
                 fs::create_directory(r.dir.path + "veloran.cfg");
         }},
        {"cfgperm", 4, "cannot be read", true,
         [](Session& r) { fs::permissions(r.dir.path + "veloran.cfg", fs::perms::none); }},
        {"noperm", 5, "no permission", true,
         [](Session& r) {
             ASSERT_TRUE(r.radio.start(r.dir.path, 1));
             fs::permissions(r.dir.path + "COM1", fs::perms::none);
         }},
        {"portbusy", 6, "in use by another program", false,
         [&lock](Session& r) {
             ASSERT_TRUE(r.radio.start(r.dir.path, 1));
             lock = ::open((r.dir.path + "COM1").c_str(), O_RDWR | O_NOCTTY);
             ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
         }},
        {"notser", 7, "not a serial device", false,
         [](Session& r) { r.dir.write("COM1", "a file"); }},
        {"nodisp", 8, "no display", false, [](Session&) {}, no_display},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.word);
        Session run;
        row.setup(run);
        fs::permissions(run.dir.path, fs::perms::all, fs::perm_options::add);
        // Permissions do not stop root: those rows run the program as nobody.
        ASSERT_TRUE(run.veloran.start_veloran(run.dir.path, {}, row.env,
                                              Limits{RLIM_INFINITY, row.unprivileged}));
        EXPECT_EQ(run.veloran.wait_exit(), row.status);
        EXPECT_EQ(count_of(run.veloran.out.all(), row.word), 1u);
        EXPECT_NE(run.dir.read("veloran.err").find(row.error), std::string::npos);
        if (lock >= 0) ::close(lock), lock = -1;
    }
}

}  // namespace
