// Finding a word's wave file the way the program names it: without an
// extension, and in capitals where the file on disk has none ("Power" is
// power.wav).
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace vlr::platform {

class WaveFinder {
public:
    // The existing file `path` names, or "" when there is none. ".wav" is
    // added when the last path component has no extension; the file name is
    // matched without regard to case within its folder.
    std::string find(const std::string& given);

private:
    struct Listing {
        long long stamp = -1;  // the folder's modification time when listed
        std::map<std::string, std::string> by_lower_name;
    };
    const Listing* listing(const std::string& folder);

    std::mutex mutex_;
    std::map<std::string, Listing> folders_;
};

}  // namespace vlr::platform
