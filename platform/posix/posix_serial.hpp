// Serial devices on POSIX systems (Linux first). A COM number is looked up as
// a file, link or device named "COM<n>" in the working folder, so a user can
// point it at /dev/serial/by-id/... or a pseudo-terminal; without one it is
// /dev/ttyUSB<n-1> (COM1 is the first USB serial adapter).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/interfaces.hpp"

namespace vlr::platform {

// `folder` is where "COM<n>" entries are looked for; empty means the current
// folder.
std::unique_ptr<SerialSystem> make_posix_serial(std::string folder);

// The standard line speed nearest to `baud` (a configured 40000 runs at
// 38400); never 0, which would hang up the line.
int nearest_standard_speed(int baud);

// The serial devices under `dev` ("/dev/"): every /dev/serial/by-id name,
// then the ttyUSB, ttyACM and ttyS devices no such name leads to, a ttyS only
// when `sys_tty` ("/sys/class/tty/") reports a UART behind it.
std::vector<std::string> list_serial_devices(const std::string& dev, const std::string& sys_tty);

// Points the symbolic link `link` at `target`, replacing an older link (never
// a file or device) in one step.
bool link_port_name(const std::string& link, const std::string& target);

}  // namespace vlr::platform
