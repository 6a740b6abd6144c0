// The operator at the keyboard, end to end: the real start-up and event loop
// in this process with the SDL window and speaker (dummy drivers), the POSIX
// serial backend on a pseudo-terminal, and the emulated radio behind it. Key
// presses go into SDL's event queue from a second thread, as the keyboard
// driver would put them there; the program's own thread handles them.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <ostream>

#include "app/startup.hpp"
#include "emulator/pty_radio.hpp"
#include "platform/posix/posix_serial.hpp"
#include "platform/sdl/sdl_platform.hpp"
#include "tests/support/e2e_harness.hpp"

using namespace vlr;
using namespace vlr::e2e;
using namespace std::chrono_literals;

namespace {

struct Key {
    SDL_Keycode sym;
    SDL_Scancode scancode;
};

Key letter(char ch) {
    return {SDLK_a + (ch - 'a'), static_cast<SDL_Scancode>(SDL_SCANCODE_A + (ch - 'a'))};
}

Key digit(char ch) {
    if (ch == '0') return {SDLK_0, SDL_SCANCODE_0};
    return {SDLK_1 + (ch - '1'), static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (ch - '1'))};
}

Key function_key(int n) {
    return {SDLK_F1 + (n - 1), static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + (n - 1))};
}

const Key up{SDLK_UP, SDL_SCANCODE_UP};
const Key down{SDLK_DOWN, SDL_SCANCODE_DOWN};

// "e14.25\r": letters, digits, point and Enter as the keys that type them.
std::vector<Key> keys_of(const std::string& typed) {
    std::vector<Key> keys;
    for (char ch : typed) {
        if (ch >= 'a' && ch <= 'z') keys.push_back(letter(ch));
        if (ch >= '0' && ch <= '9') keys.push_back(digit(ch));
        if (ch == '.') keys.push_back({SDLK_PERIOD, SDL_SCANCODE_PERIOD});
        if (ch == '\r') keys.push_back({SDLK_RETURN, SDL_SCANCODE_RETURN});
    }
    return keys;
}

// At most `count` items from `from` on, for readable failure messages.
std::vector<std::string> first(const std::vector<std::string>& v, std::size_t from,
                               std::size_t count) {
    from = std::min(from, v.size());
    return {v.begin() + static_cast<std::ptrdiff_t>(from),
            v.begin() + static_cast<std::ptrdiff_t>(std::min(v.size(), from + count))};
}

// One press and release, queued for the program's thread.
void push_key(Key key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key.sym;
    event.key.keysym.scancode = key.scancode;
    SDL_PushEvent(&event);
    event.type = SDL_KEYUP;
    event.key.state = SDL_RELEASED;
    SDL_PushEvent(&event);
}

class KeysEndToEnd : public ::testing::Test {
protected:
    WorkFolder dir;
    emu::PtyRadio radio;
    Lines words;
    LinesBuffer buffer{words};
    std::ostream transcript{&buffer};
    std::unique_ptr<Context> c = std::make_unique<Context>();
    std::atomic<bool> finished{false};
    std::filesystem::path old_folder;

    void SetUp() override {
        std::string why;
        wave_folder(&why);
        ASSERT_TRUE(dir.has_words) << why;
        ::setenv("SDL_AUDIODRIVER", "dummy", 0);
        ::setenv("SDL_VIDEODRIVER", "dummy", 0);
        dir.write_config(Config{});
        ASSERT_TRUE(radio.ok() && radio.link_com(dir.path, 1));
        // The words are played from "wave/" beside the program's files.
        old_folder = std::filesystem::current_path();
        std::filesystem::current_path(dir.path);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::current_path(old_folder, ec);
    }

    std::string said(std::size_t from = 0) const { return words.joined(from); }
    std::vector<std::string> commands() const { return radio.record(); }

    // Waits until the radio has been polled `n` more times for its frequency,
    // so that the answers to the earlier polls have been taken in.
    bool polls(std::size_t n) {
        const std::size_t before = count_of(commands(), "FA;");
        bool ok = eventually([&] { return count_of(commands(), "FA;") >= before + n; });
        EXPECT_TRUE(ok) << "polling stopped: " << join(commands());
        return ok;
    }

