// Serial devices through termios. The device is kept non-blocking at all
// times; waiting, where any is wanted, is done with poll() so that nothing in
// this file can hang the program on a wedged or vanished device.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <iterator>

#include "platform/posix/posix_serial.hpp"
#include "platform/posix/pty_pair.hpp"

namespace vlr::platform {

namespace {

struct SpeedEntry {
    int baud;
    speed_t code;
};

// Every speed termios can name on this system, ascending.
constexpr SpeedEntry speed_table[] = {
    {50, B50},           {75, B75},         {110, B110},       {134, B134},     {150, B150},
    {200, B200},         {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
    {2400, B2400},       {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
    {57600, B57600},     {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},
#endif
#ifdef B576000
    {576000, B576000},
#endif
#ifdef B921600
    {921600, B921600},
#endif
#ifdef B1000000
    {1000000, B1000000},
#endif
#ifdef B1152000
    {1152000, B1152000},
#endif
#ifdef B1500000
    {1500000, B1500000},
#endif
#ifdef B2000000
    {2000000, B2000000},
#endif
#ifdef B2500000
    {2500000, B2500000},
#endif
#ifdef B3000000
    {3000000, B3000000},
#endif
#ifdef B3500000
    {3500000, B3500000},
#endif
#ifdef B4000000
    {4000000, B4000000},
#endif
};

const SpeedEntry& nearest_speed_entry(int baud) {
    const SpeedEntry* best = &speed_table[0];
    for (const auto& e : speed_table) {
        long long d = std::llabs(static_cast<long long>(e.baud) - baud);
        long long best_d = std::llabs(static_cast<long long>(best->baud) - baud);
        if (d < best_d) best = &e;
    }
    return *best;
}

using Clock = std::chrono::steady_clock;

int ms_until(Clock::time_point deadline) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return 0;
    return left > 60000 ? 60000 : static_cast<int>(left);
}

// Errors after which the device is gone for good (USB adapter pulled, the
// other end of a pseudo-terminal closed): only a fresh open can help.
bool is_gone_error(int err) { return err == EIO || err == ENXIO || err == ENODEV || err == EBADF; }

// A write that cannot get rid of its bytes within this time gives up, so a
// device that stopped taking data never freezes the whole program.
constexpr int write_limit_ms = 2000;

// After a byte has arrived, a waiting read stops when the line stays quiet
// this long.
constexpr int byte_gap_ms = 1000;

class PosixSerialPort : public SerialPort {
public:
    explicit PosixSerialPort(int fd) : fd_(fd) {}
    ~PosixSerialPort() override {
        // Exclusive mode belongs to the tty, not to our descriptor: lift it,
        // or the device stays locked while any other descriptor holds it.
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
    }
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    bool set_line_format(int data_bits, int parity, int stop_bits) override {
        termios tio{};
        if (::tcgetattr(fd_, &tio) != 0) return note_failure();
        tcflag_t size;
        switch (data_bits) {
            case 5:
                size = CS5;
                break;
            case 6:
                size = CS6;
                break;
            case 7:
                size = CS7;
                break;
            case 8:
                size = CS8;
                break;
            default:
                return false;
        }
        tio.c_cflag = (tio.c_cflag & ~CSIZE) | size;
        switch (parity) {
            case 0:
                tio.c_cflag &= ~(PARENB | PARODD);
                break;
            case 1:
                tio.c_cflag |= PARENB | PARODD;
                break;
            case 2:
                tio.c_cflag = (tio.c_cflag | PARENB) & ~PARODD;
                break;
            default:
                return false;
        }
        if (stop_bits == 1)
            tio.c_cflag &= ~CSTOPB;
        else
            tio.c_cflag |= CSTOPB;
        if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return note_failure();
        return true;
    }

    void set_read_timeouts(int per_byte_ms) override { per_byte_ms_ = per_byte_ms; }

    int write(const char* bytes, int count) override {
        if (count <= 0 || bytes == nullptr) return 0;
        const auto deadline = Clock::now() + std::chrono::milliseconds(write_limit_ms);
        int done = 0;
        while (done < count) {
            ssize_t n = ::write(fd_, bytes + done, static_cast<std::size_t>(count - done));
            if (n > 0) {
                done += static_cast<int>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                note_failure();
                break;
            }
            if (!wait_for(POLLOUT, ms_until(deadline))) break;
        }
        return done;
    }

    int bytes_waiting() override {
        int n = 0;
        if (::ioctl(fd_, FIONREAD, &n) != 0) {
            note_failure();
            return 0;
        }
        return n < 0 ? 0 : n;
    }

    int read(char* buffer, int max_count) override {
        if (max_count <= 0 || buffer == nullptr) return 0;
        if (per_byte_ms_ < 0) return read_once(buffer, max_count);
        return read_waiting(buffer, max_count);
    }

    bool set_speed(int baud) override {
        termios tio{};
        if (::tcgetattr(fd_, &tio) != 0) return note_failure();
        if (::cfsetspeed(&tio, nearest_speed_entry(baud).code) != 0) return false;
        return ::tcsetattr(fd_, TCSANOW, &tio) == 0 || note_failure();
    }

    bool alive() override {
        if (gone_) return false;
        pollfd p{fd_, 0, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) gone_ = true;
        return !gone_;
    }

private:
    int fd_;
    int per_byte_ms_ = 5;
    bool gone_ = false;

    bool note_failure() {
        if (is_gone_error(errno)) gone_ = true;
        return false;
    }

    // One read of what has arrived; 0 when nothing has.
    int read_once(char* buffer, int max_count) {
        for (;;) {
            ssize_t n = ::read(fd_, buffer, static_cast<std::size_t>(max_count));
            if (n >= 0) return static_cast<int>(n);
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) note_failure();
            return 0;
        }
    }

    // Reads until max_count bytes, per_byte_ms for each byte asked for in
    // all, or a quiet gap after the first byte, whichever comes first.
    int read_waiting(char* buffer, int max_count) {
        long long total_ms = static_cast<long long>(per_byte_ms_) * max_count;
        const auto deadline = Clock::now() + std::chrono::milliseconds(std::min(total_ms, 60000LL));
        int got = 0;
        Clock::time_point gap_end = deadline;
        while (got < max_count) {
            int n = read_once(buffer + got, max_count - got);
            if (n > 0) {
                got += n;
                gap_end = Clock::now() + std::chrono::milliseconds(byte_gap_ms);
                continue;
            }
            if (gone_) break;
            int wait = ms_until(std::min(deadline, gap_end));
            if (wait <= 0 || !wait_for(POLLIN, wait)) break;
        }
        return got;
    }

    // Waits until the device is ready for `events`; false on time-out or
    // when the device has gone.
    bool wait_for(short events, int timeout_ms) {
        if (timeout_ms <= 0) return false;
        pollfd p{fd_, events, 0};
        int r;
        do {
            r = ::poll(&p, 1, timeout_ms);
        } while (r < 0 && errno == EINTR);
        if (r <= 0) return false;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            gone_ = true;
            return false;
        }
        return (p.revents & events) != 0;
    }
};

// The program's end of a pseudo-terminal pair made for a client program.
// Closing it closes both ends and takes the client's link away, so a client
// started later finds no line rather than a dead one.
class ClientPtyPort : public PosixSerialPort {
public:
    ClientPtyPort(const PtyPair& pair, std::string link)
        : PosixSerialPort(pair.master),
          slave_(pair.slave),
          slave_name_(pair.slave_name),
          link_(std::move(link)) {}
    ~ClientPtyPort() override {
        remove_client_link(link_, slave_name_);
        ::close(slave_);
    }

private:
    int slave_;
    std::string slave_name_;
    std::string link_;
};

class PosixSerialSystem : public SerialSystem {
public:
    explicit PosixSerialSystem(std::string folder) : folder_(std::move(folder)) {
        if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
    }

