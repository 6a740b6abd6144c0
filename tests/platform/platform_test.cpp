// The platform parts on real drivers and devices. SDL on its dummy video and
// disk audio drivers: the window's key codes, close requests and merged timer
// ticks, text drawn into its image, the word player (what reaches the
// "device" is read back from the file the disk driver writes), its limits on
// word files that no renderer made (no hang, no running out of memory, a long
// word not waited for once the program is asked to end), and finding words
// and fonts. The POSIX serial backend against real pseudo-terminals: the
// radio's port (names, raw 8N1 line, exclusive open, a wedged or vanished
// device) and the pass-through port made as a pseudo-terminal pair whose
// client end another program opens as COM<n>-client.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "platform/posix/posix_serial.hpp"
#include "platform/sdl/font_finder.hpp"
#include "platform/sdl/sdl_speaker.hpp"
#include "platform/sdl/sdl_text.hpp"
#include "platform/sdl/sdl_window.hpp"
#include "platform/sdl/wave_files.hpp"
#include "platform/stop_request.hpp"
#include "tests/platform/wave_maker.hpp"
#include "tests/support/e2e_harness.hpp"
#include "tests/support/pty.hpp"

using namespace vlr::platform;
using vlr::test::TempDir;

namespace {

using Events = std::vector<std::pair<int, int>>;
const Events close_request = {{32770, 0}};

struct Window : testing::Test {
    SdlWindow window;
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        ASSERT_TRUE(window.open("Veloran test", 250, 100, 950, 500)) << SDL_GetError();
        SDL_PumpEvents();  // the window's own start-up events are not what this is about
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    // Delivers what is queued (after an event the program ignores, so the wait never blocks).
    Events take_events() {
        SDL_Event wake{};
        wake.type = SDL_KEYMAPCHANGED, SDL_PushEvent(&wake);
        return wait(window);
    }
    static Events wait(SdlWindow& w) {
        Events got;
        w.wait_events([&](int id, int param) { got.emplace_back(id, param); });
        return got;
    }
    void key(Uint32 type, SDL_Scancode scancode, SDL_Keycode sym, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
        SDL_Event event{};
        event.type = type, event.key.windowID = SDL_GetWindowID(window.handle()), event.key.repeat = repeat;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym = {scancode, sym, mod, 0};
        SDL_PushEvent(&event);
    }
    bool ink(SDL_Surface* surface, const SDL_Rect& area) {  // some dark pixel there
        const int bytes = surface->format->BytesPerPixel;
        Uint32 pixel = 0;
        Uint8 r, g, b;
        for (int y = area.y; y < area.y + area.h; ++y)
            for (int x = area.x; x < area.x + area.w; ++x)
                if (std::memcpy(&pixel, static_cast<Uint8*>(surface->pixels) + y * surface->pitch + x * bytes, bytes),
                    SDL_GetRGB(pixel, surface->format, &r, &g, &b), r < 128 && g < 128 && b < 128)
                    return true;
        return false;
    }
};

// Each key by layout and Num Lock as the keyboard sends it, and the key code the program gets.
TEST_F(Window, KeysArriveAsPressAndReleaseWithTheirKeyCodes) {
    const struct { SDL_Scancode scancode; SDL_Keycode sym; Uint16 mod; int code; } keys[] = {
#define K(scancode, sym, mod, code) {SDL_SCANCODE_##scancode, sym, mod, code}
        K(A, SDLK_a, 0, 65), K(Q, SDLK_q, KMOD_LSHIFT, 81), K(Y, SDLK_z, 0, 90), K(A, 0x0444, 0, 65),
        K(0, SDLK_0, 0, 48), K(9, SDLK_9, 0, 57), K(RETURN, SDLK_RETURN, 0, 13), K(KP_ENTER, SDLK_KP_ENTER, 0, 13),
        K(SPACE, SDLK_SPACE, 0, 32), K(PAGEUP, SDLK_PAGEUP, 0, 33), K(PAGEDOWN, SDLK_PAGEDOWN, 0, 34),
        K(LEFT, SDLK_LEFT, 0, 37), K(UP, SDLK_UP, 0, 38), K(RIGHT, SDLK_RIGHT, 0, 39), K(DOWN, SDLK_DOWN, 0, 40),
        K(F1, SDLK_F1, 0, 112), K(F12, SDLK_F12, 0, 123), K(EQUALS, SDLK_EQUALS, 0, 187),
        K(RIGHTBRACKET, SDLK_PLUS, 0, 187), K(MINUS, SDLK_MINUS, 0, 189), K(PERIOD, SDLK_PERIOD, 0, 190),
        K(KP_0, SDLK_KP_0, KMOD_NUM, 96), K(KP_9, SDLK_KP_9, KMOD_NUM, 105), K(KP_0, SDLK_INSERT, 0, 96),
        K(KP_8, SDLK_UP, 0, 104), K(KP_PERIOD, SDLK_KP_PERIOD, KMOD_NUM, 110), K(KP_PERIOD, SDLK_DELETE, 0, 110),
        K(RSHIFT, SDLK_RSHIFT, KMOD_RSHIFT, 16), K(RCTRL, SDLK_RCTRL, KMOD_RCTRL, 17), K(C, SDLK_c, KMOD_LCTRL, 67),
        K(LGUI, SDLK_LGUI, 0, 91), K(ESCAPE, SDLK_ESCAPE, 0, 27), K(BACKSPACE, SDLK_BACKSPACE, 0, 8),
        K(HOME, SDLK_HOME, 0, 36), K(DELETE, SDLK_DELETE, 0, 46), K(COMMA, SDLK_COMMA, 0, 188),
        K(BACKSLASH, SDLK_BACKSLASH, 0, 220), K(INSERT, SDLK_INSERT, 0, 45), K(2, 0xe9, 0, 50),  // AZERTY's 2 key
    };
#undef K
    for (const auto& k : keys) {
        key(SDL_KEYDOWN, k.scancode, k.sym, k.mod), key(SDL_KEYUP, k.scancode, k.sym, k.mod);
        EXPECT_EQ(take_events(), (Events{{256, k.code}, {257, k.code}})) << SDL_GetScancodeName(k.scancode);
    }
    key(SDL_KEYDOWN, SDL_SCANCODE_MUTE, SDLK_MUTE), key(SDL_KEYDOWN, SDL_SCANCODE_F13, SDLK_F13);  // no code: not delivered
    key(SDL_KEYDOWN, SDL_SCANCODE_F, SDLK_f);  // a held key repeats as presses
    key(SDL_KEYDOWN, SDL_SCANCODE_F, SDLK_f, KMOD_NONE, 1);
    key(SDL_KEYUP, SDL_SCANCODE_F, SDLK_f);
    EXPECT_EQ(take_events(), (Events{{256, 70}, {256, 70}, {257, 70}}));
    key(SDL_KEYDOWN, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT);  // Alt combinations are no commands,
    key(SDL_KEYDOWN, SDL_SCANCODE_Q, SDLK_q, KMOD_LALT);
    key(SDL_KEYDOWN, SDL_SCANCODE_F4, SDLK_F4, KMOD_LALT);  // but Alt+F4 asks to close
    EXPECT_EQ(take_events(), close_request);
    // While a word plays only the stop key is taken from the queue.
    key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a), key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    EXPECT_TRUE(window.take_stop_key());
    EXPECT_FALSE(window.take_stop_key());
    EXPECT_EQ(take_events(), (Events{{256, 65}}));
}

