// The Win32 backends on a real (wine) desktop: window events, merged ticks,
// GDI text, the word player's timing, serial ports and file replacement.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <vector>

#include "emulator/model_line.hpp"
#include "platform/files.hpp"
#include "platform/win32/win32_platform.hpp"
#include "tests/platform/wave_maker.hpp"
#include "tests/support/fakes.hpp"

namespace vlr::platform {
namespace {

using Events = std::vector<std::pair<int, int>>;

// Asks `done` every 10 ms until it holds, for at most 10 seconds.
template <typename F>
bool soon(F done) {
    for (int i = 0; i < 1000; ++i, Sleep(10))
        if (done()) return true;
    return false;
}

Events next_events(Window& w) {
    Events got;
    w.wait_events([&](int id, int param) { got.emplace_back(id, param); });
    return got;
}

TEST(Win32Window, MessagesBecomeEvents) {
    auto w = make_win32_window();
    ASSERT_TRUE(w->open("Veloran test", 10, 10, 400, 300));
    HWND hwnd = FindWindowW(L"VeloranPanel", L"Veloran test");
    ASSERT_NE(hwnd, nullptr);
    const LPARAM extended = 1 << 24, alt = 1 << 29;
    struct Row { UINT message; WPARAM vk; LPARAM lp; int id, param; } rows[] = {
        {WM_KEYDOWN, 'E', 0, event_key_down, 'E'},
        {WM_KEYUP, VK_RETURN, 0, event_key_up, VK_RETURN},
        {WM_KEYDOWN, VK_PRIOR, extended, event_key_down, VK_PRIOR},  // cursor block Page Up
        {WM_KEYDOWN, VK_PRIOR, 0, event_key_down, VK_NUMPAD9},        // pad 9 with Num Lock off
        {WM_KEYDOWN, VK_DELETE, 0, event_key_down, VK_DECIMAL},
        {WM_SYSKEYDOWN, VK_F10, 0, event_key_down, VK_F10},           // F10 without Alt is a key
        {WM_SYSKEYDOWN, VK_F4, alt, event_close, 0},                  // Alt+F4 asks to close
        {WM_CLOSE, 0, 0, event_close, 0},
    };
    for (const Row& r : rows) {
        PostMessageW(hwnd, r.message, r.vk, r.lp);
        EXPECT_EQ(next_events(*w), (Events{{r.id, r.param}})) << r.message << " " << r.vk;
    }
    PostMessageW(hwnd, WM_SYSKEYDOWN, 'X', alt);  // other Alt combinations are the system's
    PostMessageW(hwnd, WM_KEYDOWN, 'Q', 0);
    EXPECT_EQ(next_events(*w), (Events{{event_key_down, 'Q'}}));
    w->close();
    EXPECT_EQ(next_events(*w), (Events{{event_close, 0}}));
    EXPECT_EQ(w->surface(), nullptr);
}

TEST(Win32Window, TicksMissedWhileBusyMergeIntoOne) {
    auto w = make_win32_window();
    ASSERT_TRUE(w->open("Veloran ticks", 10, 10, 200, 100));
    w->start_timer(7, 20);
    EXPECT_EQ(next_events(*w), (Events{{event_timer, 7}}));
    // Busy for ten periods: one tick, not ten.
    const ULONGLONG busy_until = GetTickCount64() + 200;
    while (GetTickCount64() < busy_until) {
    }
    EXPECT_EQ(next_events(*w), (Events{{event_timer, 7}}));
    w->stop_timer(7);
    PostMessageW(FindWindowW(L"VeloranPanel", L"Veloran ticks"), WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(next_events(*w), (Events{{event_key_down, 'A'}}));
}

TEST(Win32Window, TextWidthFollowsTheFontAskedFor) {
    auto w = make_win32_window();
    ASSERT_TRUE(w->open("Veloran text", 10, 10, 600, 300));
    TextSurface* s = w->surface();
    ASSERT_NE(s, nullptr);
    const int system = s->draw_text(0, 0, "14.250.000");
    s->set_font("Arial", 10, 400);
    const int small = s->draw_text(0, 20, "14.250.000");
    s->set_font("Arial", 30, 700);
    const int large = s->draw_text(0, 40, "14.250.000");
    EXPECT_GT(system, 0);
    EXPECT_GT(small, 0);
    EXPECT_GT(large, 2 * small);
    EXPECT_EQ(s->draw_text(0, 90, ""), 0);
}

// A waited word is found and played to its end, however fast the device
// takes it (a null device takes it at once); a missing word or a broken
// file returns at once.
TEST(Win32Speaker, WaitedWordsAreFoundAndReturn) {
    test::TempDir dir;
    CreateDirectoryA((dir.path + "wave").c_str(), nullptr);
    std::vector<int16_t> half_second(11025 / 2);  // resampled on load
    for (size_t i = 0; i < half_second.size(); ++i) half_second[i] = static_cast<int16_t>((i % 50) * 300);
    test::write_wave(dir.path + "wave/word.wav", half_second, 11025);
    dir.write("broken.wav", "RIFF....WAVE");
    auto speaker = make_win32_speaker({dir.path});
    for (const std::string& path : {dir.path + "wave\\WORD", std::string("wave/word"), dir.path + "wave\\none",
                                    dir.path + "broken"}) {
        const ULONGLONG start = GetTickCount64();
        speaker->play(path, true);
        EXPECT_LT(GetTickCount64() - start, 5000u) << path;
    }
    speaker->play("wave/word", false);  // cut off by the next word, not waited for
    speaker->play("wave/word", true);
}

TEST(Win32Serial, ComNumbersAndTheInProcessLine) {
    auto serial = make_win32_serial();
    EXPECT_EQ(serial->device_path(5), "\\\\.\\COM5");
    EXPECT_EQ(serial->device_path(12), "\\\\.\\COM12");
    EXPECT_EQ(serial->open(250, 38400), nullptr);  // no such port
    auto model = std::make_shared<emu::RadioModel>();
    serial->attach(3, emu::model_line(model));
    auto port = serial->open(3, 38400);
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->set_line_format(8, 0, 2));
    EXPECT_EQ(port->write("FA014250000;F", 13), 13);  // a command split across writes
    EXPECT_EQ(port->write("A;", 2), 2);
    char buffer[64] = {};
    EXPECT_EQ(port->bytes_waiting(), 12);
    EXPECT_EQ(std::string(buffer, port->read(buffer, 5)), "FA014");
    EXPECT_EQ(std::string(buffer, port->read(buffer, 64)), "250000;");
    EXPECT_EQ(model->record(), (std::vector<std::string>{"FA014250000;", "FA;"}));
    EXPECT_EQ(serial->open(3, 38400)->write("FA;", 3), 3);  // reopened: the same radio
    EXPECT_EQ(model->record().size(), 3u);
}

TEST(Win32Sockets, AClientIsAcceptedReadAndAnsweredAndABusyPortIsSaid) {
    auto sockets = make_win32_sockets();
    const int port = 40000 + static_cast<int>(GetCurrentProcessId() % 20000);
    auto listener = sockets->listen("127.0.0.1", port);
    ASSERT_NE(listener, nullptr);
    EXPECT_EQ(listener->accept(), nullptr) << "no client yet, and no wait";
    EXPECT_EQ(sockets->listen("127.0.0.1", port), nullptr);
    EXPECT_EQ(sockets->last_listen_error(), 1) << "in use";
    EXPECT_EQ(sockets->listen("radio.local", port), nullptr);
    EXPECT_EQ(sockets->last_listen_error(), 2) << "not an address";

    SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to{};
    to.sin_family = AF_INET, to.sin_port = htons(static_cast<u_short>(port));
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    std::unique_ptr<Connection> line;
    ASSERT_TRUE(soon([&] { return (line = listener->accept()) != nullptr; }));
    char got[16] = {};
    EXPECT_EQ(line->read(got, sizeof got), 0) << "nothing sent yet, and no wait";
    send(client, "f\n", 2, 0);
    int n = 0;
    ASSERT_TRUE(soon([&] { return (n = line->read(got, sizeof got)) != 0; }));
    EXPECT_EQ(std::string(got, n), "f\n");
    EXPECT_EQ(line->write("14250000\n", 9), 9);
    EXPECT_EQ(recv(client, got, sizeof got, 0), 9);
    EXPECT_EQ(std::string(got, 9), "14250000\n");
    closesocket(client);
    EXPECT_TRUE(soon([&] { return line->read(got, sizeof got) == -1; })) << "the client's close is seen";
}

TEST(Win32Files, ReplaceKeepsTheOldFileWholeOnFailure) {
    test::TempDir dir;
    const std::string path = dir.path + "savmem.dat";
    EXPECT_TRUE(replace_file(path, "first"));
    EXPECT_TRUE(replace_file(path, "second\r\n"));
    EXPECT_EQ(dir.read("savmem.dat"), "second\r\n");
    EXPECT_FALSE(dir.exists("savmem.dat.new"));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(replace_file(path, "third"));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(dir.read("savmem.dat"), "second\r\n");
    EXPECT_FALSE(replace_file(dir.path + "no folder/savmem.dat", "x"));
    remove_file(path);
    remove_file(path);  // a missing file is no error
    EXPECT_FALSE(dir.exists("savmem.dat"));
    EXPECT_EQ(local_date_text().size(), 10u);
    EXPECT_EQ(local_time_text().size(), 8u);
}

}  // namespace
}  // namespace vlr::platform