    std::string device_path(int com) const override {
        if (com < 1) return {};
        std::string own = own_entry(com);
        struct stat st {};
        // lstat: a link whose target has vanished (adapter unplugged) still
        // names the user's choice; opening it fails rather than falling back
        // to some other device.
        if (::lstat(own.c_str(), &st) == 0) return own;
        return "/dev/ttyUSB" + std::to_string(com - 1);
    }

    std::unique_ptr<SerialPort> open(int com, int speed) override {
        last_error_ = 0;
        const std::string path = device_path(com);
        if (path.empty()) return nullptr;
        int open_errno = 0;
        const int fd = open_exclusive(path, open_errno);
        if (fd < 0) {
            // Only a port with no device at all becomes a pair: an entry of
            // the user's own that fails to open (adapter unplugged) stays a
            // failure, never quietly something else.
            if (open_errno == ENOENT && com == client_pty_com_ && path != own_entry(com))
                return open_client_pty(com, speed);
            return nullptr;
        }
        auto port = std::make_unique<PosixSerialPort>(fd);
        if (!apply_start_settings(fd, speed)) return nullptr;  // port closes the device
        return port;
    }

    std::unique_ptr<SerialPort> open_quietly(const std::string& name, int speed) override {
        last_error_ = 0;
        int open_errno = 0;
        const int fd = open_exclusive(name, open_errno);
        if (fd < 0) return nullptr;
        auto port = std::make_unique<PosixSerialPort>(fd);
        // The system raised RTS and DTR as it opened the line: down at once,
        // and no hardware flow control, which would raise RTS again by itself.
        int lines = TIOCM_RTS | TIOCM_DTR;
        ::ioctl(fd, TIOCMBIC, &lines);  // a pseudo-terminal has no such lines
        if (!apply_start_settings(fd, speed)) return nullptr;
        termios tio{};
        if (::tcgetattr(fd, &tio) == 0) {
            tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
            ::tcsetattr(fd, TCSANOW, &tio);
        }
        ::ioctl(fd, TIOCMBIC, &lines);
        return port;
    }

