// TCP sockets for the network control port, as the core sees them: a
// listening socket that hands out connections, and connections that never
// block. Each backend (POSIX sockets, Winsock) implements these; the core
// holds no OS type.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace vlr::platform {

// One accepted connection. Neither call ever waits.
class Connection {
public:
    virtual ~Connection() = default;
    // Bytes that have arrived, at most `max_count`; 0 when none are waiting,
    // -1 when the other side has closed or the connection failed.
    virtual int read(char* buffer, int max_count) = 0;
    // Bytes the system took (0 while its buffer is full); -1 when the
    // connection has failed.
    virtual int write(const char* bytes, int count) = 0;
};

class Listener {
public:
    virtual ~Listener() = default;
    // The next waiting connection, or null when none waits.
    virtual std::unique_ptr<Connection> accept() = 0;
};

class Sockets {
public:
    virtual ~Sockets() = default;
    // Listens on `address` (a numeric IPv4 or IPv6 address) at `port`.
    // Null when it cannot; last_listen_error() then says why.
    virtual std::unique_ptr<Listener> listen(const std::string& address, int port) = 0;
    // Why the last listen failed: 0 other, 1 the port is in use, 2 the
    // address is not one of this computer's.
    virtual int last_listen_error() const { return 0; }
    // Lets the event loop sleep until there is something to do: `wake` is
    // called (from another thread; it must only wake the loop) once when
    // a listener or connection made here has something to read. After each
    // wake nothing more is reported until rearm(), which the loop calls when
    // it has read what there was. Calling it with an empty function stops
    // the watching. Backends without a watcher leave the loop to its ticks.
    virtual void watch(std::function<void()> wake) { (void)wake; }
    virtual void rearm() {}
};

}  // namespace vlr::platform
