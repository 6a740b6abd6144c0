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
    bool link_as(const std::string& folder, int com) const;  // <folder>COM<com> to the slave
    void send(const std::string& bytes) const;                // what the radio sends
    // Reads until `count` bytes have come, or a generous limit has passed.
    std::string receive(std::size_t count) const;
    void close_master();  // the radio's cable is pulled
};

// Polls `done` until it holds or a generous limit has passed; the last result.
bool eventually(const std::function<bool()>& done);

}  // namespace vlr::test
