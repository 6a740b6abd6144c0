// The words the program can play, the voice table that must hold a file for
// each of them, and the script that renders that table into wave files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "speech/vocabulary.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

namespace fs = std::filesystem;

fs::path source_dir() {
    const char* d = std::getenv("VELORAN_SOURCE_DIR");
    return d ? fs::path(d) : fs::path(".");
}

// The wave file a word name plays: lower case, ".wav" added to a bare name.
std::string file_of(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char ch) { return std::tolower(ch); });
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".wav") != 0) name += ".wav";
    return name;
}

// words.tsv as file name -> row text.
std::map<std::string, std::string> voice_table() {
    std::ifstream in(source_dir() / "voice" / "words.tsv");
    std::map<std::string, std::string> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        auto tab = line.find('\t');
        std::string name = line.substr(0, tab);
        std::string text = tab == std::string::npos ? "" : line.substr(tab + 1);
        EXPECT_FALSE(text.empty()) << "row " << name << " says nothing";
        EXPECT_TRUE(rows.emplace(file_of(name), text).second) << file_of(name) << " listed twice";
    }
    return rows;
}

// Every word name passed literally to the player anywhere in the program.
std::set<std::string> literal_words() {
    static const std::regex call(R"re(say(?:_async)?\(c,\s*"([^"]+)"\))re");
    std::set<std::string> words;
    for (const char* folder : {"app", "commands", "link", "radio", "speech", "memory", "panel"}) {
        fs::path dir = source_dir() / folder;
        if (!fs::exists(dir)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(dir)) {
            if (entry.path().extension() != ".cpp") continue;
            std::ifstream in(entry.path());
            std::stringstream ss;
            ss << in.rdbuf();
            const std::string code = ss.str();
            for (std::sregex_iterator it(code.begin(), code.end(), call), end; it != end; ++it)
                words.insert((*it)[1].str());
        }
    }
    return words;
}

TEST(Vocabulary, HoldsEveryListedWordOnceAndTheDigits) {
    const std::vector<std::string> listed = {
        "vlr.wav", "3.wav", "point", "5", "cfgnf", "wrong", "conf", "rnvlr.wav", "connected", "quit",
        "nc", "delay", "help.wav", "0", "1", "2", "3", "4", "8", "6", "0.wav", "1.wav", "2.wav",
        "4.wav", "5.wav", "6.wav", "7.wav", "8.wav", "9.wav", "mhz", "khz", "hz", "watts", "wpm",
        "160", "80", "60", "40", "30", "20", "17", "15", "12", "10", "70", "metres", "un", "plus",
        "minus", "plus.wav", "gt5", "21", "s.wav", "swr", "alc", "bw", "lsb.wav", "usb.wav",
        "cw.wav", "am.wav", "fm.wav", "c4fm.wav", "nar.wav", "vfoa", "vfob", "tx", "repeater",
        "split", "EF", "band", "max", "min", "preamp", "at", "nb", "nr", "notch", "co", "spc",
        "bkin", "vox", "mon", "on", "off", "agc", "fast", "mid", "slow", "auto", "af", "rf",
        "Power", "micgain", "lev", "ks", "tuner", "atu", "is", "both", "tune", "ton", "beep",
        "ptthold", "swrwiths", "ant1", "ant2", "options", "ctcss", "dcs", "ec", "ecd", "ofs", "eofs",
        "std", "rio", "channel", "bank", "ncs", "sch", "gch", "mode", "ok", "invalid", "na",
        "extcm", "mn", "mp", "noperm", "netport", "nettx"};
    ASSERT_EQ(std::set<std::string>(listed.begin(), listed.end()).size(), 130u);

    const auto& vocab = vocabulary();
    const std::set<std::string> distinct(vocab.begin(), vocab.end());
    EXPECT_EQ(distinct.size(), vocab.size()) << "a word is listed twice";
    for (const auto& w : listed) EXPECT_TRUE(distinct.count(w)) << w;
    for (char d = '0'; d <= '9'; ++d) EXPECT_TRUE(distinct.count(std::string(1, d))) << d;
    // The 130 names plus "7" and "9", which only numbers produce.
    EXPECT_EQ(distinct.size(), 132u);
}

TEST(VoiceTable, HasAFileForEveryWordTheProgramCanPlay) {
    const auto table = voice_table();
    ASSERT_FALSE(table.empty()) << "voice/words.tsv not found under " << source_dir();
    std::set<std::string> words = literal_words();
    EXPECT_TRUE(words.count("bw")) << "the source scan found nothing in speech/";
    for (const auto& w : vocabulary()) words.insert(w);
    for (const auto& w : words) EXPECT_TRUE(table.count(file_of(w))) << "no row in voice/words.tsv for \"" << w << '"';
}

TEST(VoiceTable, EveryRowIsAWordOfTheVocabularyAndSpecialRowsAreSilenceAndTone) {
    std::set<std::string> files;
    for (const auto& w : vocabulary()) files.insert(file_of(w));
    const auto table = voice_table();
    for (const auto& [file, text] : table) EXPECT_TRUE(files.count(file)) << file << " is never played";
    EXPECT_EQ(table.at("delay.wav"), "@silence 150");
    EXPECT_EQ(table.at("beep.wav").rfind("@tone 1000 ", 0), 0u);
    EXPECT_NE(table.at("help.wav").find("quit"), std::string::npos);
}

// Runs a command and returns its exit status and what it printed.
std::pair<int, std::string> run(const std::string& command) {
    std::string out;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return {-1, out};
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

struct WaveInfo {
    bool ok = false;
    int format = 0, channels = 0, rate = 0, bits = 0;
    std::uint32_t data_bytes = 0;
};

std::uint32_t le(const std::string& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

WaveInfo read_wave(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WaveInfo w;
    if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0) return w;
    for (std::size_t at = 12; at + 8 <= b.size();) {
        std::string id = b.substr(at, 4);
        std::uint32_t size = le(b, at + 4, 4);
        if (id == "fmt " && at + 24 <= b.size()) {
            w.format = static_cast<int>(le(b, at + 8, 2));
            w.channels = static_cast<int>(le(b, at + 10, 2));
            w.rate = static_cast<int>(le(b, at + 12, 4));
            w.bits = static_cast<int>(le(b, at + 22, 2));
        } else if (id == "data") {
            w.data_bytes = size;
            w.ok = w.rate > 0;
            break;
        }
        at += 8 + size + (size & 1);
    }
    return w;
}

bool have_tools() { return run("command -v espeak-ng && command -v sox").first == 0; }

TEST(RenderVoice, RendersTheChosenWordsAsShortMonoFiles) {
    if (!have_tools()) GTEST_SKIP() << "espeak-ng or sox not installed";
    test::TempDir out;
    const std::string script = (source_dir() / "scripts" / "render-voice.sh").string();
    auto [status, text] = run("'" + script + "' '" + out.path + "' point Power 3.wav EF delay beep");
    ASSERT_EQ(status, 0) << text;

    std::set<std::string> written;
    for (const auto& e : fs::directory_iterator(out.path)) written.insert(e.path().filename().string());
    EXPECT_EQ(written, (std::set<std::string>{"point.wav", "power.wav", "3.wav", "ef.wav", "delay.wav", "beep.wav"}));

    for (const auto& name : written) {
        WaveInfo w = read_wave(fs::path(out.path) / name);
        ASSERT_TRUE(w.ok) << name;
        EXPECT_EQ(std::vector<int>({w.format, w.channels, w.rate, w.bits}), std::vector<int>({1, 1, 22050, 16}))
            << name << ": 16-bit PCM mono at 22050 Hz";
        EXPECT_GT(w.data_bytes, 0u) << name;
        // Trimmed words stay short; nothing here should take a second.
        EXPECT_LT(w.data_bytes, 22050u * 2) << name;
    }
    // The reply wait is 150 ms of silence: 3307 or 3308 samples.
    WaveInfo delay = read_wave(fs::path(out.path) / "delay.wav");
    EXPECT_NEAR(delay.data_bytes / 2.0, 3307.5, 1.0);

    // A second run finds the files current and leaves them alone.
    auto again = run("'" + script + "' '" + out.path + "' point delay");
    EXPECT_EQ(again.first, 0) << again.second;
    EXPECT_NE(again.second.find("0 rendered"), std::string::npos) << again.second;

    // A word without a row fails, and names itself.
    auto unknown = run("'" + script + "' '" + out.path + "' nosuchword");
    EXPECT_NE(unknown.first, 0) << unknown.second;
    EXPECT_NE(unknown.second.find("nosuchword"), std::string::npos) << unknown.second;
}

}  // namespace
}  // namespace vlr
