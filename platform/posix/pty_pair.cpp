#include "platform/posix/pty_pair.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace vlr::platform {

namespace {

bool set_raw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

// The target of the symbolic link `link`, or "" when it is none.
std::string link_target(const std::string& link) {
    std::vector<char> buf(4096);
    ssize_t n = ::readlink(link.c_str(), buf.data(), buf.size() - 1);
    if (n < 0) return {};
    return std::string(buf.data(), static_cast<std::size_t>(n));
}

}  // namespace

PtyPair open_pty_pair() {
    PtyPair pair;
    pair.master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (pair.master < 0) return pair;
    ::fcntl(pair.master, F_SETFD, FD_CLOEXEC);
    char name[128] = {};
    if (::grantpt(pair.master) != 0 || ::unlockpt(pair.master) != 0 ||
        ::ptsname_r(pair.master, name, sizeof name) != 0) {
        close_pty_pair(pair);
        return pair;
    }
    pair.slave_name = name;
    pair.slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    // Raw on the slave: with the system's default echo every answer the
    // program writes would come straight back as if the client had sent it.
    if (pair.slave < 0 || !set_raw(pair.slave) || !set_raw(pair.master)) {
        close_pty_pair(pair);
        return pair;
    }
    int flags = ::fcntl(pair.master, F_GETFL);
    if (flags < 0 || ::fcntl(pair.master, F_SETFL, flags | O_NONBLOCK) != 0) close_pty_pair(pair);
    return pair;
}

void close_pty_pair(PtyPair& pair) {
    if (pair.slave >= 0) ::close(pair.slave);
    if (pair.master >= 0) ::close(pair.master);
    pair.slave = pair.master = -1;
}

bool make_client_link(const std::string& link, const std::string& target) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) return false;
        if (::unlink(link.c_str()) != 0) return false;
    }
    return ::symlink(target.c_str(), link.c_str()) == 0;
}

void remove_client_link(const std::string& link, const std::string& target) {
    if (!target.empty() && link_target(link) == target) ::unlink(link.c_str());
}

}  // namespace vlr::platform
