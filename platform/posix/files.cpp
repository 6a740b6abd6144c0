#include "platform/files.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

namespace vlr::platform {

namespace {

bool write_all(int fd, const std::string& content, long long* written = nullptr) {
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        // A full disk or a file-size limit (EFBIG; the program ignores
        // SIGXFSZ so that it gets the error rather than being killed).
        if (n <= 0) return false;
        p += n;
        left -= static_cast<std::size_t>(n);
        if (written) *written += n;
    }
    return true;
}

// Makes a finished rename survive a power cut: the folder entry is flushed
// too. Failing here changes nothing for the caller, the file is in place.
void sync_folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string own_file_path(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    // A link in a folder others may write to can be anyone's: one that
    // leads to another user's file would have the program overwrite that
    // file (and take it over). Only a link this user made to a file of this
    // user is the user's own arrangement.
    struct stat target {};
    if (link.st_uid != ::geteuid() || ::stat(path.c_str(), &target) != 0 ||
        !S_ISREG(target.st_mode) || target.st_uid != ::geteuid())
        return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string resolved = real;
    std::free(real);
    return resolved;
}

bool replace_file(const std::string& given_path, const std::string& content) {
    const std::string path = own_file_path(given_path);
    struct stat old {};
    // A link that is not followed is replaced like a missing file: nothing
    // of its target (permissions included) is taken over.
    const bool had_old = ::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    // A file its owner made read-only is left as it is, as opening it for
    // writing would have left it; the rename alone would not ask.
    if (had_old && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return false;

    const std::string temp = path + ".new";
    // A leftover of a save that was killed half-way, or anything planted
    // under that name: a link must not lead the write to another file.
    ::unlink(temp.c_str());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = write_all(fd, content);
    // The replacement keeps the permissions of the file it replaces.
    if (ok && had_old) ::fchmod(fd, old.st_mode & 0777);
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    sync_folder_of(path);
    return true;
}

bool read_regular_file(const std::string& path, std::string& content) {
    // Non-blocking: opening a FIFO for reading would otherwise wait for a
    // writer before the check below could refuse it.
    int fd = ::open(own_file_path(path).c_str(),
                    O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::string out;
    char buffer[65536];
    while (ok) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (ok) content = std::move(out);
    return ok;
}

std::string keep_aside(const std::string& path) {
    for (int copy = 0; copy < 1000; ++copy) {
        const std::string name = path + ".bad" + (copy == 0 ? "" : "." + std::to_string(copy));
        struct stat st {};
        if (::lstat(name.c_str(), &st) == 0 || errno != ENOENT) continue;
        return std::rename(path.c_str(), name.c_str()) == 0 ? name : std::string();
    }
    return {};
}

std::string keep_copy(const std::string& path, const std::string& suffix) {
    std::string content;
    if (!read_regular_file(path, content)) return {};
    for (int copy = 0; copy < 1000; ++copy) {
        const std::string name = path + suffix + (copy == 0 ? "" : "." + std::to_string(copy));
        // O_EXCL: a name taken meanwhile, or a link planted there, is skipped.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return {};
        bool whole = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
        whole = ::fsync(fd) == 0 && whole;
        whole = ::close(fd) == 0 && whole;
        if (whole) return name;
        ::unlink(name.c_str());
        return {};
    }
    return {};
}

bool FileLock::take(const std::string& path) {
    release();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

void FileLock::release() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
}

bool AppendFile::open(const std::string& given_path) {
    close();
    const std::string path = own_file_path(given_path);
    struct stat st {};
    // Someone else's link is taken away, not written through.
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) ::unlink(path.c_str());
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                    0644);
    if (fd < 0) return false;
    // Emptied only once it is known to be a regular file.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = 0;
    path_ = path;
    return true;
}

bool AppendFile::write(const std::string& bytes) {
    if (fd_ < 0) return false;
    const bool ok = write_all(fd_, bytes, &size_);
    return ok;
}

void AppendFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

bool rename_file(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void remove_file(const std::string& path) { ::unlink(path.c_str()); }

void sleep_ms(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

long long now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

static std::tm local_now() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

std::string local_date_text() {
    std::tm tm = local_now();
    char buf[16];
    std::strftime(buf, sizeof buf, "%d-%m-%Y", &tm);
    return buf;
}

std::string local_time_text() {
    std::tm tm = local_now();
    char buf[16];
    std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
    return buf;
}

}  // namespace vlr::platform
