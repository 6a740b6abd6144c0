// A request from outside (a signal) to end the program in order. A signal
// handler may only set a flag; the window turns the flag into a close request
// between events, and a word being waited for is cut off so that the close
// is not held up by a long recording.
#pragma once

#include <atomic>

namespace vlr::platform {

// The signal that asked the program to end, 0 while none has. A lock-free
// atomic, so a signal handler may set it.
inline std::atomic<int> stop_request{0};
static_assert(std::atomic<int>::is_always_lock_free);

inline bool stop_requested() { return stop_request.load(std::memory_order_relaxed) != 0; }

}  // namespace vlr::platform
