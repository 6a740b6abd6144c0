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

// Start-ups that cannot go on end by themselves: the words heard (`whole`:
// the whole transcript, else in that order), the reason on standard error,
// the status, the radio's record, and whether the memory banks were saved.
TEST(Ending, EachStartThatCannotGoOnSaysWhyAndEndsWithAStatusOfItsOwn) {
    const Env no_display = {{"SDL_AUDIODRIVER", "dummy"}, {"SDL_VIDEODRIVER", "x11"},
                            {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
    auto radio = [](const Config& c, std::vector<std::string> options) {
        return [c, options](Session& r) {
            r.dir.write_config(c);
            ASSERT_TRUE(r.radio.start(r.dir.path, 1, options));
        };
    };
    int lock = -1;
    const struct {
        const char* name;
        std::function<void(Session&)> setup;
        std::vector<std::string> words;
        bool whole;
        int status;
        const char* error;
        std::vector<std::string> record;
        bool saves = false, unprivileged = false;
        Env env = no_devices;
    } rows[] = {
        {"no configuration", [](Session& r) { fs::remove(r.dir.path + "veloran.cfg"); },
         {"vlr.wav", "3.wav", "point", "5", "cfgnf", "cfgsetup"}, true, 0, "veloran --setup"},
        {"rejected configuration", radio(Config{.line3 = "pow 1"}, {}),
         {"vlr.wav", "3.wav", "point", "5", "wrong", "conf"}, true, 0, ""},
        // With power off on exit the pause after PS0 is the last word.
        {"wrong radio", radio(Config{.power_off = 1, .line3 = ""}, {"--id", "0650"}),
         {"5", "delay", "rnvlr.wav", "delay"}, false, 0, "", {"VS0;", "ID;", "PS0;"}, true},
        {"silent radio", radio(Config{}, {"--fault", "silent"}), {"5", "rnvlr.wav"}, false, 0, "",
         {"VS0;", "ID;"}, true},
        {"no device", [](Session& r) { fs::create_symlink(r.dir.path + "nothing", r.dir.path + "COM1"); },
         {"5", "rnvlr.wav"}, false, 0, "", {}, true},
        {"cfgdir", [](Session& r) {
             fs::remove(r.dir.path + "veloran.cfg"), fs::create_directory(r.dir.path + "veloran.cfg");
         }, {"cfgdir"}, false, 3, "is a folder"},
        {"cfgperm", [](Session& r) { fs::permissions(r.dir.path + "veloran.cfg", fs::perms::none); },
         {"cfgperm"}, false, 4, "cannot be read", {}, false, true},
        {"noperm", [](Session& r) {
             ASSERT_TRUE(r.radio.start(r.dir.path, 1));
             fs::permissions(r.dir.path + "COM1", fs::perms::none);
         }, {"noperm"}, false, 5, "no permission", {}, false, true},
        {"portbusy", [&lock](Session& r) {
             ASSERT_TRUE(r.radio.start(r.dir.path, 1));
             lock = ::open((r.dir.path + "COM1").c_str(), O_RDWR | O_NOCTTY);
             ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
         }, {"portbusy"}, false, 6, "in use by another program"},
        {"notser", [](Session& r) { r.dir.write("COM1", "a file"); }, {"notser"}, false, 7,
         "not a serial device"},
        {"nodisp", [](Session&) {}, {"nodisp"}, false, 8, "no display", {}, false, false, no_display},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Session run;
        row.setup(run);
        fs::permissions(run.dir.path, fs::perms::all, fs::perm_options::add);
        // Permissions do not stop root: those rows run the program as nobody.
        ASSERT_TRUE(run.veloran.start_veloran(run.dir.path, {}, row.env,
                                              Limits{RLIM_INFINITY, row.unprivileged}));
        EXPECT_EQ(run.veloran.wait_exit(), row.status);
        const auto words = run.veloran.out.all();
        if (row.whole) EXPECT_EQ(words, row.words);
        EXPECT_EQ(missing_in_order(words, row.words), "");
        if (row.status) EXPECT_EQ(count_of(words, row.words[0]), 1u);
        EXPECT_EQ(count_of(words, "connected"), 0u);
        if (*row.error) EXPECT_NE(run.dir.read("veloran.err").find(row.error), std::string::npos);
        if (!row.record.empty()) {
            EXPECT_TRUE(eventually([&] { return missing_in_order(run.radio.record(), row.record).empty(); }))
                << join(run.radio.record());
            EXPECT_EQ(count_of(run.radio.record(), "EX0307030;"), 0u) << "no read-back";
            EXPECT_EQ(count_of(run.radio.record(), "PS0;"), count_of(row.record, "PS0;"));
            if (count_of(row.record, "PS0;")) EXPECT_EQ(words.back(), "delay");
        } else {
            EXPECT_EQ(join(run.radio.record()), "") << "nothing sent";
        }
        bool clean = false;
        if (row.saves) EXPECT_EQ(run.dir.crlf_lines("savmem.dat", &clean).size(), 115u);
        if (row.saves) EXPECT_TRUE(clean);
        if (!row.status && !row.saves) EXPECT_FALSE(run.dir.exists("savmem.dat"));
        if (lock >= 0) ::close(lock), lock = -1;
    }
}

}  // namespace
