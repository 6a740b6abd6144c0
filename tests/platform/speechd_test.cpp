// Words as text through a real speech-dispatcher, started here with an output
// module that writes each utterance to a file instead of sounding it.
#ifdef VELORAN_HAVE_SPEECHD
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/startup.hpp"
#include "platform/speechd/speechd_speech.hpp"
#include "speech/vocabulary.hpp"
#include "tests/support/keys.hpp"

extern char** environ;

namespace vlr {
namespace {

namespace fs = std::filesystem;

// Waits (generously: the machine may be busy) until `ready` holds.
template <class F> bool wait_for(F ready) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

struct Dispatcher {
    test::TempDir dir;
    pid_t pid = 0;
    std::string socket() const { return dir.path + "sock"; }
    bool start() {
        fs::create_directories(dir.path + "conf/modules");
        dir.write("conf/speechd.conf",
                  "AddModule \"record\" \"sd_generic\" \"record.conf\"\nDefaultModule record\n"
                  "LanguageDefaultModule \"en\" \"record\"\nAudioOutputMethod \"alsa\"\nAudioALSADevice \"null\"\n");
        dir.write("conf/modules/record.conf", "GenericExecuteSynth \"echo \\'$DATA\\' >> " + dir.path +
                                                  "said\"\nAddVoice \"en\" \"MALE1\" \"x\"\n");
        const std::string conf = dir.path + "conf", sock = socket(), log = dir.path;
        const char* argv[] = {"speech-dispatcher", "-s", "-t", "0", "-c", "unix_socket", "-S", sock.c_str(),
                              "-C", conf.c_str(), "-L", log.c_str(), nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&quiet, 1, 2);
        const int spawned = posix_spawnp(&pid, "speech-dispatcher", &quiet, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (spawned != 0) return pid = 0, false;
        return wait_for([&] { return fs::exists(sock); });
    }
    ~Dispatcher() {
        if (pid > 0) kill(pid, SIGTERM), waitpid(pid, nullptr, 0);
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
    ASSERT_TRUE(wait_for([&] { return service.dir.exists("said"); })) << "nothing reached the service";
    EXPECT_EQ(service.dir.read("said"), expected + "\n");
    for (const std::string& path : rig.speaker.paths) EXPECT_EQ(path, "wave/delay") << "only waits play";
}

TEST(SpeechDispatcher, WithoutTheServiceTheRecordedWordsSpeak) {
    test::TempDir nowhere;
    auto speech = platform::make_speechd_speech();
    test::Rig rig;
    read_frequency(rig, "unix_socket:" + nowhere.path + "none/sock", *speech, "dispatcher");
    EXPECT_EQ(rig.c.text_speech, nullptr);
    test::Rig plain;
    test::connect(plain);
    test::key_down(plain, 'F');
    EXPECT_EQ(rig.words(), plain.words()) << "the recorded words, and nothing about the service";
    EXPECT_GE(rig.words().size(), 3u);
}

}  // namespace
}  // namespace vlr
#endif