TEST_F(Window, CloseButtonQuitAndTerminationSignalAskToClose) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT, event.window.windowID = SDL_GetWindowID(window.handle());
    event.window.event = SDL_WINDOWEVENT_CLOSE, SDL_PushEvent(&event);
    EXPECT_EQ(take_events(), close_request);
    event.type = SDL_QUIT, SDL_PushEvent(&event);
    EXPECT_EQ(take_events(), close_request);
    EXPECT_NE(window.surface(), nullptr) << "the request does not destroy the window";
    raise(SIGTERM);
    EXPECT_EQ(wait(window), close_request);
    window.close();
    EXPECT_EQ(window.surface(), nullptr);
    SdlWindow never_opened;
    EXPECT_EQ(wait(never_opened), close_request) << "not open, waiting asks to close instead of hanging";
}

TEST_F(Window, TicksFallingDueWhileTheHandlerIsBusyMergeIntoOneAndKeepTheirPeriod) {
    window.start_timer(1, 50);
    Events got;
    window.wait_events([&](int id, int param) {
        got.emplace_back(id, param);
        SDL_Delay(300);  // the handler is busy for six periods
    });
    ASSERT_FALSE(got.empty());
    for (const auto& event : got) EXPECT_EQ(event, std::make_pair(275, 1));
    SDL_PumpEvents();  // what fell due during the last 300 ms waits as exactly one tick
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_USEREVENT, SDL_LASTEVENT), 1);
    window.stop_timer(1);
    EXPECT_EQ(take_events(), Events{}) << "a stopped timer delivers no more ticks";
    // Ticks keep to their period: in a second of 100 ms ticks at most eleven
    // come (fewer when the machine is busy, never more).
    window.start_timer(1, 100);
    int ticks = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < end && ticks < 100)
        window.wait_events([&](int id, int) { ticks += id == 275; });
    EXPECT_TRUE(ticks >= 1 && ticks <= 11) << ticks;
}

