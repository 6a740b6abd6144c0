// The SDL window on SDL's dummy video driver: key codes, close requests,
// merged timer ticks, blocking wait, and the off-screen image.
#include "platform/sdl/sdl_window.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

using vlr::platform::SdlWindow;

namespace {

using Events = std::vector<std::pair<int, int>>;

class SdlWindowTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        ASSERT_TRUE(window.open("Veloran test", 250, 100, 950, 500)) << SDL_GetError();
        // Start from an empty queue: the window's own start-up events are not
        // what the tests are about.
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }

    // Delivers what is queued (pushing a no-op event first so the wait
    // never blocks) and returns the events of the program's kinds.
    Events take_events() {
        SDL_Event wake{};
        wake.type = SDL_KEYMAPCHANGED;  // no meaning to the program: ignored
        SDL_PushEvent(&wake);
        Events got;
        window.wait_events([&](int id, int param) { got.emplace_back(id, param); });
        return got;
    }

    void push_key(Uint32 type, SDL_Scancode scancode, SDL_Keycode sym, Uint16 mod = KMOD_NONE,
                  Uint8 repeat = 0) {
        SDL_Event event{};
        event.type = type;
        event.key.windowID = SDL_GetWindowID(window.handle());
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat;
        event.key.keysym.scancode = scancode;
        event.key.keysym.sym = sym;
        event.key.keysym.mod = mod;
        SDL_PushEvent(&event);
    }

    void push_window_event(Uint8 what) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = SDL_GetWindowID(window.handle());
        event.window.event = what;
        SDL_PushEvent(&event);
    }

    SdlWindow window;
};

struct KeyCase {
    const char* name;
    SDL_Scancode scancode;
    SDL_Keycode sym;
    Uint16 mod;
    int vk;
};

const KeyCase key_cases[] = {
    {"a", SDL_SCANCODE_A, SDLK_a, KMOD_NONE, 65},
    {"shifted q", SDL_SCANCODE_Q, SDLK_q, KMOD_LSHIFT, 81},
    {"z", SDL_SCANCODE_Z, SDLK_z, KMOD_NONE, 90},
    {"z on a German layout", SDL_SCANCODE_Y, SDLK_z, KMOD_NONE, 90},
    {"Cyrillic ef on the A key", SDL_SCANCODE_A, 0x0444, KMOD_NONE, 65},
    {"0", SDL_SCANCODE_0, SDLK_0, KMOD_NONE, 48},
    {"9", SDL_SCANCODE_9, SDLK_9, KMOD_NONE, 57},
    {"Enter", SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_NONE, 13},
    {"pad Enter", SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, KMOD_NONE, 13},
    {"space", SDL_SCANCODE_SPACE, SDLK_SPACE, KMOD_NONE, 32},
    {"Page Up", SDL_SCANCODE_PAGEUP, SDLK_PAGEUP, KMOD_NONE, 33},
    {"Page Down", SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN, KMOD_NONE, 34},
    {"left", SDL_SCANCODE_LEFT, SDLK_LEFT, KMOD_NONE, 37},
    {"up", SDL_SCANCODE_UP, SDLK_UP, KMOD_NONE, 38},
    {"right", SDL_SCANCODE_RIGHT, SDLK_RIGHT, KMOD_NONE, 39},
    {"down", SDL_SCANCODE_DOWN, SDLK_DOWN, KMOD_NONE, 40},
    {"F1", SDL_SCANCODE_F1, SDLK_F1, KMOD_NONE, 112},
    {"F9", SDL_SCANCODE_F9, SDLK_F9, KMOD_NONE, 120},
    {"F12", SDL_SCANCODE_F12, SDLK_F12, KMOD_NONE, 123},
    {"=", SDL_SCANCODE_EQUALS, SDLK_EQUALS, KMOD_NONE, 187},
    {"+ on a German layout", SDL_SCANCODE_RIGHTBRACKET, SDLK_PLUS, KMOD_NONE, 187},
    {"-", SDL_SCANCODE_MINUS, SDLK_MINUS, KMOD_NONE, 189},
    {".", SDL_SCANCODE_PERIOD, SDLK_PERIOD, KMOD_NONE, 190},
    {"pad 0 Num Lock on", SDL_SCANCODE_KP_0, SDLK_KP_0, KMOD_NUM, 96},
    {"pad 5 Num Lock on", SDL_SCANCODE_KP_5, SDLK_KP_5, KMOD_NUM, 101},
    {"pad 9 Num Lock on", SDL_SCANCODE_KP_9, SDLK_KP_9, KMOD_NUM, 105},
    {"pad 0 Num Lock off", SDL_SCANCODE_KP_0, SDLK_INSERT, KMOD_NONE, 96},
    {"pad 1 Num Lock off", SDL_SCANCODE_KP_1, SDLK_END, KMOD_NONE, 97},
    {"pad 8 Num Lock off", SDL_SCANCODE_KP_8, SDLK_UP, KMOD_NONE, 104},
    {"pad point Num Lock on", SDL_SCANCODE_KP_PERIOD, SDLK_KP_PERIOD, KMOD_NUM, 110},
    {"pad point Num Lock off", SDL_SCANCODE_KP_PERIOD, SDLK_DELETE, KMOD_NONE, 110},
    {"left Shift", SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT, 16},
    {"right Shift", SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, KMOD_RSHIFT, 16},
    {"left Ctrl", SDL_SCANCODE_LCTRL, SDLK_LCTRL, KMOD_LCTRL, 17},
    {"right Ctrl", SDL_SCANCODE_RCTRL, SDLK_RCTRL, KMOD_RCTRL, 17},
    {"Ctrl+C", SDL_SCANCODE_C, SDLK_c, KMOD_LCTRL, 67},
    {"Insert", SDL_SCANCODE_INSERT, SDLK_INSERT, KMOD_NONE, 45},
    {"left Windows key", SDL_SCANCODE_LGUI, SDLK_LGUI, KMOD_NONE, 91},
    {"Escape", SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, KMOD_NONE, 27},
    {"Backspace", SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, KMOD_NONE, 8},
    {"Home", SDL_SCANCODE_HOME, SDLK_HOME, KMOD_NONE, 36},
    {"Delete", SDL_SCANCODE_DELETE, SDLK_DELETE, KMOD_NONE, 46},
    {"comma", SDL_SCANCODE_COMMA, SDLK_COMMA, KMOD_NONE, 188},
    {"backslash", SDL_SCANCODE_BACKSLASH, SDLK_BACKSLASH, KMOD_NONE, 220},
};

