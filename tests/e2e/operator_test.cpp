// The operator at the keyboard and rigctl on the pass-through port: the real
// start-up and event loop in this process with SDL's window and speaker
// (dummy drivers), the POSIX serial backend, the emulated radio as COM1. Keys
// go into SDL's queue from a second thread, as the keyboard driver puts them.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "app/startup.hpp"
#include "emulator/pty_radio.hpp"
#include "platform/posix/posix_serial.hpp"
#include "platform/sdl/sdl_platform.hpp"
#include "tests/support/e2e_harness.hpp"

using namespace vlr;
using namespace vlr::e2e;
using namespace std::chrono_literals;

namespace {

// One press and release of the key SDL names `name` ("e", "1", ".", "Return",
// "Up", "F12").
void push_key(const std::string& name) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = SDL_GetKeyFromName(name.c_str());
    event.key.keysym.scancode = SDL_GetScancodeFromName(name.c_str());
    SDL_PushEvent(&event);
    event.type = SDL_KEYUP;
    event.key.state = SDL_RELEASED;
    SDL_PushEvent(&event);
}

std::vector<std::string> keys(const std::string& typed) {  // "e14.25\r"
    std::vector<std::string> out;
    for (char ch : typed) out.push_back(ch == '\r' ? "Return" : std::string(1, ch));
    return out;
}

struct Operator : ::testing::Test {
    WorkFolder dir;
    emu::PtyRadio radio;
    Lines words;
    LinesBuffer buffer{words};
    std::ostream transcript{&buffer};
    std::unique_ptr<Context> c = std::make_unique<Context>();
    std::atomic<bool> finished{false};
    std::filesystem::path old_folder = std::filesystem::current_path();

    void SetUp() override {
        ASSERT_TRUE(dir.has_words) << dir.why;
        ::setenv("SDL_AUDIODRIVER", "dummy", 0);
        ::setenv("SDL_VIDEODRIVER", "dummy", 0);
        ASSERT_TRUE(radio.link_com(dir.path, 1));
        std::filesystem::current_path(dir.path);  // the words play from "wave/" beside the files
    }
    void TearDown() override { std::filesystem::current_path(old_folder); }

    // Runs the program with `config` while `session` operates it on another
    // thread; makes sure it ends (quit key, else a close request). Its exit code.
    int run(const Config& config, const std::function<void()>& session) {
        dir.write_config(config);
        auto window = platform::make_sdl_window();
        auto speaker = platform::make_sdl_speaker();
        auto serial = platform::make_posix_serial(dir.path);
        c->paths.work_dir = dir.path;
        c->window = window.get();
        c->speaker = speaker.get();
        c->serial = serial.get();
        c->transcript = &transcript;
        std::thread operator_thread([&] {
            session();
            if (!finished) push_key("q");
            if (eventually([&] { return finished.load(); })) return;
            ADD_FAILURE() << "the quit key did not end the program";
            SDL_Event close{};
            close.type = SDL_QUIT;
            SDL_PushEvent(&close);
        });
        const int code = run_program(*c);
        finished = true;
        operator_thread.join();
        return code;
    }

    std::vector<std::string> commands() const { return radio.record(); }
    // Waits for `n` more frequency polls, so the answers to earlier ones are in.
    bool polls(std::size_t n) {
        const std::size_t before = count_of(commands(), "FA;");
        bool ok = eventually([&] { return count_of(commands(), "FA;") >= before + n; });
        EXPECT_TRUE(ok) << "polling stopped: " << join(commands());
        return ok;
    }
    // Presses `keys`; waits until `expected` was said and `sent` received, each in order.
    bool operate(const std::vector<std::string>& keys, const std::vector<std::string>& expected,
                 const std::vector<std::string>& sent = {}) {
        const std::size_t said_before = words.size(), sent_before = commands().size();
        for (const auto& k : keys) push_key(k);
        bool heard = eventually(
            [&] { return missing_in_order(words.all(), expected, said_before).empty(); });
        EXPECT_TRUE(heard) << "expected " << join(expected) << "\nheard "
                           << words.joined(said_before);
        bool got =
            eventually([&] { return missing_in_order(commands(), sent, sent_before).empty(); });
        EXPECT_TRUE(got) << "expected " << join(sent) << "\nreceived "
                         << join(commands(), sent_before);
        return heard && got;
    }
    // F says frequency and mode. It is ignored on the one tick in 21 at which
    // the tick count wraps to 0: an operator who hears nothing presses again.
    bool read_frequency(const std::vector<std::string>& expected) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const std::size_t before = words.size();
            push_key("f");
            if (words.wait_for_run(expected, before, 8s)) return true;
        }
        ADD_FAILURE() << "F never said " << join(expected) << "\nheard " << words.joined();
        return false;
    }
    long long radio_frequency() {
        return radio.with_model([](emu::RadioModel& m) { return m.frequency_a(); });
    }
};

