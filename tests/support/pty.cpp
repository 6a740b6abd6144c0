#include "tests/support/pty.hpp"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include "tests/support/e2e_harness.hpp"

namespace vlr::test {

constexpr auto generous_limit = std::chrono::seconds(10);

PseudoTerminal::PseudoTerminal() {
    char name[128] = {};
    // No termios given: the slave starts with the system's defaults (echo,
    // line editing, CR/LF translation), which the program has to undo.
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        master = slave = -1;
        return;
    }
    slave_name = name;
    ::fcntl(master, F_SETFD, FD_CLOEXEC), ::fcntl(slave, F_SETFD, FD_CLOEXEC);
}

PseudoTerminal::~PseudoTerminal() {
    if (slave >= 0) ::close(slave);
    close_master();
}

bool PseudoTerminal::link_as(const std::string& folder, int com) const {
    std::string link = folder + "COM" + std::to_string(com);
    ::unlink(link.c_str());
    return ::symlink(slave_name.c_str(), link.c_str()) == 0;
}

void PseudoTerminal::send(const std::string& bytes) const {
    for (std::size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

std::string PseudoTerminal::receive(std::size_t count) const {
    std::string got;
    e2e::eventually([&] {
        pollfd p{master, POLLIN, 0};
        char buf[512];
        if (::poll(&p, 1, 50) <= 0) return false;
        ssize_t n = ::read(master, buf, std::min(sizeof buf, count - got.size()));
        if (n <= 0) return true;  // the other side is gone
        got.append(buf, static_cast<std::size_t>(n));
        return got.size() >= count;
    }, generous_limit);
    return got;
}

void PseudoTerminal::close_master() {
    if (master >= 0) ::close(master);
    master = -1;
}

bool eventually(const std::function<bool()>& done) { return e2e::eventually(done, generous_limit); }

}  // namespace vlr::test
