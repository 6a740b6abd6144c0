#include "emulator/pty_radio.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/posix/pty_pair.hpp"

namespace vlr::emu {
namespace {

// A command that never ends is noise, not a command: a real radio forgets it
// too rather than growing its buffer without bound.
constexpr std::size_t longest_command = 256;

void close_fd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

PtyRadio::PtyRadio(RadioModel model, PtyOptions options)
    : model_(std::move(model)),
      reply_delay_ms_(options.reply_delay_ms),
      baud_(options.baud),
      stop_bits_(options.stop_bits) {
    if (::pipe2(wake_pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    if (open_pty()) start_thread();
}

PtyRadio::~PtyRadio() {
    stop();
    close_fd(wake_pipe_[0]);
    close_fd(wake_pipe_[1]);
}

bool PtyRadio::ok() const { return open_ && thread_.joinable(); }

std::string PtyRadio::slave_path() const {
    std::lock_guard<std::mutex> lock(state_mutex_);
    return slave_path_;
}

std::string PtyRadio::link_path() const {
    std::lock_guard<std::mutex> lock(state_mutex_);
    return link_path_;
}

bool PtyRadio::open_pty() {
    // Holding the slave open ourselves keeps the master readable while the
    // program closes and reopens its port, and keeps the line raw for it.
    platform::PtyPair pair = platform::open_pty_pair();
    if (!pair.ok()) return false;
    master_ = pair.master;
    own_slave_ = pair.slave;
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        slave_path_ = pair.slave_name;
    }
    open_ = true;
    return true;
}

void PtyRadio::close_pty() {
    open_ = false;
    close_fd(own_slave_);
    close_fd(master_);
    std::lock_guard<std::mutex> lock(state_mutex_);
    slave_path_.clear();
}

void PtyRadio::start_thread() {
    stopping_ = false;
    thread_ = std::thread([this] { serve(); });
}

void PtyRadio::stop_thread() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    wake();
    thread_.join();
    stopping_ = false;
}

void PtyRadio::stop() {
    stop_thread();
    remove_link();
    close_pty();
    std::lock_guard<std::mutex> lock(state_mutex_);
    link_path_.clear();
}

void PtyRadio::wake() {
    if (wake_pipe_[1] < 0) return;
    char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_pipe_[1], &byte, 1);
}

// A wake only makes the thread look at its flags again; the flags themselves
// (stopping, unasked bytes) are read afresh after every wait.
void PtyRadio::drain_wakes() {
    char drain[64];
    while (wake_pipe_[0] >= 0 && ::read(wake_pipe_[0], drain, sizeof drain) > 0) {
    }
}

// ---- The link ----

bool PtyRadio::link(const std::string& path) {
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) return false;
    std::string old_link = link_path();
    if (!old_link.empty() && old_link != path) remove_link();
    std::string slave = slave_path();
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        link_path_ = path;
    }
    if (slave.empty()) return true;  // hung up: made on come_back
    // Built beside and renamed over, so the name never points nowhere.
    std::string fresh = path + ".new";
    ::unlink(fresh.c_str());
    if (::symlink(slave.c_str(), fresh.c_str()) != 0) return false;
    if (::rename(fresh.c_str(), path.c_str()) != 0) {
        ::unlink(fresh.c_str());
        return false;
    }
    return true;
}

bool PtyRadio::link_com(const std::string& folder, int com) {
    std::string base = folder.empty() ? std::string(".") : folder;
    if (base.back() != '/') base += '/';
    return link(base + "COM" + std::to_string(com));
}

// Removes the link only while it still leads to this radio: another emulator
// may have taken the name since.
void PtyRadio::remove_link() {
    std::string path = link_path();
    std::string slave = slave_path();
    if (!path.empty()) platform::remove_client_link(path, slave);
}

// ---- Hang-up ----

void PtyRadio::hang_up() {
    if (hung_up_) return;
    stop_thread();
    remove_link();
    close_pty();
    hung_up_ = true;
}