// Another thread's wake (the network port's) ends the wait at once, and the wait until then
// sleeps: a wait that looked for events every millisecond would switch out hundreds of times.
TEST_F(Window, AWakeFromAnotherThreadEndsAWaitThatSleepsUntilThen) {
    rusage before{}, after{};
    getrusage(RUSAGE_THREAD, &before);
    std::thread waker([this] { std::this_thread::sleep_for(std::chrono::milliseconds(300)), window.wake(); });
    EXPECT_EQ(wait(window), Events{});
    getrusage(RUSAGE_THREAD, &after);
    waker.join();
    EXPECT_LE(after.ru_nvcsw - before.ru_nvcsw, 10);
}

TEST_F(Window, TextIsDrawnOpaqueIntoTheImageShownAndKeptAcrossResizing) {
    auto* text = window.surface();
    EXPECT_EQ(text->draw_text(10, 10, ""), 0);
    EXPECT_FALSE(ink(window.image(), {0, 0, 300, 100}));
    // The help lines in the initial font fit the window.
    const int help = text->draw_text(140, 380, "b=Band  f=Freq  e=Entry m=Mode  w=Filter width p=Power a=af gain r=RF gain q=Quit  s=SMeter/swr");
    EXPECT_TRUE(help > 400 && 140 + help <= 950) << help;
    text->set_font("Ariel", 50, 700);
    const int long_width = text->draw_text(50, 45, "FMN");
    EXPECT_TRUE(ink(SDL_GetWindowSurface(window.handle()), {50, 45, long_width, 60})) << "shown at once";
    text->draw_text(50, 45, "AM     ");
    const int am_width = text->draw_text(50, 45, "AM");
    EXPECT_FALSE(ink(window.image(), {50 + am_width + 2, 45, long_width - am_width, 60})) << "blanks erase";
    text->draw_text(1200, 380, "beyond the right edge");
    SDL_SetWindowSize(window.handle(), 1500, 600), take_events();
    SDL_Surface* shown = SDL_GetWindowSurface(window.handle());
    ASSERT_GE(shown->w, 1400);
    EXPECT_TRUE(ink(shown, {140, 380, 100, 20}) && ink(shown, {1200, 380, 100, 20}));
}

// The same text at the same place is shown once, unless another text or font came over it.
TEST(SdlText, RedrawsOnlyWhatChanged) {
    std::unique_ptr<SDL_Surface, void (*)(SDL_Surface*)> image(SDL_CreateRGBSurfaceWithFormat(0, 600, 200, 32, SDL_PIXELFORMAT_RGB888), SDL_FreeSurface);
    SDL_FillRect(image.get(), nullptr, SDL_MapRGB(image->format, 255, 255, 255));
    int shown = 0;
    SdlText text(image.get(), [&](const SDL_Rect&) { ++shown; });
    const int width = text.draw_text(20, 30, "USB    ");
    EXPECT_EQ(text.draw_text(20, 30, "USB    "), width);
    text.draw_text(20, 80, "USB    ");
    EXPECT_EQ(shown, 2);
    text.draw_text(20 + width / 2, 34, "XXXXXXXXXXXX"), text.draw_text(20, 30, "USB    ");
    EXPECT_EQ(shown, 4);
    text.set_font("Ariel", 20, 700), text.draw_text(20, 30, "USB    ");
    EXPECT_EQ(shown, 5);
}

