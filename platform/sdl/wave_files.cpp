#include "platform/sdl/wave_files.hpp"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>

namespace vlr::platform {
namespace {

std::string lower(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

// Modification time in nanoseconds, or -1 when `path` is not a folder.
long long folder_stamp(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return -1;
    return static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
}

bool is_regular_file(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

// The listing is kept while the folder is unchanged, so a muted word (a name
// that never exists) costs one stat, not a folder scan.
const WaveFinder::Listing* WaveFinder::listing(const std::string& folder) {
    const long long stamp = folder_stamp(folder);
    if (stamp < 0) return nullptr;
    Listing& known = folders_[folder];
    if (known.stamp == stamp) return &known;
    known.by_lower_name.clear();
    known.stamp = stamp;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            // The first of several names differing only in case wins, the
            // same one every time.
            auto [place, added] = known.by_lower_name.emplace(lower(name), name);
            if (!added && name < place->second) place->second = name;
        }
        closedir(dir);
    }
    return &known;
}

std::string WaveFinder::find(const std::string& given) {
    // Word paths written for Windows ("wave\\point") work here as well.
    std::string path = given;
    for (char& ch : path)
        if (ch == '\\') ch = '/';
    if (path.empty() || path.back() == '/') return "";
    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.find('.') == std::string::npos) name += ".wav";
    const std::string prefix = slash == std::string::npos ? "" : path.substr(0, slash + 1);

    if (is_regular_file(prefix + name)) return prefix + name;
    std::lock_guard lock(mutex_);
    const Listing* known = listing(folder);
    if (!known) return "";
    auto found = known->by_lower_name.find(lower(name));
    if (found == known->by_lower_name.end()) return "";
    std::string full = prefix + found->second;
    return is_regular_file(full) ? full : "";
}

}  // namespace vlr::platform
