// Reading a recorded word: one wave-file reader for every speaker, so that
// each system keeps the same limits on what a word file may cost. Portable
// code: no OS or audio-library header.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vlr::platform {

// Bigger files are not words (3 minutes at 48 kHz stereo are 35 MB).
inline constexpr std::uintmax_t largest_word_file_bytes = 64u << 20;
// A word that plays on by itself (the key help, about a minute) may last up
// to 3 minutes; what a file holds beyond that is never even converted, so a
// file at 1 Hz cannot make the conversion allocate gigabytes.
inline constexpr int longest_sound_seconds = 180;
// The program waits for a word to end before it goes on, so a word file that
// plays for hours would stop it for hours: a waited word is cut off after 10
// seconds (the longest real word lasts under 3).
inline constexpr int longest_waited_word_seconds = 10;

using WordSamples = std::vector<std::int16_t>;

// The sound of a PCM wave file (8, 16, 24 or 32 bits, or 32-bit float; any
// channels and rate) as 16-bit mono samples at `rate`, cut to
// longest_sound_seconds. Empty when the file is missing, not a regular file,
// larger than largest_word_file_bytes, or no wave file this reader knows. A
// file cut short plays what it holds: chunk lengths are never believed beyond
// the bytes that follow.
WordSamples read_word_file(const std::filesystem::path& file, int rate);
WordSamples decode_wave(const std::string& bytes, int rate);

}  // namespace vlr::platform
