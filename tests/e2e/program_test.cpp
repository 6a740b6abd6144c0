// The veloran program as the operator starts it: its own process, a working
// folder with veloran.cfg and the words, the radio on a pseudo-terminal linked
// as the COM port. What it says comes back through --transcript.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>

#include "emulator/pty_radio.hpp"
#include "tests/support/e2e_harness.hpp"

using namespace vlr;
using namespace vlr::e2e;

namespace {

const std::vector<std::string> greeting = {"vlr.wav", "3.wav", "point", "5"};

class Program : public ::testing::Test {
protected:
    WorkFolder dir;
    Process veloran;

    void SetUp() override {
        std::string why;
        wave_folder(&why);
        ASSERT_TRUE(dir.has_words) << why;
    }

    // The program with its words on the transcript, no sound card and no
    // display needed.
    void start(const std::vector<std::string>& options = {"--transcript"}) {
        std::vector<std::string> argv = {built_program("veloran")};
        argv.insert(argv.end(), options.begin(), options.end());
        ASSERT_TRUE(veloran.start(argv, dir.path,
                                  {{"SDL_AUDIODRIVER", "dummy"}, {"SDL_VIDEODRIVER", "dummy"}},
                                  dir.path + "veloran.err"))
            << argv[0];
    }

    std::string said() const { return veloran.out.joined(); }
    std::string diagnostics() const {
        return "\ntranscript: " + said() + "\nstderr: " + dir.read("veloran.err");
    }

