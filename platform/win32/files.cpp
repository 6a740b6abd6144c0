// File replacement, clock and dates on Windows.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>

#include "platform/files.hpp"
#include "platform/win32/win32_platform.hpp"

namespace vlr::platform {

std::wstring widen(const std::string& text) {
    if (text.empty()) return {};
    // Text that is not UTF-8 is taken in the system's code page rather than lost.
    UINT page = CP_UTF8;
    int n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) page = CP_ACP, n = MultiByteToWideChar(page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(page, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string program_folder() {
    wchar_t buffer[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    if (n == 0 || n >= std::size(buffer)) return {};
    std::wstring path(buffer, n);
    path.erase(path.find_last_of(L"\\/") + 1);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), out.data(), bytes, nullptr, nullptr);
    return out;
}

namespace {

bool write_all(HANDLE file, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1 << 20));
        if (!WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

}  // namespace

// Windows will not rename over a file that someone holds open. The program
// closes its own readers first; a virus scanner or indexer that looks at the
// fresh file for a moment is waited out for up to a second.
bool replace_file(const std::string& given_path, const std::string& content) {
    const std::wstring path = widen(given_path);
    const DWORD old_attributes = GetFileAttributesW(path.c_str());
    if (old_attributes != INVALID_FILE_ATTRIBUTES && (old_attributes & FILE_ATTRIBUTE_READONLY)) return false;
    const std::wstring temp = path + L".new";
    DeleteFileW(temp.c_str());
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = write_all(file, content) && FlushFileBuffers(file);
    if (!CloseHandle(file)) ok = false;
    for (int attempt = 0; ok; ++attempt) {
        if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = GetLastError();
        if (attempt >= 20 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)) break;
        Sleep(50);
    }
    DeleteFileW(temp.c_str());
    return false;
}

// Links are not followed on Windows: the name is the file.
std::string own_file_path(const std::string& path) { return path; }

// Only a regular file is read: a named pipe or device under the name is
// refused, not waited on.
bool read_regular_file(const std::string& path, std::string& content) {
    const std::wstring name = widen(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return false;
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileType(file) == FILE_TYPE_DISK;
    std::string out;
    char buffer[65536];
    DWORD got = 0;
    while (ok && ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        out.append(buffer, got);
    CloseHandle(file);
    if (ok) content = std::move(out);
    return ok;
}

std::string keep_aside(const std::string& path) {
    for (int copy = 0; copy < 1000; ++copy) {
        const std::string name = path + ".bad" + (copy == 0 ? "" : "." + std::to_string(copy));
        if (GetFileAttributesW(widen(name).c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        return MoveFileExW(widen(path).c_str(), widen(name).c_str(), 0) ? name : std::string();
    }
    return {};
}

std::string keep_copy(const std::string& path, const std::string& suffix) {
    for (int copy = 0; copy < 1000; ++copy) {
        const std::string name = path + suffix + (copy == 0 ? "" : "." + std::to_string(copy));
        // Fails rather than replace a copy that exists.
        if (CopyFileW(widen(path).c_str(), widen(name).c_str(), TRUE)) return name;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

bool FileLock::take(const std::string& path) {
    release();
    HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED whole{};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
        CloseHandle(file);
        return false;
    }
    handle_ = reinterpret_cast<long long>(file);
    return true;
}

void FileLock::release() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
}

bool AppendFile::open(const std::string& given_path) {
    close();
    const DWORD attributes = GetFileAttributesW(widen(given_path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return false;
    const int fd = _wopen(widen(given_path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY,
                          _S_IREAD | _S_IWRITE);
    if (fd < 0) return false;
    fd_ = fd;
    size_ = 0;
    path_ = given_path;
    return true;
}

bool AppendFile::write(const std::string& bytes) {
    if (fd_ < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const int n = _write(fd_, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
        size_ += n;
    }
    _commit(fd_);
    return true;
}

void AppendFile::close() {
    if (fd_ >= 0) _close(fd_);
    fd_ = -1;
    size_ = 0;
}

bool rename_file(const std::string& from, const std::string& to) {
    return MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void remove_file(const std::string& path) { DeleteFileW(widen(path).c_str()); }

void sleep_ms(int ms) {
    if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

long long now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string local_date_text() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02u-%02u-%04u", t.wDay, t.wMonth, t.wYear);
    return buf;
}

std::string local_time_text() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
    return buf;
}

}  // namespace vlr::platform
