// The word player: every message to the operator is a sequence of words.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

// Plays wave_folder + word to its end ("xx" as the folder mutes). The stop
// key pressed meanwhile cuts it off and drops the rest of the reading.
void say(Context& c, const std::string& word);
// As say, but returns at once; the next word cuts it off.
void say_async(Context& c, const std::string& word);
// Says any text (a channel's name) where the speech service speaks; the
// recorded words have no word for it, so there it says nothing.
void say_text(Context& c, const std::string& text);
// The standard wait for a reply: the word "delay", lasting reply_wait_ms
// however long its sound is (or without one). It is never cut short and keeps
// its length whatever speaks the words: it is the wait for the radio.
void pause_word(Context& c);
inline constexpr int reply_wait_ms = 150;
// The same wait without the word: for the radio's answer to another
// program's command, which the operator does not wait for.
void wait_for_radio(Context& c);

// One reading is the words said for one event. begin_reading starts an empty
// one; end_reading hands any queued text to the speech service and keeps the
// reading for the repeat key when it said anything.
void begin_reading(Context& c);
void end_reading(Context& c);
// The stop key: silences the word playing and drops the rest of the reading.
void stop_speech(Context& c);
// The repeat key: says the last reading's words again.
void repeat_reading(Context& c);

// The wave folder the program runs with ("wave/").
std::string default_wave_folder();

}  // namespace vlr
