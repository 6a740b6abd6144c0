// Serial ports on Windows. Reads never block: with ReadIntervalTimeout at
// MAXDWORD and the totals at 0, ReadFile returns at once with what has
// arrived. (The often-seen MAXDWORD/MAXDWORD/constant setting waits for the
// first byte, and some drivers, wine's among them, wait the whole constant.)
#include <windows.h>

#include <algorithm>

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
    return error == ERROR_BAD_COMMAND || error == ERROR_DEVICE_REMOVED || error == ERROR_OPERATION_ABORTED ||
           error == ERROR_INVALID_HANDLE || error == ERROR_GEN_FAILURE || error == ERROR_DEVICE_NOT_CONNECTED ||
           error == ERROR_FILE_NOT_FOUND;
}

class ComPort : public SerialPort {
public:
    explicit ComPort(HANDLE handle) : handle_(handle) {}
    ~ComPort() override { CloseHandle(handle_); }
    ComPort(const ComPort&) = delete;
    ComPort& operator=(const ComPort&) = delete;

    // Raw bytes both ways at `speed`, 8N1, no flow control; DTR and RTS on,
    // as radios that take power for their CAT interface from them expect.
    bool start(int speed) {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(handle_, &dcb)) return false;
        dcb.BaudRate = static_cast<DWORD>(speed > 0 ? speed : 38400);
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
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
        dcb.Parity = static_cast<BYTE>(parity == 0 ? NOPARITY : parity == 1 ? ODDPARITY : EVENPARITY);
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
        if (!WriteFile(handle_, bytes, static_cast<DWORD>(count), &written, nullptr)) note_failure();
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
        if (!ReadFile(handle_, buffer, static_cast<DWORD>(max_count), &got, nullptr)) note_failure();
        return static_cast<int>(got);
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
        return data_bits >= 5 && data_bits <= 8 && parity >= 0 && parity <= 2 && stop_bits >= 1 && stop_bits <= 2;
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
    HANDLE handle = CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    auto port = std::make_unique<ComPort>(handle);
    if (!port->start(speed)) return nullptr;
    return port;
}

std::unique_ptr<Win32SerialSystem> make_win32_serial() { return std::make_unique<Win32SerialSystem>(); }

}  // namespace vlr::platform