    // savmem.dat as the shutdown leaves it: 115 lines, each ended by CR LF,
    // under the current header.
    void expect_memory_file_saved() {
        ASSERT_TRUE(dir.exists("savmem.dat")) << diagnostics();
        bool clean = false;
        auto lines = dir.crlf_lines("savmem.dat", &clean);
        EXPECT_TRUE(clean) << "every line ends in CR LF";
        ASSERT_EQ(lines.size(), 115u);
        EXPECT_EQ(lines[0].substr(0, 18), "VELORAN v3.5b 3.5c");
        ASSERT_TRUE(dir.exists("memory.txt"));
        EXPECT_EQ(dir.read("memory.txt").rfind("Memory Bank Information\r\n", 0), 0u);
    }
};

TEST_F(Program, WithoutConfigurationGreetsSaysNotFoundAndEnds) {
    start();
    EXPECT_EQ(veloran.wait_exit(), 0) << diagnostics();
    EXPECT_EQ(said(), "vlr.wav 3.wav point 5 cfgnf");
    EXPECT_FALSE(dir.exists("savmem.dat")) << "nothing is prepared without a configuration";
}

TEST_F(Program, RejectedConfigurationSaysWrongConfAndNeverTouchesTheRadio) {
    Config config;
    config.line3 = "pow 1";
    dir.write_config(config);
    emu::PtyRadio radio;
    ASSERT_TRUE(radio.ok() && radio.link_com(dir.path, 1));

    start();
    EXPECT_EQ(veloran.wait_exit(), 0) << diagnostics();
    EXPECT_EQ(said(), "vlr.wav 3.wav point 5 wrong conf");
    EXPECT_TRUE(radio.record().empty()) << join(radio.record());
    EXPECT_FALSE(dir.exists("savmem.dat")) << "the rejected start ends before the memory banks";
}

TEST_F(Program, StartsReadsBackPollsAndSavesOnSigterm) {
    dir.write_config(Config{});
    emu::PtyRadio radio;
    ASSERT_TRUE(radio.ok() && radio.link_com(dir.path, 1));

    start();
    auto connected = veloran.out.wait_for("connected");
    ASSERT_TRUE(connected) << diagnostics();
    auto words = veloran.out.all();
    EXPECT_EQ(std::vector<std::string>(words.begin(), words.begin() + 4), greeting);
    EXPECT_EQ(missing_in_order(words, {"40", "metres", "7", "point", "1", "mhz", "lsb.wav",
                                       "preamp", "off", "connected"}),
              "")
        << said();
    ASSERT_GE(*connected, 7u);
    EXPECT_EQ(join(std::vector<std::string>(words.begin() + *connected - 7,
                                            words.begin() + *connected + 1)),
              "7 point 1 mhz lsb.wav preamp off connected")
        << "the first frequency reply announces where the program starts";

    // The read-back, whole and in order, before the first poll.
    auto record = radio.record();
    EXPECT_EQ(missing_in_order(
                  record, {"VS0;",   "ID;",   "EX0307030;", "EX0307040;", "BS003;", "FA007100000;",
                           "MD01;",  "RA00;", "NL0000;",    "CO000000;",  "GT0;",   "AG0;",
                           "AG1;",   "ML0;",  "ML1;",       "PC;",        "PR0;",   "AC;",
                           "AC100;", "VX;",   "BI;",        "FA;",        "PA00;"}),
              "")
        << join(record);
    // No poll interleaves with the read-back's queries.
    EXPECT_LT(std::find(record.begin(), record.end(), "BI;"),
              std::find(record.begin(), record.end(), "FA;"));

    // Polling goes on by itself: frequency and S-meter in turn.
    const std::size_t frequency_polls = count_of(record, "FA;");
    const std::size_t meter_polls = count_of(record, "SM0;");
    EXPECT_TRUE(eventually([&] {
        auto now = radio.record();
        return count_of(now, "FA;") >= frequency_polls + 3 &&
               count_of(now, "SM0;") >= meter_polls + 3;
    })) << join(radio.record());

    veloran.signal(SIGTERM);
    EXPECT_EQ(veloran.wait_exit(), 0) << diagnostics();
    expect_memory_file_saved();
    auto lines = dir.crlf_lines("savmem.dat");
    ASSERT_EQ(lines.size(), 115u);
    EXPECT_EQ(lines[0], "VELORAN v3.5b 3.5c 40") << "band 4, noise reduction off";
    EXPECT_EQ(lines[4], "01A007100000B0071000009990") << "the 40 m row as the radio reported it";
    EXPECT_EQ(lines[15], "9") << "channels stay empty";
    EXPECT_NE(dir.read("memory.txt").find("Empty"), std::string::npos);
    EXPECT_EQ(count_of(radio.record(), "PS0;"), 0u) << "PowOff 0 leaves the radio on";
}

TEST_F(Program, PowerOffOnExitSendsPs0Last) {
    Config config;
    config.power_off = 1;
    dir.write_config(config);
    EmulatorProgram radio;
    ASSERT_TRUE(radio.start(dir.path, 1)) << dir.read("emulator.err");

    start();
    ASSERT_TRUE(veloran.out.wait_for("connected")) << diagnostics();
    veloran.signal(SIGTERM);
    EXPECT_EQ(veloran.wait_exit(), 0) << diagnostics();
    // The emulator writes each command to its record as it reads it.
    EXPECT_TRUE(eventually([&] {
        auto record = radio.record();
        return !record.empty() && record.back() == "PS0;";
    })) << join(radio.record());
    EXPECT_EQ(count_of(radio.record(), "PS0;"), 1u);
    expect_memory_file_saved();
    radio.stop();
}

TEST_F(Program, WrongRadioIsRefusedAndTheProgramEndsItself) {
    Config config;
    config.power_off = 1;
    dir.write_config(config);
    emu::PtyRadio radio(emu::RadioModel(emu::Variant::watts100, "0650"));
    ASSERT_TRUE(radio.ok() && radio.link_com(dir.path, 1));

    start();
    EXPECT_EQ(veloran.wait_exit(), 0) << diagnostics();
    auto words = veloran.out.all();
    EXPECT_EQ(missing_in_order(words, {"5", "delay", "rnvlr.wav"}), "") << said();
    EXPECT_EQ(count_of(words, "connected"), 0u);
    EXPECT_EQ(words.back(), "delay") << "the pause after PS0 is the last word";
    EXPECT_TRUE(eventually([&] { return count_of(radio.record(), "PS0;") == 1; }));
    EXPECT_EQ(radio.record(), (std::vector<std::string>{"VS0;", "ID;", "PS0;"}))
        << "nothing of the read-back follows a wrong identity";
    expect_memory_file_saved();
}

TEST_F(Program, SilentRadioIsRefused) {
    dir.write_config(Config{});
    emu::PtyRadio radio;
    ASSERT_TRUE(radio.ok() && radio.link_com(dir.path, 1));
    radio.set_fault(emu::Fault::silent);

    start();
    EXPECT_EQ(veloran.wait_exit(), 0) << diagnostics();
    EXPECT_EQ(missing_in_order(veloran.out.all(), {"rnvlr.wav"}), "") << said();
    EXPECT_EQ(count_of(veloran.out.all(), "connected"), 0u);
    EXPECT_EQ(missing_in_order(radio.record(), {"VS0;", "ID;"}), "");
    EXPECT_EQ(count_of(radio.record(), "EX0307030;"), 0u);
    expect_memory_file_saved();
}

TEST_F(Program, NoRadioDeviceAtAllIsRefused) {
    Config config;
    config.com = 7;
    dir.write_config(config);
    // COM7 leads nowhere: the device the operator named is not plugged in.
    ASSERT_EQ(::symlink((dir.path + "no-such-device").c_str(), (dir.path + "COM7").c_str()), 0);

    start();
    EXPECT_EQ(veloran.wait_exit(), 0) << diagnostics();
    auto words = veloran.out.all();
    EXPECT_EQ(missing_in_order(words, greeting), "");
    EXPECT_EQ(missing_in_order(words, {"rnvlr.wav"}), "") << said();
    EXPECT_EQ(count_of(words, "connected"), 0u);
    expect_memory_file_saved();
}

TEST_F(Program, SimulatedRadioRunsUntilClosed) {
    Config config;
    config.com = 7;  // no device: the simulated radio answers instead
    dir.write_config(config);

    start({"--transcript", "--simulate"});
    ASSERT_TRUE(veloran.out.wait_for("connected")) << diagnostics();
    EXPECT_EQ(count_of(veloran.out.all(), "rnvlr.wav"), 0u);
    // It keeps running on its own until the operator closes it.
    ::usleep(300 * 1000);
    EXPECT_TRUE(veloran.running()) << diagnostics();
    veloran.signal(SIGTERM);
    EXPECT_EQ(veloran.wait_exit(), 0) << diagnostics();
    expect_memory_file_saved();
}

}  // namespace
