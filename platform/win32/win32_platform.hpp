// The program's parts on Windows, written straight to the Win32 API: the
// window with its keys, timer and GDI text; the word player on waveOut; serial
// ports \\.\COM<n>; and a serial port inside the process for the demo radio.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/interfaces.hpp"
#include "platform/sockets.hpp"

namespace vlr::platform {

std::unique_ptr<Window> make_win32_window();

// `fallback_folders`: where a relative word path is looked for when the
// working folder has no such file (the program's own folder, so a per-user
// working folder needs no copy of the words).
std::unique_ptr<Speaker> make_win32_speaker(std::vector<std::string> fallback_folders);

// The network control port on Winsock.
std::unique_ptr<Sockets> make_win32_sockets();

// The system voice (SAPI), connected on the first connect().
std::unique_ptr<TextSpeech> make_sapi_speech();

// The operator's screen reader, spoken to through UI Automation notifications
// from `window`; connect() fails where the notification is missing or no
// screen reader runs.
std::unique_ptr<TextSpeech> make_screen_reader_speech(const Window& window);

// The window's handle once open (null before), for UI Automation.
HWND window_handle(const Window& window);

// Answers a WM_GETOBJECT for the window's own UI Automation element; false
// when the request is another's or UI Automation is missing.
bool answer_automation_request(HWND window, WPARAM wp, LPARAM lp, LRESULT& answer);

// The other end of a serial line kept inside the process: it is handed every
// write and returns the bytes that arrive in answer.
using LineResponder = std::function<std::string(const std::string& written)>;

class Win32SerialSystem : public SerialSystem {
public:
    std::unique_ptr<SerialPort> open(int com, int speed) override;
    std::string device_path(int com) const override;
    int last_open_error() const override { return last_error_; }
    std::vector<std::string> list_ports() const override;
    std::unique_ptr<SerialPort> open_quietly(const std::string& name, int speed) override;
    // "COM7" is COM 7 itself: nothing to link.
    bool name_port(int com, const std::string& name) override { return com == com_of(name); }
    int com_of(const std::string& name) const override;
    // From now on COM `com` opens as a line to `responder` instead of a device.
    void attach(int com, LineResponder responder);

private:
    int last_error_ = 0;
    std::vector<std::pair<int, LineResponder>> attached_;
};

std::unique_ptr<Win32SerialSystem> make_win32_serial();

// The folder of the running program, "" when unknown.
std::string program_folder();

// UTF-8 and UTF-16 conversions for Win32 calls (paths and window texts).
std::wstring widen(const std::string& text);

}  // namespace vlr::platform