TEST(Finders, WordsAndFonts) {
    TempDir dir;
    std::filesystem::create_directories(dir.path + "wave/delay.wav");  // a folder is not a word
    for (const char* name : {"power.wav", "3.wav", "Mixed.WAV"}) dir.write(std::string("wave/") + name, "RIFF");
    const std::string w = dir.path + "wave/";
    WaveFinder finder;
    const std::pair<std::string, std::string> rows[] = {
        {w + "3", w + "3.wav"}, {w + "3.wav", w + "3.wav"}, {w + "Power", w + "power.wav"}, {w + "mixed", w + "Mixed.WAV"},
        {dir.path + "wave\\POWER.Wav", w + "power.wav"}, {w + "quit", ""}, {dir.path + "wavepower", ""},
        {w + "delay", ""}, {w, ""}, {"", ""}};
    for (const auto& [name, found] : rows) EXPECT_EQ(finder.find(name), found) << name;
    dir.write("wave/quit.wav", "RIFF");
    EXPECT_EQ(finder.find(w + "Quit"), w + "quit.wav") << "a file added after a look-up is found";

    EXPECT_EQ(nearest_family("ariel") + "|" + nearest_family("Qwzxv Grotesk"), "Arial|Qwzxv Grotesk");
    const auto bold = find_font("Ariel", 700), thin = find_font("Ariel", 20);
    EXPECT_TRUE(std::filesystem::is_regular_file(bold.path) && std::filesystem::is_regular_file(thin.path));
    EXPECT_NE(bold.path, thin.path);
    EXPECT_FALSE(find_font("Qwzxv Grotesk", 400).path.empty());
    EXPECT_EQ(points_to_pixels(50) * 100 + points_to_pixels(12), 6716);
}

using Runs = std::vector<std::pair<int16_t, size_t>>;

struct Speaker : testing::Test {
    TempDir dir;
    std::unique_ptr<SdlSpeaker> speaker;
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1), setenv("SDL_DISKAUDIOFILE", (dir.path + "out.raw").c_str(), 1);
        speaker = std::make_unique<SdlSpeaker>();
        ASSERT_TRUE(speaker->has_device()) << SDL_GetError();
    }
    // Each word `frames` samples all of `level`: easy to find again in the output, never silent.
    void words(std::initializer_list<std::tuple<const char*, int16_t, size_t>> rows) {  // name, level, frames
        for (auto [name, level, frames] : rows) vlr::test::write_wave(dir.path + name, std::vector<int16_t>(frames, level));
    }
    void play(const std::string& name, bool wait = true) { speaker->play(dir.path + name, wait); }
    Runs sounded() {  // closes the device; what it played, silence left out
        speaker.reset();
        Runs out = vlr::test::runs(vlr::test::read_raw(dir.path + "out.raw"));
        std::erase_if(out, [](const auto& run) { return run.first == 0; });
        return out;
    }
};

TEST_F(Speaker, WaitedWordsPlayWholeInOrderFoundByAnyCase) {
    words({{"a.wav", 1000, 2205}, {"b.wav", 2000, 4410}, {"c.wav", 3000, 1000}});
    std::vector<int16_t> stereo(2 * 44100, 4000);  // a second at 44.1 kHz stereo
    vlr::test::write_wave(dir.path + "stereo.wav", stereo, 44100, 2);
    for (const char* name : {"a", "missing", "no-folder/a.wav", "B", "c.wav", "stereo"}) play(name);
    speaker->play("xxpoint", true);  // the muted prefix
    Runs got = sounded();
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(Runs(got.begin(), got.begin() + 3), (Runs{{1000, 2205}, {2000, 4410}, {3000, 1000}}));
    size_t near = 0;  // converted to the device's rate and mono
    for (auto it = got.begin() + 3; it != got.end(); ++it)
        near += it->first > 3950 && it->first < 4050 ? it->second : 0;
    EXPECT_NEAR(static_cast<double>(near), 22050.0, 300.0);
}

