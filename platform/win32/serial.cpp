// Serial ports on Windows. Reads never block: with ReadIntervalTimeout at
// MAXDWORD and the totals at 0, ReadFile returns at once with what has
// arrived. (The often-seen MAXDWORD/MAXDWORD/constant setting waits for the
// first byte, and some drivers, wine's among them, wait the whole constant.)
#include <windows.h>

#include <algorithm>
#include <set>

#include "platform/win32/win32_platform.hpp"

namespace vlr::platform {
namespace {

// A write that cannot get rid of its bytes in this time gives up, so a device
// that stopped taking data never freezes the program.
constexpr DWORD write_limit_ms = 2000;
// After a byte has arrived, a waiting read stops when the line stays quiet this long.
constexpr DWORD byte_gap_ms = 1000;

// Errors after which the device is gone (USB adapter pulled): only a fresh open helps.
bool is_gone_error(DWORD error) {
    return error == ERROR_BAD_COMMAND || error == ERROR_DEVICE_REMOVED ||
           error == ERROR_OPERATION_ABORTED || error == ERROR_INVALID_HANDLE ||
           error == ERROR_GEN_FAILURE || error == ERROR_DEVICE_NOT_CONNECTED ||
           error == ERROR_FILE_NOT_FOUND;
}

class ComPort : public SerialPort {
public:
    explicit ComPort(HANDLE handle) : handle_(handle) {}
    ~ComPort() override { CloseHandle(handle_); }
    ComPort(const ComPort&) = delete;
    ComPort& operator=(const ComPort&) = delete;

    // Raw bytes both ways at `speed`, 8N1, no flow control; DTR and RTS on,
    // as radios that take power for their CAT interface from them expect,
    // or, `quiet`, off: on many radios they key the transmitter or send CW.
    bool start(int speed, bool quiet = false) {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(handle_, &dcb)) return false;
        dcb.BaudRate = static_cast<DWORD>(speed > 0 ? speed : 38400);
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = quiet ? DTR_CONTROL_DISABLE : DTR_CONTROL_ENABLE;
        dcb.fRtsControl = quiet ? RTS_CONTROL_DISABLE : RTS_CONTROL_ENABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        if (!SetCommState(handle_, &dcb)) return false;
        set_read_timeouts(-1);
        PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
        return true;
    }

    bool set_line_format(int data_bits, int parity, int stop_bits) override {
        if (data_bits < 5 || data_bits > 8 || parity < 0 || parity > 2) return false;
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(handle_, &dcb)) return note_failure();
        dcb.ByteSize = static_cast<BYTE>(data_bits);
        dcb.Parity = static_cast<BYTE>(parity == 0   ? NOPARITY
                                       : parity == 1 ? ODDPARITY
                                                     : EVENPARITY);
        dcb.fParity = parity != 0;
        dcb.StopBits = static_cast<BYTE>(stop_bits == 1 ? ONESTOPBIT : TWOSTOPBITS);
        return SetCommState(handle_, &dcb) ? true : note_failure();
    }

    void set_read_timeouts(int per_byte_ms) override {
        COMMTIMEOUTS t{};
        if (per_byte_ms < 0) {
            t.ReadIntervalTimeout = MAXDWORD;
        } else {
            t.ReadIntervalTimeout = byte_gap_ms;
            t.ReadTotalTimeoutMultiplier = static_cast<DWORD>(per_byte_ms);
        }
        t.WriteTotalTimeoutConstant = write_limit_ms;
        SetCommTimeouts(handle_, &t);
    }

    int write(const char* bytes, int count) override {
        if (count <= 0 || bytes == nullptr) return 0;
        DWORD written = 0;
        if (!WriteFile(handle_, bytes, static_cast<DWORD>(count), &written, nullptr))
            note_failure();
        return static_cast<int>(written);
    }

    int bytes_waiting() override {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(handle_, &errors, &status)) return note_failure(), 0;
        return static_cast<int>(status.cbInQue);
    }

    int read(char* buffer, int max_count) override {
        if (max_count <= 0 || buffer == nullptr) return 0;
        DWORD got = 0;
        if (!ReadFile(handle_, buffer, static_cast<DWORD>(max_count), &got, nullptr))
            note_failure();
        return static_cast<int>(got);
    }

    bool set_speed(int baud) override {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(handle_, &dcb)) return note_failure();
        dcb.BaudRate = static_cast<DWORD>(baud);
        return SetCommState(handle_, &dcb) ? true : note_failure();
    }

    bool alive() override {
        if (!gone_) bytes_waiting();
        return !gone_;
    }

