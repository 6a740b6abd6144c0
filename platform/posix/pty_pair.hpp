// A pseudo-terminal pair standing in for a serial port that has no device:
// the program keeps the master, another program (a CAT client such as
// Hamlib's rigctl) opens the slave through a link with a fixed name, so the
// user needs no socat or virtual null-modem driver.
#pragma once

#include <string>

namespace vlr::platform {

struct PtyPair {
    int master = -1;         // the program's end, non-blocking
    int slave = -1;          // held open by the program, see open_pty_pair
    std::string slave_name;  // e.g. /dev/pts/4
    bool ok() const { return master >= 0 && slave >= 0; }
};

// Makes a pair in raw mode (no echo, no line editing, no translation). The
// program holds the slave open itself: a client that opens and closes the
// line for every command (rigctl does) would otherwise hang the line up each
// time, losing what is queued and the raw settings with it.
PtyPair open_pty_pair();
void close_pty_pair(PtyPair& pair);

// Points `link` at `target`, replacing a link left there by an earlier run.
// A file or folder that is not a symbolic link is never replaced: false.
bool make_client_link(const std::string& link, const std::string& target);

// Removes `link` only while it still points at `target`: a link the user has
// since pointed elsewhere stays.
void remove_client_link(const std::string& link, const std::string& target);

}  // namespace vlr::platform
