// The word player on SDL2 audio: one device open while words are being
// spoken, each word converted once to the device's format, words queued back
// to back. After a few seconds without a word the device is closed (it would
// otherwise play silence, waking this process and the sound server dozens of
// times a second) and the next word opens it again.
#pragma once

#include <SDL2/SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/interfaces.hpp"
#include "platform/sdl/wave_files.hpp"

namespace vlr::platform {

class SdlSpeaker : public Speaker {
public:
    // Device format: every word is converted to it when first played.
    static constexpr int rate = 22050;

    SdlSpeaker();
    ~SdlSpeaker() override;
    SdlSpeaker(const SdlSpeaker&) = delete;
    SdlSpeaker& operator=(const SdlSpeaker&) = delete;

    void play(const std::string& path, bool wait) override;
    bool play_until(const std::string& path, const std::function<bool()>& cut) override;
    void stop() override;

    // False when no audio device could be opened: words are then silent, and
    // waited words still take their time.
    bool has_device() const { return device_ != 0 || resting_; }
    // True while the device is open (not resting between phrases).
    bool device_open() const { return device_ != 0; }
    // How long the device stays open after the last word has been played
    // (zero: for the whole run).
    void set_rest_after(std::chrono::milliseconds quiet);
    static constexpr std::chrono::milliseconds default_rest_after{5000};

private:
    struct Sound {
        std::vector<std::int16_t> samples;  // mono, `rate` per second
        std::chrono::microseconds length() const {
            return std::chrono::microseconds(samples.size() * 1000000LL / rate);
        }
    };
    struct Queued {
        std::shared_ptr<const Sound> sound;
        size_t position = 0;
        bool async = false;
        std::uint64_t ticket = 0;
    };

    static void SDLCALL on_audio(void* self, Uint8* stream, int bytes);
    void fill(Sint16* out, size_t frames);
    void release(std::uint64_t ticket);
    void finish_playing();
    bool open_device();
    void close_device();
    void wake_device();
    void rest_when_quiet();
    void reopen_if_lost();
    std::shared_ptr<const Sound> load(const std::string& file);
    bool play_sound(const std::string& path, bool wait, const std::function<bool()>* cut);
    bool play_on_device(std::shared_ptr<const Sound> sound, bool wait, const std::function<bool()>* cut);

    WaveFinder finder_;
    std::map<std::string, std::shared_ptr<const Sound>> cache_;  // by file path
    bool subsystem_ = false;
    // Written by the playing thread and the resting thread, under mutex_.
    std::atomic<SDL_AudioDeviceID> device_{0};
    std::atomic<bool> resting_{false};  // closed for quiet; the next word opens it
    bool had_device_ = false;
    std::chrono::steady_clock::time_point last_reopen_{};
    std::chrono::microseconds buffer_time_{0};  // one device buffer

    // Shared with the audio thread.
    std::mutex mutex_;
    std::condition_variable released_cv_;  // a word released or finished
    std::deque<Queued> queue_;
    std::chrono::steady_clock::time_point last_sound_{};  // a word queued or finished
    std::chrono::milliseconds rest_after_{default_rest_after};
    bool stopping_ = false;
    std::thread rester_;  // closes the device when it has been quiet long enough
    std::uint64_t last_ticket_ = 0;
    std::uint64_t released_ticket_ = 0;
};

}  // namespace vlr::platform