TEST_F(Operator, KeysFromStartToQuit) {
    std::size_t before_quit = 0;
    const int code = run(Config{}, [&] {
        // A key pressed while the program starts waits in the queue and is
        // handled before the radio has answered a poll: "nc".
        ASSERT_TRUE(words.wait_for("vlr.wav")) << words.joined();
        push_key("f");
        auto connected = words.wait_for("connected");
        ASSERT_TRUE(connected) << words.joined();
        auto nc = words.wait_for("nc", 0, 0ms);
        ASSERT_TRUE(nc && *nc < *connected) << words.joined();
        ASSERT_TRUE(polls(2));
        ASSERT_TRUE(read_frequency({"7", "point", "1", "mhz", "lsb.wav"}));
        ASSERT_TRUE(operate(keys("e14.25\r"), {"EF", "1", "4", "point", "2", "5", "ok"},
                            {"BS005;", "MD02;", "FA014250000;", "PA01;"}));
        EXPECT_TRUE(eventually([&] { return radio_frequency() == 14'250'000; }))
            << radio_frequency();
        ASSERT_TRUE(polls(2));
        // Band select, then the arrows step the band.
        ASSERT_TRUE(operate({"b"}, {"band", "20", "metres"}));
        ASSERT_TRUE(operate({"Up"}, {"17", "metres"}, {"BS006;", "FA018100000;"}));
        ASSERT_TRUE(operate({"Down"}, {"20", "metres"}, {"BS005;", "FA014250000;"}));
        ASSERT_TRUE(polls(2));
        // Store channel 2 of bank 1: the memory files have it at once.
        ASSERT_TRUE(operate(keys("cb12"), {"sch", "bank", "1", "channel", "2", "ok"}));
        auto lines = dir.crlf_lines("savmem.dat");
        ASSERT_EQ(lines.size(), 115u);
        EXPECT_EQ(lines[16 + 12 - 1], "0206A014250000B0142500009991")
            << "plain channel, USB, 20 m, 14.25 MHz on both VFOs, no tone, preamp 1";
        EXPECT_NE(dir.read("memory.txt").find("Bank1\r\nSlot 2 A=14.25  B=14.25  USB"),
                  std::string::npos);
        // Recall it: the channel goes to the radio and is announced.
        ASSERT_TRUE(operate(
            keys("gb12"), {"gch", "bank", "1", "channel", "2", "20", "metres", "preamp", "1", "on"},
            {"ST0;", "BS005;", "FA014250000;", "MD02;", "CT00;", "PA01;"}));
        // A function key through SDL: announced, sent, and taken by the radio.
        ASSERT_TRUE(operate({"F4"}, {"nr", "on"}, {"RL004;"}));
        EXPECT_EQ(radio.with_model([](emu::RadioModel& m) { return m.setting("RL0"); }), 4);
        // Quit: receive is made sure of, and the program ends by itself after
        // the radio has answered two more frequency polls.
        before_quit = commands().size();
        ASSERT_TRUE(operate({"q"}, {"quit"}, {"TX0;"}));
        ASSERT_TRUE(eventually([&] { return finished.load(); })) << words.joined();
    });
    EXPECT_EQ(code, 0);
    auto after = commands();
    auto tx0 = std::find(after.begin() + static_cast<long>(before_quit), after.end(), "TX0;");
    ASSERT_NE(tx0, after.end());
    // Two frequency replies after the quit key: the first may answer a poll sent just before it.
    auto last_poll = std::find(std::make_reverse_iterator(tx0), after.rend(), "FA;");
    ASSERT_NE(last_poll, after.rend());
    EXPECT_GE(std::count(last_poll.base() - 1, after.end(), "FA;"), 2) << join(after, before_quit);
    EXPECT_GE(std::count(tx0, after.end(), "FA;"), 1) << "the quit waits for the radio";
    EXPECT_EQ(count_of(after, "PS0;"), 0u) << "PowOff 0 leaves the radio on";
    auto lines = dir.crlf_lines("savmem.dat");
    ASSERT_EQ(lines.size(), 115u);
    EXPECT_EQ(lines[0], "VELORAN v3.5b 3.5c 61") << "band 6 (20 m), noise reduction on (F4)";
    EXPECT_EQ(lines[16 + 12 - 1], c->st.memory_channels[12]);
    EXPECT_EQ(lines[6], c->st.band_table[6]);
}