bool PtyRadio::come_back() {
    if (!hung_up_) return ok();
    if (!open_pty()) return false;
    hung_up_ = false;
    std::string path = link_path();
    bool linked = path.empty() || link(path);
    start_thread();
    return linked;
}

// ---- Access from other threads ----

std::vector<std::string> PtyRadio::record() const {
    std::lock_guard<std::mutex> lock(model_mutex_);
    return model_.record();
}

void PtyRadio::clear_record() {
    std::lock_guard<std::mutex> lock(model_mutex_);
    model_.clear_record();
}

std::vector<std::string> PtyRadio::sent() const {
    std::lock_guard<std::mutex> lock(state_mutex_);
    return sent_;
}

void PtyRadio::clear_sent() {
    std::lock_guard<std::mutex> lock(state_mutex_);
    sent_.clear();
}

void PtyRadio::turn_dial(long long hz) {
    std::lock_guard<std::mutex> lock(model_mutex_);
    model_.turn_dial(hz);
}

void PtyRadio::on_command(std::function<void(const std::string&, const std::string&)> hook) {
    std::lock_guard<std::mutex> lock(model_mutex_);
    hook_ = std::move(hook);
}

void PtyRadio::send_unasked(const std::string& bytes) {
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        unasked_ += bytes;
    }
    wake();
}

void PtyRadio::send_burst(std::size_t bytes, bool with_nul) {
    // Made here rather than in the thread, so it needs its own generator.
    std::minstd_rand noise(static_cast<std::uint32_t>(bytes) + 1);
    std::string burst;
    burst.reserve(bytes);
    for (std::size_t i = 0; i < bytes; ++i) {
        if (with_nul && noise() % 8 == 0) {
            burst += '\0';
            continue;
        }
        char c = static_cast<char>('0' + noise() % 43);  // digits, a few signs, capitals
        burst += c == ';' ? ':' : c;
    }
    send_unasked(burst);
}

void PtyRadio::set_dial_drift(long long hz, int interval_ms) {
    drift_hz_ = hz;
    drift_interval_ms_ = interval_ms;
    wake();
}

// ---- The serving thread ----

void PtyRadio::serve() {
    std::string pending;
    auto next_drift = Clock::now();
    char buffer[512];
    while (!stopping_) {
        std::string unasked;
        {
            std::lock_guard<std::mutex> lock(state_mutex_);
            unasked.swap(unasked_);
        }
        if (!unasked.empty()) write_paced(unasked);
        drift_dial(next_drift);

        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_pipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, 20) < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN) drain_wakes();
        if (!(fds[0].revents & POLLIN)) {
            // No slave end open anywhere (ours is, so this is rare): nothing
            // to read until one is, and poll would not wait for it.
            if (fds[0].revents & (POLLHUP | POLLERR)) nap(10);
            continue;
        }
        ssize_t got = ::read(master_, buffer, sizeof buffer);
        if (got > 0) {
            pending.append(buffer, static_cast<std::size_t>(got));
            serve_commands(pending);
        } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
            nap(10);
        }
    }
}

void PtyRadio::serve_commands(std::string& pending) {
    std::size_t end;
    while (!stopping_ && (end = pending.find(';')) != std::string::npos) {
        std::string command = pending.substr(0, end + 1);
        pending.erase(0, end + 1);
        std::string reply;
        {
            std::lock_guard<std::mutex> lock(model_mutex_);
            reply = model_.handle(command);
            if (hook_) hook_(command, reply);
        }
        if (!reply.empty()) answer(reply);
    }
    if (pending.size() > longest_command) pending.clear();
}

