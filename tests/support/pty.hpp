// A real pseudo-terminal for tests of the serial layer: the program opens the
// slave side as its "radio", the test plays the radio on the master side.
#pragma once

#include <functional>
#include <string>

namespace vlr::test {

class PseudoTerminal {
public:
    int master = -1;
    int slave = -1;          // held open by the test so the pair outlives the program's close
    std::string slave_name;  // e.g. /dev/pts/3

    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool ok() const { return master >= 0 && slave >= 0; }
    // Makes `folder` + "COM<com>" a link to the slave, where the serial
    // backend looks for it.
    bool link_as(const std::string& folder, int com) const;
    // Writes `bytes` on the master side (what the radio sends).
    void send(const std::string& bytes) const;
    // Reads from the master until `count` bytes have come, or gives up after
    // a generous limit (only a broken program ever reaches it).
    std::string receive(std::size_t count) const;
    // Closes the master: the radio's cable is pulled.
    void close_master();
};

// Polls `done` until it is true or a generous limit has passed; the result
// of the last check. For data that crosses the pty asynchronously.
bool eventually(const std::function<bool()>& done);

}  // namespace vlr::test