    std::vector<std::string> list_ports() const override { return list_serial_devices("/dev/", "/sys/class/tty/"); }

    bool name_port(int com, const std::string& name) override {
        return com >= 1 && link_port_name(own_entry(com), name);
    }

    int last_open_error() const override { return last_error_; }

    void allow_client_pty(int com) override { client_pty_com_ = com >= 1 ? com : 0; }

    std::string client_pty_path(int com) const override {
        if (com < 1 || com != client_pty_com_) return {};
        return own_entry(com) + "-client";
    }

private:
    std::string folder_;
    int last_error_ = 0;
    int client_pty_com_ = 0;

    std::string own_entry(int com) const { return folder_ + "COM" + std::to_string(com); }

    // Opens `path` for this program alone; -1 with last_error_ and `err` set
    // when it cannot be.
    int open_exclusive(const std::string& path, int& err) {
        int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            err = errno;
            if (err == EACCES || err == EPERM) last_error_ = open_error_permission;
            // A tty in exclusive mode refuses every other open with EBUSY.
            if (err == EBUSY) last_error_ = open_error_busy;
            if (err == EISDIR) last_error_ = open_error_not_serial;
            return -1;
        }
        // Not shared with other programs: the lock keeps out every program
        // that locks (and our own second open), TIOCEXCL keeps out the rest
        // unless they run as root.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            last_error_ = errno == EWOULDBLOCK ? open_error_busy : 0;
            ::close(fd);
            return -1;
        }
        // A file, a pipe or /dev/null is no serial line: TIOCEXCL and the
        // line settings fail on it with ENOTTY.
        if (::ioctl(fd, TIOCEXCL) != 0) {
            last_error_ = errno == ENOTTY ? open_error_not_serial : 0;
            ::close(fd);
            return -1;
        }
        return fd;
    }

    std::unique_ptr<SerialPort> open_client_pty(int com, int speed) {
        PtyPair pair = open_pty_pair();
        if (!pair.ok()) return nullptr;
        const std::string link = client_pty_path(com);
        if (!make_client_link(link, pair.slave_name)) {
            close_pty_pair(pair);
            return nullptr;
        }
        auto port = std::make_unique<ClientPtyPort>(pair, link);
        // The speed means nothing on a pseudo-terminal, but the settings are
        // those of every other port, so the line behaves the same.
        if (!apply_start_settings(pair.master, speed)) return nullptr;
        return port;
    }

    // Raw bytes both ways at `speed`, 8N1, reads returning at once. Hardware
    // flow control stays as the system set it up; software flow control is
    // off, since it would swallow bytes and the link must be transparent.
    static bool apply_start_settings(int fd, int speed) {
        termios tio{};
        if (::tcgetattr(fd, &tio) != 0) return false;
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cflag = (tio.c_cflag & ~(CSIZE | PARENB | PARODD | CSTOPB)) | CS8;
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        if (::cfsetspeed(&tio, nearest_speed_entry(speed).code) != 0) return false;
        return ::tcsetattr(fd, TCSANOW, &tio) == 0;
    }
};

}  // namespace

int nearest_standard_speed(int baud) { return nearest_speed_entry(baud).baud; }

std::unique_ptr<SerialSystem> make_posix_serial(std::string folder) {
    return std::make_unique<PosixSerialSystem>(std::move(folder));
}

}  // namespace vlr::platform
