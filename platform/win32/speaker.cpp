// The word player on waveOut. Every word is converted once to one format
// (16-bit mono at `rate`) and handed to the device in short blocks; a waited
// word returns to its caller while its last block plays, so the next word is
// queued behind it in time and follows with no gap. Without a device the
// words are silent, and waited words still take their time: the pause word
// is the program's wait for the radio's replies.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "platform/wave_file.hpp"
#include "platform/win32/win32_platform.hpp"

namespace vlr::platform {
namespace {

constexpr int rate = 22050;
constexpr std::size_t block_frames = 1024;  // about 46 ms
// Beyond a word's own length, how long a waited word may be held up by the
// device before the device is taken as gone.
constexpr DWORD device_grace_ms = 2000;
// How long a device that failed is left alone before it is opened again.
constexpr ULONGLONG reopen_interval_ms = 5000;

using Samples = WordSamples;

// Loaded once per file: the reader keeps the limits (64 MB files, 3 minutes
// of sound).
std::shared_ptr<const Samples> load_wave(const std::wstring& path) {
    return std::make_shared<const Samples>(read_word_file(std::filesystem::path(path), rate));
}

// A waited word holds the program up: at most its first 10 seconds play.
std::shared_ptr<const Samples> waited_part(std::shared_ptr<const Samples> word) {
    const std::size_t longest = static_cast<std::size_t>(longest_waited_word_seconds) * rate;
    if (word->size() <= longest) return word;
    return std::make_shared<const Samples>(word->begin(), word->begin() + static_cast<std::ptrdiff_t>(longest));
}

DWORD length_ms(std::size_t samples) { return static_cast<DWORD>(samples * 1000 / rate); }

bool exists(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

class WaveOutSpeaker : public Speaker {
public:
    explicit WaveOutSpeaker(std::vector<std::string> fallbacks) : fallbacks_(std::move(fallbacks)) {
        done_event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        had_device_ = open_device();
    }
    ~WaveOutSpeaker() override {
        // The last word (the goodbye) is heard to its end; a help text still
        // playing on its own is not.
        collect_done();
        if (std::any_of(blocks_.begin(), blocks_.end(), [](const Block& b) { return b.async; })) waveOutReset(device_);
        if (device_) wait_until_played(last_word_, false);
        close_device();
        CloseHandle(done_event_);
    }

    void play(const std::string& path, bool wait) override {
        const std::wstring file = find(path);
        if (file.empty()) return;
        auto& loaded = cache_[file];
        if (!loaded) loaded = load_wave(file);
        if (loaded->empty()) return;
        const std::shared_ptr<const Samples> cached = wait ? waited_part(loaded) : loaded;
        reopen_if_lost();
        if (!device_) {
            if (wait) Sleep(length_ms(cached->size()));
            return;
        }
        collect_done();
        // A sound still playing on its own (the help text) is cut off.
        if (std::any_of(blocks_.begin(), blocks_.end(), [](const Block& b) { return b.async; })) {
            waveOutReset(device_);
            collect_done();
        }
        const std::uint64_t word = ++last_word_;
        for (std::size_t at = 0; at < cached->size(); at += block_frames) {
            auto block = std::make_unique<WAVEHDR>();
            block->lpData = reinterpret_cast<LPSTR>(const_cast<std::int16_t*>(cached->data() + at));
            block->dwBufferLength = static_cast<DWORD>(std::min(block_frames, cached->size() - at) * 2);
            if (waveOutPrepareHeader(device_, block.get(), sizeof(WAVEHDR)) != MMSYSERR_NOERROR ||
                waveOutWrite(device_, block.get(), sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
                waveOutUnprepareHeader(device_, block.get(), sizeof(WAVEHDR));
                return lose_device();
            }
            blocks_.push_back(Block{std::move(block), cached, word, !wait});
        }
        if (wait) wait_until_played(word, true);
    }

    // The word is cut off as soon as `cut` answers true.
    bool play_until(const std::string& path, const std::function<bool()>& cut) override {
        cut_ = &cut;
        was_cut_ = false;
        play(path, true);
        cut_ = nullptr;
        return was_cut_ || cut();
    }

    void stop() override {
        if (!device_) return;
        waveOutReset(device_);
        collect_done();
    }

private:
    struct Block {
        std::unique_ptr<WAVEHDR> header;
        std::shared_ptr<const Samples> samples;  // keeps the data alive while the device plays it
        std::uint64_t word;
        bool async;
    };

    std::vector<std::string> fallbacks_;
    std::map<std::wstring, std::shared_ptr<const Samples>> cache_;
    HWAVEOUT device_ = nullptr;
    HANDLE done_event_ = nullptr;
    bool had_device_ = false;
    ULONGLONG lost_at_ = 0;
    std::deque<Block> blocks_;
    std::uint64_t last_word_ = 0;
    const std::function<bool()>* cut_ = nullptr;  // asked while a word plays
    bool was_cut_ = false;

    // The path as given (".wav" added to a bare name), else the same relative
    // path in each fallback folder. Windows matches names without regard to case.
    std::wstring find(const std::string& given) {
        std::string path = given;
        const std::size_t name_at = path.find_last_of("\\/") == std::string::npos ? 0 : path.find_last_of("\\/") + 1;
        if (name_at >= path.size()) return {};
        if (path.find('.', name_at) == std::string::npos) path += ".wav";
        if (exists(widen(path))) return widen(path);
        const bool relative = !(path.size() > 1 && (path[1] == ':' || path[0] == '\\' || path[0] == '/'));
        if (relative)
            for (const std::string& folder : fallbacks_)
                if (std::wstring in = widen(folder + path); exists(in)) return in;
        return {};
    }

    bool open_device() {
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 1;
        format.nSamplesPerSec = rate;
        format.wBitsPerSample = 16;
        format.nBlockAlign = 2;
        format.nAvgBytesPerSec = rate * 2;
        return waveOutOpen(&device_, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(done_event_), 0,
                           CALLBACK_EVENT) == MMSYSERR_NOERROR ||
               (device_ = nullptr, false);
    }

    void close_device() {
        if (!device_) return;
        waveOutReset(device_);
        collect_done();
        waveOutClose(device_);
        device_ = nullptr;
    }

    // A device that failed (headset unplugged) is closed and the default
    // device opened again, at most every few seconds. A system that had no
    // device at start is not asked again: it stays silent.
    void lose_device() {
        close_device();
        lost_at_ = GetTickCount64();
    }
    void reopen_if_lost() {
        if (device_ || !had_device_ || GetTickCount64() - lost_at_ < reopen_interval_ms) return;
        open_device();
    }

    void collect_done() {
        while (!blocks_.empty() && (blocks_.front().header->dwFlags & WHDR_DONE)) {
            waveOutUnprepareHeader(device_, blocks_.front().header.get(), sizeof(WAVEHDR));
            blocks_.pop_front();
        }
    }

    // Waits until word `word` is played (`early`: down to its last block).
    void wait_until_played(std::uint64_t word, bool early) {
        std::size_t ahead = 0;
        for (const Block& b : blocks_) ahead += b.header->dwBufferLength / 2;
        const ULONGLONG deadline = GetTickCount64() + length_ms(ahead) + device_grace_ms;
        for (;;) {
            collect_done();
            std::size_t left = 0;
            for (const Block& b : blocks_) left += b.word <= word;
            if (left <= (early ? 1u : 0u)) return;
            if (cut_ && (*cut_)()) {
                was_cut_ = true;
                return stop();
            }
            const ULONGLONG now = GetTickCount64();
            if (now >= deadline) return lose_device();
            WaitForSingleObject(done_event_, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, cut_ ? 10 : 100)));
        }
    }
};

}  // namespace

std::unique_ptr<Speaker> make_win32_speaker(std::vector<std::string> fallback_folders) {
    return std::make_unique<WaveOutSpeaker>(std::move(fallback_folders));
}

}  // namespace vlr::platform