TEST_F(SdlWindowTest, KeysArriveAsPressAndReleaseWithTheirVirtualKeyCodes) {
    for (const KeyCase& key : key_cases) {
        push_key(SDL_KEYDOWN, key.scancode, key.sym, key.mod);
        push_key(SDL_KEYUP, key.scancode, key.sym, key.mod);
        EXPECT_EQ(take_events(), (Events{{256, key.vk}, {257, key.vk}})) << key.name;
    }
}

TEST_F(SdlWindowTest, KeysWithoutACodeAreNotDelivered) {
    push_key(SDL_KEYDOWN, SDL_SCANCODE_MUTE, SDLK_MUTE);
    push_key(SDL_KEYUP, SDL_SCANCODE_MUTE, SDLK_MUTE);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_F13, SDLK_F13);
    EXPECT_EQ(take_events(), Events{});
}

TEST_F(SdlWindowTest, AltCombinationsAreNotCommandsButAltF4AsksToClose) {
    push_key(SDL_KEYDOWN, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_Q, SDLK_q, KMOD_LALT);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_F4, SDLK_F4, KMOD_LALT);
    EXPECT_EQ(take_events(), (Events{{32770, 0}}));
}

TEST_F(SdlWindowTest, HeldKeyRepeatsArriveAsPresses) {
    push_key(SDL_KEYDOWN, SDL_SCANCODE_F, SDLK_f);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_F, SDLK_f, KMOD_NONE, 1);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_F, SDLK_f, KMOD_NONE, 1);
    push_key(SDL_KEYUP, SDL_SCANCODE_F, SDLK_f);
    EXPECT_EQ(take_events(), (Events{{256, 70}, {256, 70}, {256, 70}, {257, 70}}));
}

TEST_F(SdlWindowTest, CloseButtonAndQuitRequestBothArriveAsCloseRequests) {
    push_window_event(SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(take_events(), (Events{{32770, 0}}));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_EQ(take_events(), (Events{{32770, 0}}));
    // The request does not destroy the window: the program closes it.
    EXPECT_NE(window.surface(), nullptr);
}

TEST_F(SdlWindowTest, TerminationSignalArrivesAsCloseRequest) {
    raise(SIGTERM);
    Events got;
    window.wait_events([&](int id, int param) { got.emplace_back(id, param); });
    EXPECT_EQ(got, (Events{{32770, 0}}));
}

TEST_F(SdlWindowTest, TicksFallingDueWhileTheHandlerIsBusyMergeIntoOne) {
    window.start_timer(1, 50);
    Events got;
    // Every tick handled takes 300 ms, six periods.
    window.wait_events([&](int id, int param) {
        got.emplace_back(id, param);
        SDL_Delay(300);
    });
    ASSERT_FALSE(got.empty());
    for (const auto& event : got) EXPECT_EQ(event, std::make_pair(275, 1));
    // Whatever fell due during the last 300 ms waits as exactly one tick.
    SDL_PumpEvents();
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_USEREVENT, SDL_LASTEVENT), 1);
}

TEST_F(SdlWindowTest, StoppedTimerDeliversNoMoreTicks) {
    window.start_timer(1, 20);
    Events got;
    window.wait_events([&](int id, int param) {
        got.emplace_back(id, param);
        SDL_Delay(60);  // a further tick is queued meanwhile
    });
    window.stop_timer(1);
    EXPECT_EQ(take_events(), Events{});
}

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

