#include "speech/player.hpp"

#include <ostream>

#include "platform/files.hpp"

namespace vlr {

namespace {

// The frequency read-out passes the blank in front of a short MHz part as a
// word of its own. No file carries that name, so it is neither handed to the
// player (it would only cut off a help text still playing) nor written to the
// transcript, where a blank line would read like a missing word.
bool is_blank(const std::string& word) { return word.find_first_not_of(' ') == std::string::npos; }

// Any folder prefix other than the mute prefix means the word is heard.
bool is_muted(const Context& c) { return c.st.wave_folder == "xx"; }

void play(Context& c, const std::string& word, bool wait) {
    if (is_blank(word)) return;
    // A muted word has no file to find: it is not worth the lookups the
    // silent S-meter update would otherwise make every 200 ms.
    if (is_muted(c)) return;
    // A transcript whose reader has gone (standard output closed) fails
    // from then on and is left alone: the words are still spoken.
    if (c.transcript && c.transcript->good()) *c.transcript << word << '\n' << std::flush;
    // Plain concatenation: the speaker adds ".wav" to a bare name and matches
    // the file name without regard to case ("Power", "EF").
    if (c.speaker) c.speaker->play(c.st.wave_folder + word, wait);
}

}  // namespace

void say(Context& c, const std::string& word) { play(c, word, true); }

void say_async(Context& c, const std::string& word) { play(c, word, false); }

void pause_word(Context& c) {
    // The radio needs this long to answer whether or not the word "delay"
    // has a sound: a missing wave folder must not take every wait away.
    const long long start = platform::now_ms();
    say(c, "delay");
    const long long rest = reply_wait_ms - (platform::now_ms() - start);
    if (c.speaker && rest > 0) c.speaker->wait_silence(static_cast<int>(rest));
}

// Windows takes "/" in paths as well, so one spelling serves every system.
std::string default_wave_folder() { return "wave/"; }

}  // namespace vlr
