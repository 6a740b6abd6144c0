// Which serial ports this computer has, and the COM<n> links that give one a
// number the program finds it by.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/posix/posix_serial.hpp"

namespace fs = std::filesystem;

namespace vlr::platform {

namespace {

// Names in `folder` starting with `prefix`, in natural order (ttyUSB2 before
// ttyUSB10).
std::vector<std::string> names_starting(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return names;
}

// A ttyS device is listed for every possible 8250 slot; only those whose
// driver found a UART (type not 0, "unknown") are ports.
bool has_uart(const std::string& sys_tty, const std::string& name) {
    std::ifstream type(sys_tty + name + "/type");
    int code = 0;
    return static_cast<bool>(type >> code) && code != 0;
}

}  // namespace

std::vector<std::string> list_serial_devices(const std::string& dev, const std::string& sys_tty) {
    std::vector<std::string> ports;
    std::set<std::string> reached;  // devices a stable name already leads to
    std::error_code ec;
    const std::string by_id = dev + "serial/by-id/";
    for (const auto& name : names_starting(by_id, "")) {
        ports.push_back(by_id + name);
        const fs::path target = fs::canonical(by_id + name, ec);
        if (!ec) reached.insert(target.filename().string());
    }
    for (const char* kind : {"ttyUSB", "ttyACM", "ttyS"})
        for (const auto& name : names_starting(dev, kind)) {
            if (reached.count(name) != 0) continue;
            if (std::string(kind) == "ttyS" && !has_uart(sys_tty, name)) continue;
            ports.push_back(dev + name);
        }
    return ports;
}

bool link_port_name(const std::string& link, const std::string& target) {
    struct stat st {};
    // A file or device of the user's own under that name stays.
    if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) return false;
    // Already there (the port was searched under this very name): a new link
    // would point at itself.
    std::error_code ec;
    if (fs::equivalent(link, target, ec) && !ec) return true;
    const std::string fresh = link + ".new";
    ::unlink(fresh.c_str());
    if (::symlink(target.c_str(), fresh.c_str()) != 0) return false;
    if (std::rename(fresh.c_str(), link.c_str()) != 0) {
        ::unlink(fresh.c_str());
        return false;
    }
    return true;
}

}  // namespace vlr::platform