    // Types `keys` and waits until the words `expected` have been said in
    // that order and the radio has received `sent` in that order.
    bool operate(const std::vector<Key>& keys, const std::vector<std::string>& expected,
                 const std::vector<std::string>& sent = {}) {
        const std::size_t said_before = words.size(), sent_before = commands().size();
        for (Key k : keys) push_key(k);
        bool heard = eventually(
            [&] { return missing_in_order(words.all(), expected, said_before).empty(); });
        EXPECT_TRUE(heard) << "expected " << join(expected) << "\nheard " << said(said_before);
        bool received =
            eventually([&] { return missing_in_order(commands(), sent, sent_before).empty(); });
        EXPECT_TRUE(received) << "expected " << join(sent) << "\nreceived "
                              << join(first(commands(), sent_before, 40));
        return heard && received;
    }

    // F is ignored on the one tick in 21 at which the tick count wraps to 0;
    // an operator who hears nothing presses it again.
    bool read_frequency(const std::vector<std::string>& expected) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const std::size_t before = words.size();
            push_key(letter('f'));
            if (words.wait_for_run(expected, before, 8s)) return true;
        }
        ADD_FAILURE() << "F never said " << join(expected) << "\nheard " << said();
        return false;
    }

    long long radio_frequency() {
        return radio.with_model([](emu::RadioModel& m) { return m.frequency_a(); });
    }
    std::optional<int> radio_setting(const std::string& head) {
        return radio.with_model([&](emu::RadioModel& m) { return m.setting(head); });
    }

    // The whole session the operator plays; stops at the first step that
    // does not come out as expected.
    void session() {
        // A key pressed while the program starts waits in the queue and is
        // handled before the radio has answered a poll: "nc".
        ASSERT_TRUE(words.wait_for("vlr.wav")) << said();
        push_key(letter('f'));
        auto connected = words.wait_for("connected");
        ASSERT_TRUE(connected) << said();
        auto nc = words.wait_for("nc", 0, 0ms);
        ASSERT_TRUE(nc) << said();
        EXPECT_LT(*nc, *connected);
        ASSERT_TRUE(polls(2));

        // F: where the radio is.
        ASSERT_TRUE(read_frequency({"7", "point", "1", "mhz", "lsb.wav"}));

        // A frequency typed in MHz.
        ASSERT_TRUE(operate(keys_of("e14.25\r"), {"EF", "1", "4", "point", "2", "5", "ok"},
                            {"BS005;", "MD02;", "FA014250000;", "PA01;"}));
        EXPECT_TRUE(eventually([&] { return radio_frequency() == 14'250'000; }))
            << radio_frequency();
        ASSERT_TRUE(polls(2));

        // Band select, then the arrows step the band.
        ASSERT_TRUE(operate(keys_of("b"), {"band", "20", "metres"}));
        ASSERT_TRUE(operate({up}, {"17", "metres"}, {"BS006;", "FA018100000;"}));
        ASSERT_TRUE(operate({down}, {"20", "metres"}, {"BS005;", "FA014250000;"}));
        EXPECT_TRUE(eventually([&] { return radio_frequency() == 14'250'000; }))
            << radio_frequency();
        ASSERT_TRUE(polls(2));

        // Store channel 2 of bank 1: the memory file has it at once.
        ASSERT_TRUE(operate(keys_of("cb12"), {"sch", "bank", "1", "channel", "2", "ok"}));
        auto lines = dir.crlf_lines("savmem.dat");
        ASSERT_EQ(lines.size(), 115u);
        EXPECT_EQ(lines[16 + 12 - 1], "0206A014250000B0142500009991")
            << "plain channel, USB, 20 m, 14.25 MHz on both VFOs, no tone, preamp 1";
        EXPECT_NE(dir.read("memory.txt").find("Bank1\r\nSlot 2 A=14.25  B=14.25  USB"),
                  std::string::npos)
            << dir.read("memory.txt");

        // Recall it: the channel goes to the radio and is announced.
        ASSERT_TRUE(
            operate(keys_of("gb12"),
                    {"gch", "bank", "1", "channel", "2", "20", "metres", "preamp", "1", "on"},
                    {"ST0;", "BS005;", "FA014250000;", "MD02;", "CT00;", "PA01;"}));

        // The function keys, each announced and sent, and taken by the radio.
        struct FunctionKey {
            int n;
            std::vector<std::string> words;
            std::string command;
        };
        const FunctionKey function_keys[] = {
            {1, {"preamp", "2", "on"}, "PA02;"}, {2, {"at", "on"}, "RA01;"},
            {3, {"nb", "on"}, "NL0005;"},        {4, {"nr", "on"}, "RL004;"},
            {5, {"notch", "on"}, "BC01;"},       {6, {"co", "on"}, "CO00001;"},
            {7, {"spc", "on"}, "PR01;"},         {8, {"vox", "on"}, "VX1;"},
            {9, {"mon", "on"}, "ML01;"},         {12, {"tuner", "both"}, "AC100;"},
        };
        for (const auto& f : function_keys) {
            SCOPED_TRACE("F" + std::to_string(f.n));
            ASSERT_TRUE(operate({function_key(f.n)}, f.words, {f.command}));
        }
        EXPECT_EQ(radio_setting("PA0"), 2);
        EXPECT_EQ(radio_setting("RA0"), 1);
        EXPECT_EQ(radio_setting("NL0"), 5);
        EXPECT_EQ(radio_setting("RL0"), 4);
        EXPECT_EQ(radio_setting("BC0"), 1);
        EXPECT_EQ(radio_setting("CO00"), 1);
        EXPECT_EQ(radio_setting("PR0"), 1);
        EXPECT_EQ(radio_setting("VX"), 1);
        EXPECT_EQ(radio_setting("ML0"), 1);

        // Quit: receive is made sure of, and the program ends by itself after
        // the radio has answered two more frequency polls.
        const std::size_t before_quit = commands().size();
        ASSERT_TRUE(operate(keys_of("q"), {"quit"}, {"TX0;"}));
        ASSERT_TRUE(eventually([&] { return finished.load(); })) << said();
        // Two frequency replies after the quit key: the first may answer a
        // poll sent just before it.
        auto after = commands();
        auto tx0 = std::find(after.begin() + static_cast<std::ptrdiff_t>(before_quit), after.end(),
                             "TX0;");
        ASSERT_NE(tx0, after.end());
        auto last_poll = std::find(std::make_reverse_iterator(tx0), after.rend(), "FA;");
        ASSERT_NE(last_poll, after.rend());
        EXPECT_GE(std::count(last_poll.base() - 1, after.end(), "FA;"), 2)
            << join(first(after, before_quit, 40));
        EXPECT_GE(std::count(tx0, after.end(), "FA;"), 1) << "the quit waits for the radio";
    }

    // Whatever happened, the program is made to end: a quit key, then a
    // close request if that does not do it.
    void make_sure_it_ends() {
        if (finished) return;
        push_key(letter('q'));
        if (eventually([&] { return finished.load(); })) return;
        ADD_FAILURE() << "the quit key did not end the program";
        SDL_Event close{};
        close.type = SDL_QUIT;
        SDL_PushEvent(&close);
        eventually([&] { return finished.load(); });
    }
};

TEST_F(KeysEndToEnd, OperatorSessionFromStartToQuit) {
    auto window = platform::make_sdl_window();
    auto speaker = platform::make_sdl_speaker();
    auto serial = platform::make_posix_serial(dir.path);
    c->paths.work_dir = dir.path;
    c->window = window.get();
    c->speaker = speaker.get();
    c->serial = serial.get();
    c->transcript = &transcript;

    std::thread operator_thread([this] {
        session();
        make_sure_it_ends();
    });
    const int code = run_program(*c);
    finished = true;
    operator_thread.join();

    EXPECT_EQ(code, 0);
    EXPECT_EQ(c->st.running, 0);
    auto lines = dir.crlf_lines("savmem.dat");
    ASSERT_EQ(lines.size(), 115u);
    EXPECT_EQ(lines[0], "VELORAN v3.5b 3.5c 61") << "band 6 (20 m), noise reduction on (F4)";
    EXPECT_EQ(lines[16 + 12 - 1], c->st.memory_channels[12]);
    EXPECT_EQ(lines[6], c->st.band_table[6]);
    EXPECT_NE(dir.read("memory.txt").find("Bank1"), std::string::npos);
}

}  // namespace