// A radio that refuses the speech processor: F7 says so after its words and,
// the record put back, tries the same on the next press. Taken, nothing ever
// says "refused" while keys and the poll go on (VELORAN_SOAK_SECONDS long).
TEST_F(Operator, ARefusalIsHeardAfterTheKeysWordsAndNeverWhenTheRadioTakesAll) {
    const char* soak = std::getenv("VELORAN_SOAK_SECONDS");
    const auto length = std::chrono::seconds(soak ? std::atoi(soak) : 4);
    radio.with_model([](emu::RadioModel& m) { m.refuse_sets({"PR"}); });
    const int code = run(Config{}, [&] {
        ASSERT_TRUE(words.wait_for("connected")) << words.joined();
        ASSERT_TRUE(polls(2));
        for (int press = 0; press < 2; ++press)
            ASSERT_TRUE(operate({"F7"}, {"spc", "on", "refused"}, {"PR01;", "PL;"}));
        EXPECT_EQ(radio.with_model([](emu::RadioModel& m) { return m.setting("PR0"); }), 0);
        radio.with_model([](emu::RadioModel& m) { m.refuse_sets({}); });
        ASSERT_TRUE(operate({"F7"}, {"spc", "on"}, {"PR01;"}));
        const auto end = std::chrono::steady_clock::now() + length;
        for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
            static const char* const keys[] = {"F7", "F9", "F6", "F12", "F5", "F2", "Up", "z", "F1"};
            push_key(keys[i % std::size(keys)]);
            ASSERT_TRUE(polls(1));
        }
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(count_of(words.all(), "refused"), 2u) << words.joined();
}

// A channel list imported from the command line: recalled by keys it tunes the
// radio and is announced; an import while the program runs is refused.
TEST_F(Operator, AnImportedRepeaterIsRecalledByKeys) {
    dir.write("list.csv", "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,Mode\n"
                          "5,Rpt,145.650000,-,0.600000,Tone,88.5,88.5,023,NN,FM\n");
    const std::vector<std::string> import = {built_program("veloran"), "--import-channels", "list.csv"};
    ASSERT_EQ(run_tool(import, {}), 0);
    const int code = run(Config{}, [&] {
        ASSERT_TRUE(words.wait_for("connected")) << words.joined();
        ASSERT_TRUE(operate(keys("gb05"),
                            {"gch", "bank", "0", "channel", "5", "2", "metres", "repeater", "on", "ctcss", "0", "0", "8"},
                            {"BS015;", "FA145650000;", "MD04;", "EX0103180012;", "OS02;", "CN00008;", "CT01;"}));
        EXPECT_TRUE(eventually([&] { return radio_frequency() == 145'650'000; })) << radio_frequency();
        const std::string saved = dir.read("savmem.dat");
        EXPECT_EQ(run_tool(import, {}), 23);
        EXPECT_EQ(dir.read("savmem.dat"), saved);
    });
    EXPECT_EQ(code, 0);
}

// rigctl reads and sets frequency and mode with Hamlib's own commands for the
// radio; the radio ends up where rigctl put it, and Veloran's state and
// speech follow.
TEST_F(Operator, RigctlThroughThePassThroughPort) {
    if (!installed("rigctl")) GTEST_SKIP() << "rigctl (libhamlib-utils) is not installed";
    const std::string client = dir.path + "COM2-client";
    auto rigctl = [&](const std::vector<std::string>& args) {
        // Once only the program's own polls have reached the radio for eight
        // of them, no answer of an earlier run can reach this one.
        EXPECT_TRUE(eventually([&] {
            const auto record = commands();
            return std::find_if(record.rbegin(), record.rend(), [](const std::string& c) {
                       return c != "FA;" && c != "SM0;" && c != "RM6;";
                   }) - record.rbegin() >= 8;
        })) << "the pass-through never went quiet";
        std::vector<std::string> argv = {"rigctl", "-m", "1035", "-r", client, "-s", "38400"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::string out;
        EXPECT_EQ(run_tool(argv, {}, &out), 0) << join(args);
        Lines lines;
        lines.append(out.data(), out.size());
        return join(lines.all());
    };
    const int code = run(Config{.passthru = 2}, [&] {
        ASSERT_TRUE(words.wait_for("connected")) << words.joined();
        ASSERT_TRUE(eventually([&] { return std::filesystem::is_symlink(client); })) << "no " << client;
        EXPECT_EQ(rigctl({"f"}), "7100000");
        // Hamlib asks "IF;" first and takes the width of the frequency field
        // from the answer: only the radio's own nine digits work.
        rigctl({"F", "14250000"});
        EXPECT_TRUE(eventually([&] { return radio_frequency() == 14'250'000; })) << radio_frequency();
        EXPECT_EQ(rigctl({"f"}), "14250000");
        EXPECT_EQ(rigctl({"m"}).substr(0, 4), "LSB ");
        rigctl({"M", "USB", "2400"});
        EXPECT_TRUE(eventually([&] { return radio.with_model([](emu::RadioModel& m) { return m.mode(); }) == '2'; }));
        EXPECT_EQ(rigctl({"m"}), "USB 2400");
        read_frequency({"1", "4", "point", "2", "5", "mhz", "usb.wav"});
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(c->st.vfo_frequency, 14'250'000);
    EXPECT_EQ(c->st.mode_code, 2);
    EXPECT_FALSE(std::filesystem::is_symlink(client)) << "the client's end goes with the port";
}

}  // namespace