void PtyRadio::answer(const std::string& reply) {
    Fault fault = fault_;
    if (fault == Fault::silent) return;
    if (!nap(fault == Fault::late ? late_delay_ms_.load() : reply_delay_ms_.load())) return;
    switch (fault) {
        case Fault::pieces: {
            std::size_t parts = std::min<std::size_t>(reply.size(), reply.size() > 4 ? 3 : 2);
            std::size_t at = 0;
            for (std::size_t i = 0; i < parts; ++i) {
                std::size_t len = i + 1 == parts ? reply.size() - at : reply.size() / parts;
                if (i > 0 && !nap(piece_gap_ms_)) return;
                write_paced(reply.substr(at, len));
                at += len;
            }
            break;
        }
        case Fault::garbage:
            write_paced(stray_bytes(3 + noise_() % 6, false) + reply);
            break;
        case Fault::garbage_only:
            write_paced(stray_bytes(reply.size(), false));
            break;
        case Fault::burst:
            write_paced(stray_bytes(burst_bytes_, burst_nul_));
            write_paced(reply);
            break;
        default:
            write_paced(reply);
            break;
    }
}

// Bytes of any value but ";" (so they never end a reply by themselves); NUL
// only when asked for.
std::string PtyRadio::stray_bytes(std::size_t count, bool with_nul) {
    std::string bytes;
    bytes.reserve(count);
    while (bytes.size() < count) {
        if (with_nul && noise_() % 8 == 0) {
            bytes += '\0';
            continue;
        }
        char c = static_cast<char>(1 + noise_() % 255);
        if (c != ';') bytes += c;
    }
    return bytes;
}

void PtyRadio::drift_dial(Clock::time_point& next) {
    long long hz = drift_hz_;
    int interval = drift_interval_ms_;
    if (hz == 0 || interval <= 0) return;
    auto now = Clock::now();
    if (now < next) return;
    next = now + std::chrono::milliseconds(interval);
    {
        std::lock_guard<std::mutex> lock(model_mutex_);
        model_.turn_dial(hz * drift_direction_);
    }
    // Back and forth, so that a long run does not wander out of the band.
    if (++drift_steps_ % 50 == 0) drift_direction_ = -drift_direction_;
}

// Sends bytes no faster than the line would carry them: bits per byte (start,
// 8 data, stop bits) over the baud rate, in slices of about 2 ms.
bool PtyRadio::write_paced(const std::string& bytes) {
    {
        std::lock_guard<std::mutex> lock(state_mutex_);
        sent_.push_back(bytes);
    }
    int baud = baud_;
    if (baud <= 0) return write_all(bytes.data(), bytes.size());
    double byte_us = (stop_bits_ == 1 ? 10.0 : 11.0) * 1e6 / baud;
    std::size_t slice = std::max<std::size_t>(1, static_cast<std::size_t>(2000.0 / byte_us));
    auto start = Clock::now();
    for (std::size_t at = 0; at < bytes.size(); at += slice) {
        std::size_t len = std::min(slice, bytes.size() - at);
        if (!write_all(bytes.data() + at, len)) return false;
        auto done = start + std::chrono::microseconds(static_cast<long long>((at + len) * byte_us));
        if (!nap_until(done)) return false;
    }
    return true;
}

bool PtyRadio::write_all(const char* data, std::size_t size) {
    while (size > 0) {
        if (stopping_) return false;
        ssize_t n = ::write(master_, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        // The program is not reading and the line is full: wait for room.
        pollfd fds[2] = {{master_, POLLOUT, 0}, {wake_pipe_[0], POLLIN, 0}};
        ::poll(fds, 2, 50);
        if (fds[1].revents & POLLIN) drain_wakes();
    }
    return true;
}

// Waits until `deadline` unless the radio is being stopped (then false).
bool PtyRadio::nap_until(Clock::time_point deadline) {
    while (!stopping_) {
        auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) return true;
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec wait{static_cast<time_t>(ns / 1'000'000'000),
                      static_cast<long>(ns % 1'000'000'000)};
        pollfd fd{wake_pipe_[0], POLLIN, 0};
        if (::ppoll(&fd, 1, &wait, nullptr) > 0) drain_wakes();
    }
    return false;
}

}  // namespace vlr::emu
