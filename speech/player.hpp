// The word player: every message to the operator is a sequence of words.
#pragma once

#include <string>

#include "base/context.hpp"

namespace vlr {

// Plays wave_folder + word to its end ("xx" as the folder mutes).
void say(Context& c, const std::string& word);
// As say, but returns at once; the next word cuts it off.
void say_async(Context& c, const std::string& word);
// The standard wait for a reply: the word "delay", lasting reply_wait_ms
// however long its sound is (or without one).
void pause_word(Context& c);
inline constexpr int reply_wait_ms = 150;

// The wave folder the program runs with ("wave/").
std::string default_wave_folder();

}  // namespace vlr
