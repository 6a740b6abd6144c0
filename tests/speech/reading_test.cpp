// The stop key, the repeat key and a speech service as what speaks the words.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/startup.hpp"
#include "speech/player.hpp"
#include "tests/support/keys.hpp"

namespace vlr {
namespace {

using test::Rig;

struct KeyCase {
    const char* name;
    std::vector<int> before;  // keys pressed first
    int key;                  // the key whose reading is cut or repeated
};

const KeyCase kKeys[] = {
    {"frequency", {}, 'F'},
    {"band", {'B'}, '4'},
    {"entry", {'E', '1', '4', vk::point, '2', '5'}, vk::enter},
};

std::vector<std::string> last_reading(const Rig& rig) {
    std::vector<std::string> words;
    for (const auto& [word, waited] : rig.c.reading.last) words.push_back(word);
    return words;
}

struct Heard {
    std::vector<std::string> words, paths, sent;
};

// Presses the case's keys on a fresh connected rig; with `stop` an Escape is
// already waiting in the window's queue, behind it another key.
Heard run_key(const KeyCase& k, bool stop) {
    Rig rig;
    test::connect(rig);
    for (int key : k.before) test::press(rig, {key});
    rig.clear();
    if (stop) rig.window.events = {{platform::event_key_down, vk::escape}, {platform::event_key_down, 'S'}};
    test::key_down(rig, k.key);
    Heard r{rig.words(), rig.speaker.paths, rig.sent()};
    if (stop) {
        EXPECT_EQ(rig.window.events.size(), 1u) << k.name << ": only the Escape is taken";
        EXPECT_GE(rig.speaker.stops, 1) << k.name;
        EXPECT_EQ(last_reading(rig), r.words) << k.name << ": the record holds what was said";
    }
    return r;
}

TEST(StopKey, CutsTheReadingAfterItsFirstWordAndKeepsEveryCommandAndWait) {
    for (const KeyCase& k : kKeys) {
        const Heard full = run_key(k, false), cut = run_key(k, true);
        ASSERT_GE(full.words.size(), 2u) << k.name << ": a reading of several words";
        EXPECT_EQ(cut.words, std::vector<std::string>{full.words.front()}) << k.name;
        EXPECT_EQ(cut.sent, full.sent) << k.name << ": no radio command is dropped";
        auto pauses = [](const Heard& r) { return std::count(r.paths.begin(), r.paths.end(), "wave/delay"); };
        EXPECT_EQ(pauses(cut), pauses(full)) << k.name << ": every wait for the radio stays";
    }
}

TEST(RepeatKey, SaysTheLastReadingAgainAndSendsNothing) {
    for (const KeyCase& k : kKeys) {
        Rig rig;
        test::connect(rig);
        for (int key : k.before) test::press(rig, {key});
        test::press(rig, {k.key});
        const std::vector<std::string> reading = last_reading(rig);
        ASSERT_FALSE(reading.empty()) << k.name;
        for (int times = 0; times < 2; ++times) {  // a repeat repeats the same words again
            rig.clear();
            test::press(rig, {vk::backspace});
            EXPECT_EQ(rig.words(), reading) << k.name;
            EXPECT_TRUE(rig.sent().empty()) << k.name;
        }
        // An Escape with nothing playing stops the speaker and keeps the reading.
        rig.clear();
        test::press(rig, {vk::escape, vk::backspace});
        EXPECT_EQ(rig.speaker.stops, 1) << k.name;
        EXPECT_EQ(rig.words(), reading) << k.name;
    }
}

// What speaks: the screen reader (chosen, or running and nothing else chosen), else the
// system's voice for any service asked for, else the words. Line 14 reads "Speech <choice>".
TEST(SpeechChoice, TheScreenReaderThenTheSystemVoiceThenTheWords) {
    struct Service : platform::TextSpeech {
        bool reachable = false, running = false;
        bool connect() override { return reachable; }
        bool chosen_by_system() override { return running; }
        void speak(const std::string&) override {}
        void cancel() override {}
    };
    struct Row {
        const char *option, *line14;
        bool has_reader, reader_running, reader_reachable, service_reachable;
        char speaks;  // r the screen reader, s the service, w the words
    };
    const Row rows[] = {{"", "", 1, 1, 1, 1, 'r'},           {"", "", 1, 0, 1, 1, 'w'},
                        {"", "Speech Recorded", 1, 1, 1, 1, 'w'}, {"screenreader", "", 1, 0, 1, 1, 'r'},
                        {"", "Speech screen reader", 1, 1, 0, 1, 's'}, {"screenreader", "", 0, 0, 0, 1, 's'},
                        {"screenreader", "", 1, 1, 0, 0, 'w'},  {"", "Speech dispatcher", 1, 1, 1, 1, 's'}};
    const std::string thirteen = "COM  1\nSpeed 38400\nswr 0\ntun 0\nPowOff 0\n10mof -100\n6mof -500\n"
                                 "2mof -600\n70mof +5000\nPthru 0\nDebug 0\nx\ny\n";
    for (const Row& r : rows) {
        Service reader, service;
        reader.running = r.reader_running, reader.reachable = r.reader_reachable;
        service.reachable = r.service_reachable;
        Context c;
        ASSERT_TRUE(read_config_text(c.st, thirteen + r.line14));
        c.st.speech_option = r.option;
        c.screen_reader = r.has_reader ? &reader : nullptr;
        c.text_service = &service;
        choose_speech(c);
        const platform::TextSpeech* expected = r.speaks == 'r' ? &reader : r.speaks == 's' ? &service : nullptr;
        EXPECT_EQ(c.text_speech, expected) << r.option << "/" << r.line14 << " " << r.reader_running;
    }
}

}  // namespace
}  // namespace vlr
