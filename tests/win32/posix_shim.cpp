#include <windows.h>

#include <cstring>
#include <string>

// Replaces the trailing XXXXXX with a fresh name and creates the folder.
extern "C" char* mkdtemp(char* name_template) {
    const std::size_t n = std::strlen(name_template);
    if (n < 6) return nullptr;
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        const std::string tail = std::to_string(100000 + (GetTickCount() * 7919u + GetCurrentProcessId() + attempt) % 900000);
        std::memcpy(name_template + n - 6, tail.c_str(), 6);
        if (CreateDirectoryA(name_template, nullptr)) return name_template;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return nullptr;
    }
    return nullptr;
}