private:
    HANDLE handle_;
    bool gone_ = false;

    bool note_failure() {
        if (is_gone_error(GetLastError())) gone_ = true;
        return false;
    }
};

// A line inside the process: each write goes to the responder at once and its
// answer waits to be read, as if it had come down a wire.
class InProcessPort : public SerialPort {
public:
    explicit InProcessPort(LineResponder responder) : responder_(std::move(responder)) {}
    bool set_line_format(int data_bits, int parity, int stop_bits) override {
        return data_bits >= 5 && data_bits <= 8 && parity >= 0 && parity <= 2 && stop_bits >= 1 &&
               stop_bits <= 2;
    }
    void set_read_timeouts(int) override {}
    int write(const char* bytes, int count) override {
        if (count <= 0 || bytes == nullptr) return 0;
        incoming_ += responder_(std::string(bytes, static_cast<std::size_t>(count)));
        return count;
    }
    int bytes_waiting() override { return static_cast<int>(incoming_.size()); }
    int read(char* buffer, int max_count) override {
        const int n = std::min<int>(std::max(max_count, 0), static_cast<int>(incoming_.size()));
        std::copy_n(incoming_.begin(), n, buffer);
        incoming_.erase(0, static_cast<std::size_t>(n));
        return n;
    }

private:
    LineResponder responder_;
    std::string incoming_;
};

}  // namespace

std::string Win32SerialSystem::device_path(int com) const {
    return com < 1 ? std::string() : "\\\\.\\COM" + std::to_string(com);
}

void Win32SerialSystem::attach(int com, LineResponder responder) {
    attached_.emplace_back(com, std::move(responder));
}

std::unique_ptr<SerialPort> Win32SerialSystem::open(int com, int speed) {
    last_error_ = 0;
    for (const auto& [attached_com, responder] : attached_)
        if (attached_com == com) return std::make_unique<InProcessPort>(responder);
    const std::string path = device_path(com);
    if (path.empty()) return nullptr;
    // No sharing: the port is the program's alone while it runs.
    HANDLE handle = CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    auto port = std::make_unique<ComPort>(handle);
    if (!port->start(speed)) return nullptr;
    return port;
}

int Win32SerialSystem::com_of(const std::string& name) const {
    if (name.size() < 4 || name.size() > 6 ||
        (name.compare(0, 3, "COM") != 0 && name.compare(0, 3, "com") != 0))
        return 0;
    int com = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        com = com * 10 + (name[i] - '0');
    }
    return com >= 1 && com <= 256 ? com : 0;
}

// The ports Windows lists in its SERIALCOMM map (every serial driver enters
// its ports there), and any other COM name the system knows (a com0com pair,
// wine's ports), in number order.
std::vector<std::string> Win32SerialSystem::list_ports() const {
    std::set<int> numbers;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        for (DWORD i = 0;; ++i) {
            wchar_t value_name[256];
            wchar_t data[64];
            DWORD name_size = 256, data_size = sizeof data, type = 0;
            if (RegEnumValueW(key, i, value_name, &name_size, nullptr, &type,
                              reinterpret_cast<BYTE*>(data), &data_size) != ERROR_SUCCESS)
                break;
            if (type != REG_SZ) continue;
            std::string text;
            for (std::size_t k = 0; k < data_size / sizeof(wchar_t) && data[k] != 0; ++k)
                text += static_cast<char>(data[k] < 128 ? data[k] : '?');
            if (const int com = com_of(text)) numbers.insert(com);
        }
        RegCloseKey(key);
    }
    for (int com = 1; com <= 256; ++com) {
        wchar_t target[512];
        if (QueryDosDeviceW(widen("COM" + std::to_string(com)).c_str(), target, 512) != 0)
            numbers.insert(com);
    }
    std::vector<std::string> names;
    for (const int com : numbers) names.push_back("COM" + std::to_string(com));
    return names;
}

std::unique_ptr<SerialPort> Win32SerialSystem::open_quietly(const std::string& name, int speed) {
    last_error_ = 0;
    const int com = com_of(name);
    const std::string path = com > 0 ? device_path(com) : name;
    HANDLE handle = CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // A COM port held by another program refuses every other open.
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            last_error_ = open_error_busy;
        return nullptr;
    }
    auto port = std::make_unique<ComPort>(handle);
    if (!port->start(speed, true)) {
        last_error_ = open_error_not_serial;
        return nullptr;
    }
    return port;
}

std::unique_ptr<Win32SerialSystem> make_win32_serial() {
    return std::make_unique<Win32SerialSystem>();
}

}  // namespace vlr::platform
