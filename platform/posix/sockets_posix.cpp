#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/posix/posix_sockets.hpp"

namespace vlr::platform {

namespace {

// The sockets the watcher waits on. The watcher only ever polls; the event
// loop's thread does all reading, writing and closing. A socket is closed
// only after the watcher has left a poll that might still hold it, so a
// number reused by the next accept is never watched by mistake.
class Watcher {
public:
    Watcher() {
        if (::pipe2(poke_, O_CLOEXEC | O_NONBLOCK) != 0) poke_[0] = poke_[1] = -1;
    }
    ~Watcher() {
        watch({});
        for (int fd : poke_)
            if (fd >= 0) ::close(fd);
    }

    void add(int fd) {
        std::lock_guard lock(mutex_);
        fds_.insert(fd);
        poke();
    }
    void remove(int fd) {
        std::unique_lock lock(mutex_);
        fds_.erase(fd);
        if (!polling_) return;
        const unsigned cycle = cycles_;
        poke();
        changed_.wait(lock, [&] { return cycles_ != cycle; });
    }
    void rearm() {
        std::lock_guard lock(mutex_);
        armed_ = true;
        changed_.notify_all();
    }
    void watch(std::function<void()> wake) {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
            poke();
            changed_.notify_all();
        }
        if (thread_.joinable()) thread_.join();
        if (!wake || poke_[0] < 0) return;
        std::lock_guard lock(mutex_);
        stop_ = false;
        armed_ = true;
        wake_ = std::move(wake);
        thread_ = std::thread([this] { run(); });
    }

private:
    void poke() {
        if (poke_[1] >= 0) (void)!::write(poke_[1], "x", 1);
    }

    void run() {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            if (!armed_) {
                changed_.wait(lock);
                continue;
            }
            std::vector<pollfd> set{{poke_[0], POLLIN, 0}};
            for (int fd : fds_) set.push_back({fd, POLLIN, 0});
            polling_ = true;
            lock.unlock();
            const int ready = ::poll(set.data(), set.size(), -1);
            lock.lock();
            polling_ = false;
            ++cycles_;
            changed_.notify_all();
            if (set[0].revents) {
                char drain[64];
                while (::read(poke_[0], drain, sizeof drain) > 0) {
                }
                continue;  // the set changed: look again
            }
            if (ready > 0 && !stop_) {
                armed_ = false;
                wake_();
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<int> fds_;
    int poke_[2] = {-1, -1};
    bool polling_ = false, armed_ = false, stop_ = false;
    unsigned cycles_ = 0;
    std::function<void()> wake_;
    std::thread thread_;
};

class PosixSocket {
public:
    PosixSocket(int fd, std::shared_ptr<Watcher> watcher) : fd_(fd), watcher_(std::move(watcher)) {
        watcher_->add(fd_);
    }
    ~PosixSocket() {
        watcher_->remove(fd_);
        ::close(fd_);
    }
    PosixSocket(const PosixSocket&) = delete;
    PosixSocket& operator=(const PosixSocket&) = delete;

protected:
    int fd_;
    std::shared_ptr<Watcher> watcher_;
};

class PosixConnection : public Connection, PosixSocket {
public:
    using PosixSocket::PosixSocket;
    int read(char* buffer, int max_count) override {
        if (max_count <= 0) return 0;
        const ssize_t n = ::recv(fd_, buffer, static_cast<std::size_t>(max_count), 0);
        if (n > 0) return static_cast<int>(n);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
        return -1;
    }
    int write(const char* bytes, int count) override {
        if (count <= 0) return 0;
        // A client gone away must not end the program with SIGPIPE.
        const ssize_t n = ::send(fd_, bytes, static_cast<std::size_t>(count), MSG_NOSIGNAL);
        if (n >= 0) return static_cast<int>(n);
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
    }
};

class PosixListener : public Listener, PosixSocket {
public:
    using PosixSocket::PosixSocket;
    std::unique_ptr<Connection> accept() override {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return nullptr;
        // Answers are short lines each awaited by the client: send at once.
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        return std::make_unique<PosixConnection>(fd, watcher_);
    }
};

class PosixSockets : public Sockets {
public:
    std::unique_ptr<Listener> listen(const std::string& address, int port) override {
        error_ = 0;
        sockaddr_storage where{};
        socklen_t size = 0;
        auto* v4 = reinterpret_cast<sockaddr_in*>(&where);
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&where);
        if (port < 1 || port > 65535) return nullptr;
        if (::inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
            v4->sin_family = AF_INET, v4->sin_port = htons(static_cast<uint16_t>(port));
            size = sizeof *v4;
        } else if (::inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
            v6->sin6_family = AF_INET6, v6->sin6_port = htons(static_cast<uint16_t>(port));
            size = sizeof *v6;
        } else {
            error_ = 2;
            return nullptr;
        }
        const int fd = ::socket(where.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) return nullptr;
        // A restart must not wait for the last run's connections to time out.
        const int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&where), size) != 0 || ::listen(fd, 16) != 0) {
            error_ = errno == EADDRINUSE ? 1 : errno == EADDRNOTAVAIL ? 2 : 0;
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<PosixListener>(fd, watcher_);
    }
    int last_listen_error() const override { return error_; }
    void watch(std::function<void()> wake) override { watcher_->watch(std::move(wake)); }
    void rearm() override { watcher_->rearm(); }

private:
    std::shared_ptr<Watcher> watcher_ = std::make_shared<Watcher>();
    int error_ = 0;
};

}  // namespace

std::unique_ptr<Sockets> make_posix_sockets() { return std::make_unique<PosixSockets>(); }

}  // namespace vlr::platform
