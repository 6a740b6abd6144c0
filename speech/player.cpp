#include "speech/player.hpp"

#include <ostream>

#include "platform/files.hpp"
#include "speech/vocabulary.hpp"

namespace vlr {

namespace {

// The frequency read-out passes the blank in front of a short MHz part as a
// word of its own. No file carries that name, so it is neither handed to the
// player (it would only cut off a help text still playing) nor written to the
// transcript, where a blank line would read like a missing word.
bool is_blank(const std::string& word) { return word.find_first_not_of(' ') == std::string::npos; }

// Any folder prefix other than the mute prefix means the word is heard.
bool is_muted(const Context& c) { return c.st.wave_folder == "xx"; }

// Text queued for the speech service goes out as one utterance, so a reading
// sounds as one phrase and not as a string of separate words.
void flush_text(Context& c) {
    if (c.text_speech && !c.reading.pending_text.empty()) c.text_speech->speak(c.reading.pending_text);
    c.reading.pending_text.clear();
}

// With a speech service in use a word that says something is queued as its
// phrase; silences and tones have no text and still come from the speaker.
bool queue_text(Context& c, const std::string& word) {
    if (!c.text_speech) return false;
    const Word* row = find_word(word);
    if (!row || row->text.empty() || row->text[0] == '@') return false;
    std::string& text = c.reading.pending_text;
    if (!text.empty()) text += ' ';
    text += row->text;
    return true;
}

void play(Context& c, const std::string& word, bool wait) {
    if (is_blank(word)) return;
    // A muted word has no file to find: it is not worth the lookups the
    // silent S-meter update would otherwise make every 200 ms.
    if (is_muted(c)) return;
    if (c.reading.stopped) return;
    // A transcript whose reader has gone (standard output closed) fails
    // from then on and is left alone: the words are still spoken.
    if (c.transcript && c.transcript->good()) *c.transcript << word << '\n' << std::flush;
    c.reading.words.emplace_back(word, wait);
    if (queue_text(c, word)) return;
    flush_text(c);
    if (!c.speaker) return;
    // Plain concatenation: the speaker adds ".wav" to a bare name and matches
    // the file name without regard to case ("Power", "EF").
    const std::string path = c.st.wave_folder + word;
    if (!wait || !c.window) {
        c.speaker->play(path, wait);
        return;
    }
    // The one thread is busy here while the word sounds, so the stop key is
    // looked for in the window's queue meanwhile.
    platform::Window* window = c.window;
    if (c.speaker->play_until(path, [window] { return window->take_stop_key(); })) stop_speech(c);
}

}  // namespace

void say(Context& c, const std::string& word) { play(c, word, true); }

void say_async(Context& c, const std::string& word) { play(c, word, false); }

void say_text(Context& c, const std::string& text) {
    if (!c.text_speech || text.empty() || c.reading.stopped) return;
    if (c.transcript && c.transcript->good()) *c.transcript << text << '\n' << std::flush;
    std::string& pending = c.reading.pending_text;
    pending += (pending.empty() ? "" : " ") + text;
}

void pause_word(Context& c) {
    // The radio needs this long to answer whether or not the word "delay"
    // has a sound: a missing wave folder must not take every wait away. The
    // wait is not part of a reading: the stop key never cuts it.
    const long long start = platform::now_ms();
    if (!is_muted(c)) {
        flush_text(c);
        if (c.transcript && c.transcript->good()) *c.transcript << "delay\n" << std::flush;
        if (c.speaker) c.speaker->play(c.st.wave_folder + "delay", true);
    }
    const long long rest = reply_wait_ms - (platform::now_ms() - start);
    if (c.speaker && rest > 0) c.speaker->wait_silence(static_cast<int>(rest));
}

void wait_for_radio(Context& c) {
    if (c.speaker) c.speaker->wait_silence(reply_wait_ms);
}

void begin_reading(Context& c) {
    c.reading.words.clear();
    c.reading.stopped = false;
}

void end_reading(Context& c) {
    flush_text(c);
    if (!c.reading.words.empty()) c.reading.last = c.reading.words;
    c.reading.words.clear();
    c.reading.stopped = false;
}

void stop_speech(Context& c) {
    c.reading.stopped = true;
    c.reading.pending_text.clear();
    if (c.speaker) c.speaker->stop();
    if (c.text_speech) c.text_speech->cancel();
}

void repeat_reading(Context& c) {
    const auto last = c.reading.last;
    for (const auto& [word, wait] : last) play(c, word, wait);
}

// Windows takes "/" in paths as well, so one spelling serves every system.
std::string default_wave_folder() { return "wave/"; }

}  // namespace vlr