TEST_F(Speaker, AnAsyncSoundIsCutOffByTheNextWordAndAQuietDeviceRests) {
    words({{"a.wav", 1000, 3000}, {"help.wav", 3000, 3 * 22050}, {"ok.wav", 4000, 2205}});
    play("a"), play("help", false), play("ok");
    Runs got = sounded();
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got.front(), (std::pair<int16_t, size_t>{1000, 3000}));
    EXPECT_EQ(got.back(), (std::pair<int16_t, size_t>{4000, 2205}));
    EXPECT_TRUE(got.size() != 3 || got[1].second < 3u * 22050) << "the async sound is cut off";
    // A quiet device rests; the next word opens it again and plays whole.
    speaker = std::make_unique<SdlSpeaker>();
    words({{"b.wav", 2000, 4410}});
    speaker->set_rest_after(std::chrono::milliseconds(100));
    play("a");
    ASSERT_TRUE(vlr::test::eventually([&] { return !speaker->device_open(); }));
    EXPECT_TRUE(speaker->has_device()) << "resting is not having no device";
    play("b");
    EXPECT_TRUE(speaker->device_open());
    EXPECT_EQ(sounded(), (Runs{{2000, 4410}})) << "the disk driver starts its file afresh with each opening";
}

TEST_F(Speaker, TheStopKeyCutsAWordWhileItSoundsAndTheNextPlaysWhole) {
    words({{"long.wav", 1000, 3 * 22050}, {"ok.wav", 4000, 2205}});
    int asked = 0;
    EXPECT_TRUE(speaker->play_until(dir.path + "long", [&] { return ++asked == 3; }));
    EXPECT_FALSE(speaker->play_until(dir.path + "ok", [] { return false; }));
    Runs got = sounded();
    ASSERT_FALSE(got.empty());
    EXPECT_TRUE(got.front().first != 1000 || got.front().second < 3u * 22050) << "the long word is cut";
    EXPECT_EQ(got.back(), (std::pair<int16_t, size_t>{4000, 2205}));
}

TEST(SpeakerWithoutDevice, WaitedWordsStillTakeTheirTime) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    TempDir dir;
    vlr::test::write_wave(dir.path + "delay.wav", std::vector<int16_t>(6615, 1000));  // 0.3 s
    SdlSpeaker speaker;
    EXPECT_FALSE(speaker.has_device());
    const auto start = std::chrono::steady_clock::now();
    speaker.play(dir.path + "delay", true);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
}

TEST_F(Speaker, AWaitedWordPlaysAtMostTenSecondsAndAStopCutsLongOnes) {
    // claimed_bytes: the data chunk's length in the header (0: the true one).
    const struct { const char* what; int rate; std::size_t samples; std::uint32_t claimed_bytes; int stop; std::size_t heard; } rows[] = {
        {"1 Hz, 500,000 samples", 1, 500000, 0, 0, 10 * 22050},
        {"a header claiming 4 GB", 22050, 2205, 0xFFFFFFF0u, 0, 2205},
        {"asked to end: a long word", 22050, 5 * 22050, 0, SIGTERM, 0},
        {"asked to end: the reply pause", 22050, 3307, 0, SIGTERM, 3307},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        vlr::test::write_wave(dir.path + "w.wav", std::vector<int16_t>(row.samples, 1000), row.rate);
        std::fstream patch(dir.path + "w.wav", std::ios::in | std::ios::out | std::ios::binary);
        patch.seekp(40);
        for (int i = 0; row.claimed_bytes && i < 4; ++i) patch.put(static_cast<char>(row.claimed_bytes >> (8 * i)));
        patch.close();
        vlr::platform::stop_request = row.stop;
        speaker = std::make_unique<SdlSpeaker>();
        // Room for 1 GB more than is mapped now, so that an allocation of
        // what the header claims fails instead of quietly reserving 4 GB
        // (not under the sanitizers, which map terabytes up front).
        rlimit before{};
        rlim_t mapped = 0;
        ::getrlimit(RLIMIT_AS, &before), std::ifstream("/proc/self/statm") >> mapped;
        mapped *= static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
        const rlimit tight{std::min<rlim_t>(before.rlim_max, mapped + (rlim_t{1} << 30)), before.rlim_max};
        if (row.claimed_bytes && mapped < (rlim_t{4} << 30)) ::setrlimit(RLIMIT_AS, &tight);
        speaker->play(dir.path + "w.wav", true);
        ::setrlimit(RLIMIT_AS, &before);
        std::size_t heard = 0;
        for (const auto& run : sounded()) heard += run.second;
        vlr::platform::stop_request = 0;
        EXPECT_NEAR(static_cast<double>(heard), static_cast<double>(row.heard), 50);
    }
}

}  // namespace

