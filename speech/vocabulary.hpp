// The words the program can play: one per wave file of the voice, generated
// at build time from voice/words.tsv (the only list of them).
#pragma once

#include <string>
#include <vector>

namespace vlr {

struct Word {
    std::string name;  // as the program passes it; the file is name + ".wav"
    std::string text;  // what it says, or "@silence ms" / "@tone hz ms"
};

const std::vector<Word>& vocabulary();

// The row for a word as the program passes it: case does not count, and
// "3.wav" is the row "3". Null when the voice has no such word.
const Word* find_word(const std::string& name);

}  // namespace vlr
