#include "platform/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace vlr::platform {

namespace {

// The file a replacement lands in: the target of a symbolic link rather than
// the link, so that a savmem.dat kept elsewhere and linked here stays linked.
std::string replacement_target(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string target = real;
    std::free(real);
    return target;
}

bool write_all(int fd, const std::string& content) {
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

bool replace_file(const std::string& given_path, const std::string& content) {
    const std::string path = replacement_target(given_path);
    struct stat old {};
    const bool had_old = ::stat(path.c_str(), &old) == 0;
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