TEST_F(SdlWindowTest, WaitingForEventsDoesNotSpinTheProcessor) {
    std::thread key_later([] {
        SDL_Delay(500);
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.keysym.scancode = SDL_SCANCODE_B;
        event.key.keysym.sym = SDLK_b;
        SDL_PushEvent(&event);
    });
    const double cpu_before = cpu_seconds();
    Events got;
    window.wait_events([&](int id, int param) { got.emplace_back(id, param); });
    const double cpu_used = cpu_seconds() - cpu_before;
    key_later.join();
    EXPECT_EQ(got, (Events{{256, 66}}));
    // A spinning wait would burn the whole half second; the dummy driver
    // polls every millisecond, a real display driver sleeps outright.
    EXPECT_LT(cpu_used, 0.2);
}

// True when some pixel of `area` in `surface` is dark (text drawn there).
bool has_ink(SDL_Surface* surface, const SDL_Rect& area) {
    SDL_LockSurface(surface);
    bool ink = false;
    for (int y = area.y; y < area.y + area.h && !ink; ++y)
        for (int x = area.x; x < area.x + area.w && !ink; ++x) {
            Uint32 pixel = 0;
            std::memcpy(&pixel,
                        static_cast<Uint8*>(surface->pixels) + y * surface->pitch +
                            x * surface->format->BytesPerPixel,
                        surface->format->BytesPerPixel);
            Uint8 r, g, b;
            SDL_GetRGB(pixel, surface->format, &r, &g, &b);
            ink = r < 128 && g < 128 && b < 128;
        }
    SDL_UnlockSurface(surface);
    return ink;
}

TEST_F(SdlWindowTest, TextIsDrawnIntoTheImageAndShownAtOnce) {
    SDL_Surface* shown = SDL_GetWindowSurface(window.handle());
    ASSERT_NE(shown, nullptr);
    const SDL_Rect field{50, 45, 200, 70};
    EXPECT_FALSE(has_ink(window.image(), field));
    window.surface()->set_font("Ariel", 50, 700);
    int width = window.surface()->draw_text(50, 45, "LSB    ");
    EXPECT_GT(width, 100);
    EXPECT_TRUE(has_ink(window.image(), field));
    EXPECT_TRUE(has_ink(shown, field));
}

TEST_F(SdlWindowTest, TextSurvivesTheWindowBeingCoveredAndResized) {
    window.surface()->draw_text(140, 380, "b=Band  f=Freq");
    window.surface()->draw_text(1200, 380, "beyond the right edge");
    SDL_Surface* shown = SDL_GetWindowSurface(window.handle());
    // Another window covered ours: what it showed is gone.
    SDL_FillRect(shown, nullptr, SDL_MapRGB(shown->format, 255, 255, 255));
    push_window_event(SDL_WINDOWEVENT_EXPOSED);
    take_events();
    EXPECT_TRUE(has_ink(SDL_GetWindowSurface(window.handle()), SDL_Rect{140, 380, 100, 20}));

    SDL_SetWindowSize(window.handle(), 1500, 600);
    take_events();
    shown = SDL_GetWindowSurface(window.handle());
    ASSERT_GE(shown->w, 1400);
    EXPECT_TRUE(has_ink(shown, SDL_Rect{140, 380, 100, 20}));
    EXPECT_TRUE(has_ink(shown, SDL_Rect{1200, 380, 100, 20}));
}

TEST_F(SdlWindowTest, TextIsOpaqueSoBlanksEraseALongerLabel) {
    auto* text = window.surface();
    text->set_font("Ariel", 50, 700);
    const int long_width = text->draw_text(50, 45, "FMN");
    const int short_width = text->draw_text(50, 45, "AM     ");
    ASSERT_GE(short_width, long_width);
    const int am_width = text->draw_text(50, 45, "AM");
    EXPECT_FALSE(
        has_ink(window.image(), SDL_Rect{50 + am_width + 2, 45, long_width - am_width, 60}));
    EXPECT_TRUE(has_ink(window.image(), SDL_Rect{50, 45, am_width, 60}));
}

TEST_F(SdlWindowTest, HelpLinesInTheInitialFontFitTheWindow) {
    auto* text = window.surface();
    const int width = text->draw_text(
        140, 380,
        "b=Band  f=Freq  e=Entry m=Mode  w=Filter width p=Power a=af gain r=RF gain q=Quit  "
        "s=SMeter/swr");
    EXPECT_GT(width, 400);
    EXPECT_LE(140 + width, 950);
}

TEST_F(SdlWindowTest, EmptyTextDrawsNothing) {
    EXPECT_EQ(window.surface()->draw_text(10, 10, ""), 0);
    EXPECT_FALSE(has_ink(window.image(), SDL_Rect{0, 0, 300, 100}));
}

TEST_F(SdlWindowTest, SurfaceIsGoneAfterClose) {
    window.close();
    EXPECT_EQ(window.surface(), nullptr);
    EXPECT_EQ(window.image(), nullptr);
}

TEST(SdlWindowNotOpen, WaitingAsksToCloseInsteadOfHangingOrSpinning) {
    SdlWindow window;
    Events got;
    window.wait_events([&](int id, int param) { got.emplace_back(id, param); });
    EXPECT_EQ(got, (Events{{32770, 0}}));
}

}  // namespace