namespace vlr::test {
namespace {

using platform::make_posix_serial;

// Reads with `read` (never waiting, as the program does) until `count` bytes came.
template <typename Read>
std::string read_until(Read read, std::size_t count) {
    std::string got;
    eventually([&] {
        char buf[256];
        const auto n = read(buf, sizeof buf);
        if (n > 0) got.append(buf, static_cast<std::size_t>(n));
        return got.size() >= count;
    });
    return got;
}
std::string read_all(platform::SerialPort& port, std::size_t count) {
    return read_until([&](char* b, int n) { return port.read(b, n); }, count);
}

TEST(PosixSerial, NamesAndSpeeds) {
    TempDir dir;
    auto serial = make_posix_serial(dir.path.substr(0, dir.path.size() - 1));  // no final separator
    EXPECT_EQ(serial->device_path(12), "/dev/ttyUSB11");
    // A link whose target is missing (adapter unplugged) still names the user's device.
    ASSERT_EQ(::symlink("/dev/serial/by-id/some-adapter", (dir.path + "COM12").c_str()), 0);
    EXPECT_EQ(serial->device_path(12), dir.path + "COM12");
    EXPECT_EQ(serial->device_path(1) + serial->device_path(0), "/dev/ttyUSB0");
    EXPECT_EQ(serial->open(0, 9600), nullptr);
    dir.write("COM4", "just a file");
    EXPECT_TRUE(serial->open(4, 9600) == nullptr && serial->last_open_error() == platform::open_error_not_serial);
    const int speeds[][2] = {{4800, 4800},     {38400, 38400}, {40000, 38400}, {50000, 57600},
                             {250000, 230400}, {0, 50},        {-9600, 50},    {2000000000, 4000000}};
    for (auto [asked, runs] : speeds) EXPECT_EQ(platform::nearest_standard_speed(asked), runs) << asked;
}

TEST(PosixSerial, TheRadiosLineOverAPseudoTerminal) {
    TempDir dir;
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok() && pty.link_as(dir.path, 3));
    auto serial = make_posix_serial(dir.path);
    auto port = serial->open(3, 40000);
    ASSERT_NE(port, nullptr);
    termios t{};
    ::tcgetattr(pty.slave, &t);  // 38400 8N1, raw: no echo, signals, translation or flow control
    EXPECT_EQ(cfgetospeed(&t), B38400);
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
    EXPECT_EQ((t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN)) | (t.c_iflag & (ICRNL | INLCR | IGNCR | IXON | ISTRIP)) |
                  (t.c_oflag & OPOST), 0u);
    EXPECT_TRUE(port->set_line_format(8, 0, 2) && !port->set_line_format(9, 0, 1));
    ::tcgetattr(pty.slave, &t);
    EXPECT_TRUE((t.c_cflag & CSTOPB) && cfgetospeed(&t) == B38400);
    // Exclusive until closed.
    EXPECT_EQ(make_posix_serial(dir.path)->open(3, 9600), nullptr);
    port.reset();
    int excl = 1;
    EXPECT_TRUE(::ioctl(pty.slave, TIOCGEXCL, &excl) == 0 && excl == 0) << "exclusive mode is lifted on close";
    port = serial->open(3, 38400);
    ASSERT_NE(port, nullptr);
    // Bytes both ways, untranslated.
    const std::string bytes = "FA\r\n\x11\x13;";
    EXPECT_EQ(port->write(bytes.data(), static_cast<int>(bytes.size())), static_cast<int>(bytes.size()));
    EXPECT_EQ(pty.receive(bytes.size()), bytes);
    port->set_read_timeouts(5), pty.send("SM0;\r");
    EXPECT_EQ(read_all(*port, 5), "SM0;\r");
    // A wedged device: nobody reads, the buffer fills, the write gives up instead of blocking.
    const std::string big(4 * 1024 * 1024, 'x');
    const int n = port->write(big.data(), static_cast<int>(big.size()));
    EXPECT_TRUE(n > 0 && n < static_cast<int>(big.size())) << n;
    EXPECT_TRUE(port->alive());
    // The cable pulled.
    pty.close_master();
    char buf[8];
    EXPECT_EQ(port->read(buf, sizeof buf) + port->write("FA;", 3) + port->alive(), 0);
}

