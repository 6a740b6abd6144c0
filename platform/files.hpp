// File operations that need more than the standard library: replacing a file
// so that the old one stays whole until the new one is complete, reading and
// appending only to regular files, and never writing through a link someone
// else has planted.
#pragma once

#include <string>
#include <utility>

namespace vlr::platform {

// Writes `content` to a new file beside `path`, flushes it to the disk and
// renames it over `path`. On any failure the old file is left untouched, the
// temporary file is removed and false is returned. A file that may not be
// written (read-only for this user) is not replaced; the permissions of the
// old file stay. A symbolic link is followed only when it is the user's own
// doing (see own_file_path); any other link is replaced itself, its target
// left as it is.
bool replace_file(const std::string& path, const std::string& content);

// The name to write `path` under: the target of a symbolic link that this
// user made to a regular file of this user (a savmem.dat kept elsewhere and
// linked here), else `path` itself.
std::string own_file_path(const std::string& path);

// Reads a whole regular file. False for a missing or unreadable file, a
// symbolic link that is not the user's own (own_file_path) and anything that
// is not a regular file: a FIFO would wait for a writer for ever.
bool read_regular_file(const std::string& path, std::string& content);

// Renames `path` to the first free name of `path` + ".bad", ".bad.1",
// ".bad.2", ...; an earlier copy is never replaced. The name used, or "" when
// the file could not be kept.
std::string keep_aside(const std::string& path);

// Copies `path` to the first free name of `path` + `suffix`, `suffix` + ".1",
// ".2", ...; an earlier copy is never replaced. The name used, or "" when no
// copy could be made (the original is never touched).
std::string keep_copy(const std::string& path, const std::string& suffix);

// A lock on a file, held as long as this object lives in this process. The
// system ends it when the process ends, however it ends, so it never lies
// after a crash as a left-over marker file would.
class FileLock {
public:
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() { release(); }
    // Creates `path` if need be and takes its lock; false when someone else
    // (another process, or another FileLock here) holds it or it cannot be made.
    bool take(const std::string& path);
    void release();

private:
    long long handle_ = -1;
};

// A file that lines are appended to (the diagnostic log), written through at
// once so that a killed run leaves its log whole up to its last line.
class AppendFile {
public:
    AppendFile() = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    AppendFile(AppendFile&& other) noexcept { *this = std::move(other); }
    AppendFile& operator=(AppendFile&& other) noexcept {
        if (this == &other) return *this;
        close();
        fd_ = std::exchange(other.fd_, -1);
        size_ = std::exchange(other.size_, 0);
        path_ = std::move(other.path_);
        return *this;
    }
    ~AppendFile() { close(); }
    // Opens `path` emptied, creating it. Only a regular file is opened: a
    // FIFO, a device or a folder is refused, and a symbolic link that is not
    // the user's own (own_file_path) is removed and a file made in its place.
    bool open(const std::string& path);
    bool is_open() const { return fd_ >= 0; }
    // Appends every byte or reports false (a full disk); the file stays open.
    bool write(const std::string& bytes);
    // Bytes in the file since it was opened.
    long long size() const { return size_; }
    // The name the file was opened under (a followed link's target).
    const std::string& path() const { return path_; }
    void close();

private:
    int fd_ = -1;
    long long size_ = 0;
    std::string path_;
};

// Renames `from` to `to`, replacing `to` (a link there is replaced itself).
bool rename_file(const std::string& from, const std::string& to);

// Deletes a file; a missing file is no error.
void remove_file(const std::string& path);

// Sleeps for the given time (used where a word has no sound to wait on).
void sleep_ms(int ms);

// Monotonic milliseconds.
long long now_ms();

// Local date "dd-MM-yyyy" and time "HH:mm:ss".
std::string local_date_text();
std::string local_time_text();

}  // namespace vlr::platform
