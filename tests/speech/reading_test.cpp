// The stop key, the repeat key and a speech service as what speaks the words.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/startup.hpp"
#include "panel/front_panel.hpp"
#include "speech/player.hpp"
#include "speech/vocabulary.hpp"
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

TEST(SpeechChoice, LineFourteenOfTheConfigurationPicksTheService) {
    const std::string eleven = "COM  1\nSpeed 38400\nswr 0\ntun 0\nPowOff 0\n10mof -100\n6mof -500\n"
                               "2mof -600\n70mof +5000\nPthru 0\nDebug 0\n";
    const std::pair<std::string, std::string> rows[] = {
        {"", ""}, {"x\ny\nSpeech dispatcher\n", "dispatcher"}, {"x\ny\nSpeech Recorded", "recorded"}};
    for (const auto& [tail, choice] : rows) {
        State s;
        ASSERT_TRUE(read_config_text(s, eleven + tail));
        EXPECT_EQ(s.speech_choice, choice) << tail;
    }
}

TEST(KeyHelp, SpokenAndShownHelpNameBothKeys) {
    Rig rig;
    print_banner_and_help(rig.c);
    const Word* help = find_word("help.wav");
    ASSERT_NE(help, nullptr);
    for (const std::string key : {"Esc", "Backspace"}) {
        EXPECT_NE(rig.window.text.at(140, 430).find(key), std::string::npos) << key;
        EXPECT_NE(help->text.find(key), std::string::npos) << key;
    }
}

}  // namespace
}  // namespace vlr