// As root the attempt runs in a child dropped to the unprivileged user.
TEST(PosixSerial, PermissionDeniedIsReported) {
    TempDir dir;
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok() && pty.link_as(dir.path, 5));
    ::chmod(dir.path.c_str(), 0755), ::chmod(pty.slave_name.c_str(), 0);
    auto attempt = [&] {
        auto serial = make_posix_serial(dir.path);
        return serial->open(5, 9600) ? 255 : serial->last_open_error();
    };
    int result = ::geteuid() == 0 ? -1 : attempt();
    if (result < 0) {
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(::setgid(65534) != 0 || ::setuid(65534) != 0 ? 77 : attempt());
        int status = 0;
        ::waitpid(pid, &status, 0);
        result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (result == 77) GTEST_SKIP() << "cannot drop to an unprivileged user here";
    EXPECT_EQ(result, 1);
}

TEST(PassThroughPair, AClientTalksThroughItsLinkUntilThePortCloses) {
    constexpr int com = 200;  // whose fallback device /dev/ttyUSB199 no machine has
    TempDir dir;
    ASSERT_EQ(::symlink("/dev/pts/no-such", (dir.path + "COM200-client").c_str()), 0);  // stale, of an earlier run
    auto serial = make_posix_serial(dir.path);
    EXPECT_FALSE(serial->open(com, 38400)) << "not allowed: a missing device stays missing";
    serial->allow_client_pty(com);
    EXPECT_FALSE(serial->open(com - 1, 38400) || dir.exists("COM199-client"));
    auto port = serial->open(com, 38400);
    ASSERT_TRUE(port);
    const std::string link = dir.path + "COM200-client";
    EXPECT_EQ(serial->client_pty_path(com), link);
    for (int client = 0; client < 2; ++client) {  // rigctl opens the line for each command
        int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "MD0;\r", 5), 5);
        EXPECT_EQ(read_all(*port, 5), "MD0;\r") << "raw, also after the first client's close";
        ASSERT_EQ(port->write("MD02;", 5), 5);
        EXPECT_EQ(read_until([&](char* b, int n) { return ::read(fd, b, static_cast<std::size_t>(n)); }, 5), "MD02;");
        EXPECT_EQ(port->bytes_waiting(), 0) << "no echo of the program's own answer";
        ::close(fd);
        EXPECT_TRUE(port->alive());
    }
    port.reset();
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    // The user's own file is never replaced; the user's own entry is opened as it is.
    dir.write("COM200-client", "notes");
    EXPECT_FALSE(serial->open(com, 38400));
    EXPECT_EQ(dir.read("COM200-client"), "notes");
    ::unlink(link.c_str());
    ASSERT_EQ(::symlink("/dev/serial/by-id/unplugged", (dir.path + "COM200").c_str()), 0);
    EXPECT_FALSE(serial->open(com, 38400) || dir.exists("COM200-client")) << "an unplugged adapter is not swapped for a pair";
    ::unlink((dir.path + "COM200").c_str());
    PseudoTerminal radio;
    ASSERT_TRUE(radio.link_as(dir.path, com));
    port = serial->open(com, 38400);
    ASSERT_TRUE(port);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    radio.send("FA;");
    EXPECT_EQ(read_all(*port, 3), "FA;");
}

}  // namespace
}  // namespace vlr::test
