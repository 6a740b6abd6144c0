// The word player on SDL2 audio: one device open for the whole run, each word
// converted once to the device's format, words queued back to back.
#pragma once

#include <SDL2/SDL.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
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

    // False when no audio device could be opened: words are then silent, and
    // waited words still take their time.
    bool has_device() const { return device_ != 0; }

private:
    struct Sound {
        std::vector<Sint16> samples;  // mono, `rate` per second
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
    void reopen_if_lost();
    std::shared_ptr<const Sound> load(const std::string& file);
    void play_on_device(std::shared_ptr<const Sound> sound, bool wait);

    WaveFinder finder_;
    std::map<std::string, std::shared_ptr<const Sound>> cache_;  // by file path
    bool subsystem_ = false;
    SDL_AudioDeviceID device_ = 0;
    bool had_device_ = false;
    std::chrono::steady_clock::time_point last_reopen_{};
    std::chrono::microseconds buffer_time_{0};  // one device buffer

    // Shared with the audio thread.
    std::mutex mutex_;
    std::condition_variable released_cv_;  // a word released or finished
    std::deque<Queued> queue_;
    std::uint64_t last_ticket_ = 0;
    std::uint64_t released_ticket_ = 0;
};

}  // namespace vlr::platform
