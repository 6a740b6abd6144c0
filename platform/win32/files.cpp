// File replacement, clock and dates on Windows.
#include <windows.h>

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
