// Speech through a screen reader under wine: ScreenReader.* with the stand-in uiautomationcore.dll
// that writes each notification to a file; NoNotification.* with wine's own (no notifications).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/startup.hpp"
#include "platform/win32/win32_platform.hpp"
#include "speech/player.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

struct ScreenReaderRunning {
    ScreenReaderRunning() { SystemParametersInfoW(SPI_SETSCREENREADER, TRUE, nullptr, 0); }
    ~ScreenReaderRunning() { SystemParametersInfoW(SPI_SETSCREENREADER, FALSE, nullptr, 0); }
};

struct Panel {
    test::TempDir dir;
    std::unique_ptr<platform::Window> window = platform::make_win32_window();
    std::unique_ptr<platform::TextSpeech> reader = platform::make_screen_reader_speech(*window);
    std::unique_ptr<platform::TextSpeech> sapi = platform::make_sapi_speech();
    test::RecordingSpeaker speaker;
    Context c;
    Panel() {
        SetEnvironmentVariableA("VELORAN_UIA_RECORD", (dir.path + "notes.txt").c_str());
        window->open("Veloran test", 10, 10, 400, 300);
        c.window = window.get(), c.speaker = &speaker, c.screen_reader = reader.get();
        c.text_service = sapi.get();
        c.st.wave_folder = "wave/";
    }
    void read(const std::vector<std::string>& words) {
        begin_reading(c);
        for (const auto& w : words) say(c, w);
        end_reading(c);
    }
};

TEST(ScreenReader, EachReadingIsOneNotificationAndEscapeReplacesTheQueue) {
    Panel p;
    {
        ScreenReaderRunning running;
        choose_speech(p.c);  // chosen by the system, not by the operator
        ASSERT_EQ(p.c.text_speech, p.reader.get());
        p.read({"vlr.wav", "3", "point", "5"});
        stop_speech(p.c);
        p.read({"connected"});
        p.read({"nc"});
        SendMessageW(platform::window_handle(*p.window), WM_GETOBJECT, 0, static_cast<LPARAM>(-25));
    }
    // No screen reader runs: by default the words speak, asked for it the system voice.
    choose_speech(p.c);
    EXPECT_EQ(p.c.text_speech, nullptr);
    p.c.st.speech_option = "screenreader";
    choose_speech(p.c);
    EXPECT_EQ(p.c.text_speech, p.sapi.get());
    EXPECT_EQ(p.dir.read("notes.txt"),
              "0 Veloran three point five\n1 \n1 connected\n0 not connected\n"
              "element Veloran test\n");
    EXPECT_TRUE(p.speaker.words.empty());
}

// Run with wine's own uiautomationcore.dll: with SAPI (sapi_present) the
// system voice takes the words, without it the wave files play.
void without_notifications(bool sapi_present) {
    ScreenReaderRunning running;
    Panel p;
    choose_speech(p.c);
    EXPECT_EQ(p.c.text_speech, sapi_present ? p.sapi.get() : nullptr);
    p.read({"connected"});
    EXPECT_EQ(p.speaker.words,
              sapi_present ? std::vector<std::string>{} : std::vector<std::string>{"connected"});
    EXPECT_EQ(p.dir.read("notes.txt"), "");
}

TEST(NoNotification, TheSystemVoiceSpeaks) { without_notifications(true); }
TEST(NoNotification, WithoutTheSystemVoiceTheWordsSpeak) { without_notifications(false); }

}  // namespace
}  // namespace vlr
