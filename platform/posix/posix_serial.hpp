// Serial devices on POSIX systems (Linux first). A COM number is looked up as
// a file, link or device named "COM<n>" in the working folder, so a user can
// point it at /dev/serial/by-id/... or a pseudo-terminal; without one it is
// /dev/ttyUSB<n-1> (COM1 is the first USB serial adapter).
#pragma once

#include <memory>
#include <string>

#include "platform/interfaces.hpp"

namespace vlr::platform {

// `folder` is where "COM<n>" entries are looked for; empty means the current
// folder.
std::unique_ptr<SerialSystem> make_posix_serial(std::string folder);

// The standard line speed nearest to `baud` (a configured 40000 runs at
// 38400); never 0, which would hang up the line.
int nearest_standard_speed(int baud);

}  // namespace vlr::platform
