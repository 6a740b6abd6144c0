#include "speech/vocabulary.hpp"

#include <cctype>

namespace vlr {

namespace {

std::string file_key(const std::string& name) {
    std::string key;
    for (char ch : name) key += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (key.size() < 4 || key.compare(key.size() - 4, 4, ".wav") != 0) key += ".wav";
    return key;
}

}  // namespace

const Word* find_word(const std::string& name) {
    const std::string key = file_key(name);
    for (const Word& w : vocabulary())
        if (file_key(w.name) == key) return &w;
    return nullptr;
}

}  // namespace vlr
