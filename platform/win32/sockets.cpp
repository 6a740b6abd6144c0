// The network control port on Winsock. There is no watcher thread: the
// window's ticks (every 50 ms) look at the sockets, which never block.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/win32/win32_platform.hpp"

namespace vlr::platform {
namespace {

class WinSocket {
public:
    explicit WinSocket(SOCKET s) : socket_(s) {
        u_long on = 1;
        ioctlsocket(socket_, FIONBIO, &on);
    }
    ~WinSocket() { closesocket(socket_); }
    WinSocket(const WinSocket&) = delete;
    WinSocket& operator=(const WinSocket&) = delete;

protected:
    SOCKET socket_;
};

class WinConnection : public Connection, WinSocket {
public:
    using WinSocket::WinSocket;
    int read(char* buffer, int max_count) override {
        if (max_count <= 0) return 0;
        const int n = recv(socket_, buffer, max_count, 0);
        if (n > 0) return n;
        return n < 0 && WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
    }
    int write(const char* bytes, int count) override {
        if (count <= 0) return 0;
        const int n = send(socket_, bytes, count, 0);
        if (n >= 0) return n;
        return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
    }
};

class WinListener : public Listener, WinSocket {
public:
    using WinSocket::WinSocket;
    std::unique_ptr<Connection> accept() override {
        const SOCKET s = ::accept(socket_, nullptr, nullptr);
        if (s == INVALID_SOCKET) return nullptr;
        // Answers are short lines each awaited by the client: send at once.
        const BOOL one = TRUE;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
        return std::make_unique<WinConnection>(s);
    }
};

class WinSockets : public Sockets {
public:
    WinSockets() { started_ = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~WinSockets() override {
        if (started_) WSACleanup();
    }
    std::unique_ptr<Listener> listen(const std::string& address, int port) override {
        error_ = 0;
        if (!started_ || port < 1 || port > 65535) return nullptr;
        sockaddr_storage where{};
        int size = 0;
        auto* v4 = reinterpret_cast<sockaddr_in*>(&where);
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&where);
        if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
            v4->sin_family = AF_INET, v4->sin_port = htons(static_cast<u_short>(port));
            size = sizeof *v4;
        } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
            v6->sin6_family = AF_INET6, v6->sin6_port = htons(static_cast<u_short>(port));
            size = sizeof *v6;
        } else {
            error_ = 2;
            return nullptr;
        }
        const SOCKET s = socket(where.ss_family, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) return nullptr;
        // Windows lets a second program bind a port in use when both ask for
        // reuse; exclusive use makes a busy port a failure, as elsewhere.
        const BOOL one = TRUE;
        setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one), sizeof one);
        if (bind(s, reinterpret_cast<sockaddr*>(&where), size) != 0 || ::listen(s, 16) != 0) {
            const int why = WSAGetLastError();
            error_ = why == WSAEADDRINUSE || why == WSAEACCES ? 1 : why == WSAEADDRNOTAVAIL ? 2 : 0;
            closesocket(s);
            return nullptr;
        }
        return std::make_unique<WinListener>(s);
    }
    int last_listen_error() const override { return error_; }

private:
    WSADATA data_{};
    bool started_ = false;
    int error_ = 0;
};

}  // namespace

std::unique_ptr<Sockets> make_win32_sockets() { return std::make_unique<WinSockets>(); }

}  // namespace vlr::platform
