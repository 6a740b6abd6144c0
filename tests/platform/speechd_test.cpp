// Words as text through a real speech-dispatcher, started here with an output
// module that writes each utterance to a file instead of sounding it.
#ifdef VELORAN_HAVE_SPEECHD
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/startup.hpp"
#include "platform/speechd/speechd_speech.hpp"
#include "speech/vocabulary.hpp"
#include "tests/support/e2e_harness.hpp"
#include "tests/support/keys.hpp"

namespace vlr {
namespace {

using e2e::eventually;

struct Dispatcher {
    test::TempDir dir;
    e2e::Process process;
    std::string socket() const { return dir.path + "sock"; }
    bool start() {
        std::filesystem::create_directories(dir.path + "conf/modules");
        dir.write("conf/speechd.conf",
                  "AddModule \"record\" \"sd_generic\" \"record.conf\"\nDefaultModule record\n"
                  "LanguageDefaultModule \"en\" \"record\"\nAudioOutputMethod \"alsa\"\nAudioALSADevice \"null\"\n");
        dir.write("conf/modules/record.conf", "GenericExecuteSynth \"echo \\'$DATA\\' >> " + dir.path +
                                                  "said\"\nAddVoice \"en\" \"MALE1\" \"x\"\n");
        return process.start({"speech-dispatcher", "-s", "-t", "0", "-c", "unix_socket", "-S", socket(), "-C",
                              dir.path + "conf", "-L", dir.path},
                             dir.path) &&
               eventually([&] { return dir.exists("sock"); });
    }
};

// The F reading on a rig whose words go to the service at `address`, chosen
// by its own name or as the system's voice.
void read_frequency(test::Rig& rig, const std::string& address, platform::TextSpeech& service,
                    const char* choice) {
    setenv("SPEECHD_ADDRESS", address.c_str(), 1);
    rig.c.text_service = &service;
    rig.st().speech_option = choice;
    choose_speech(rig.c);
    test::connect(rig);
    test::key_down(rig, 'F');
}

TEST(SpeechDispatcher, AReadingIsOneUtteranceOfTheWordsPhrases) {
    Dispatcher service;
    if (!service.start()) GTEST_SKIP() << "speech-dispatcher could not be started";
    auto speech = platform::make_speechd_speech();
    test::Rig rig;
    read_frequency(rig, "unix_socket:" + service.socket(), *speech, "system");
    ASSERT_NE(rig.c.text_speech, nullptr);
    std::string expected;
    for (const auto& [word, waited] : rig.c.reading.last)
        if (const Word* row = find_word(word); row && row->text[0] != '@')
            expected += (expected.empty() ? "" : " ") + row->text;
    ASSERT_NE(expected.find("megahertz"), std::string::npos) << expected;
    ASSERT_TRUE(eventually([&] { return service.dir.exists("said"); })) << "nothing reached the service";
    EXPECT_EQ(service.dir.read("said"), expected + "\n");
    for (const std::string& path : rig.speaker.paths) EXPECT_EQ(path, "wave/delay") << "only waits play";
}

TEST(SpeechDispatcher, WithoutTheServiceTheRecordedWordsSpeak) {
    test::TempDir nowhere;
    auto speech = platform::make_speechd_speech();
    test::Rig rig;
    read_frequency(rig, "unix_socket:" + nowhere.path + "none/sock", *speech, "dispatcher");
    EXPECT_EQ(rig.c.text_speech, nullptr);
    EXPECT_GE(rig.words().size(), 3u) << "the recorded words";
}

}  // namespace
}  // namespace vlr
#endif
