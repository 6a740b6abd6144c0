// TCP sockets on POSIX systems, with a watcher thread that wakes the event
// loop when a client has written something.
#pragma once

#include <memory>

#include "platform/sockets.hpp"

namespace vlr::platform {

std::unique_ptr<Sockets> make_posix_sockets();

}  // namespace vlr::platform
