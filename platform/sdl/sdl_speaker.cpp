#include "platform/sdl/sdl_speaker.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>

#include "platform/stop_request.hpp"
#include "platform/wave_file.hpp"

namespace vlr::platform {
namespace {

constexpr int device_frames = 512;  // about 23 ms per audio callback
// How long a vanished device is left alone before it is looked for again.
constexpr auto reopen_interval = std::chrono::seconds(5);
// Beyond a word's own length, how long a waited word may be held up by the
// device before the device is taken as gone.
constexpr auto device_grace = std::chrono::seconds(2);

constexpr auto longest_waited_word = std::chrono::seconds(longest_waited_word_seconds);
// When the program is asked to end, a waited word longer than this is cut
// off (or not started); shorter ones, the reply pause among them, still take
// their time, since the radio's answers are read after them.
constexpr auto longest_word_after_stop = std::chrono::seconds(1);
constexpr auto stop_check = std::chrono::milliseconds(100);

bool stop_cuts(std::chrono::microseconds length) {
    return stop_requested() && length > longest_word_after_stop;
}

}  // namespace

SdlSpeaker::SdlSpeaker() {
    subsystem_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (subsystem_ && open_device()) rester_ = std::thread([this] { rest_when_quiet(); });
}

SdlSpeaker::~SdlSpeaker() {
    if (rester_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        released_cv_.notify_all();
        rester_.join();
    }
    finish_playing();
    close_device();
    if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlSpeaker::open_device() {
    SDL_AudioSpec want{}, have{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = device_frames;
    want.callback = &SdlSpeaker::on_audio;
    want.userdata = this;
    // No changes allowed: SDL converts to whatever the hardware takes, so
    // the words are converted once, here, to one fixed format.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) return false;
    buffer_time_ = std::chrono::microseconds(have.samples * 1000000LL / rate);
    had_device_ = true;
    {
        std::lock_guard lock(mutex_);
        device_ = device;
        resting_ = false;
        last_sound_ = std::chrono::steady_clock::now();
    }
    released_cv_.notify_all();  // the resting thread watches the new device
    // The device runs while words come, playing silence between them, so a
    // word starts without the delay of starting the device.
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void SdlSpeaker::close_device() {
    SDL_AudioDeviceID device = 0;
    {
        std::lock_guard lock(mutex_);
        device = device_.exchange(0);
    }
    if (device) SDL_CloseAudioDevice(device);
    std::lock_guard lock(mutex_);
    queue_.clear();
    released_ticket_ = last_ticket_;
    released_cv_.notify_all();
}

void SdlSpeaker::set_rest_after(std::chrono::milliseconds quiet) {
    {
        std::lock_guard lock(mutex_);
        rest_after_ = quiet;
    }
    released_cv_.notify_all();
}

// Runs on a thread of its own, which sleeps until the device has been quiet
// for rest_after_ and then closes it. SDL 2 keeps the audio thread of a paused
// device running as fast as of a playing one, so only closing saves the work.
// Closing may take a while (some sound servers drain first); it is done
// outside the lock, and a word meanwhile simply opens a new device.
void SdlSpeaker::rest_when_quiet() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (rest_after_.count() <= 0 || device_ == 0 || !queue_.empty()) {
            released_cv_.wait(lock);
            continue;
        }
        const auto rest_at = last_sound_ + rest_after_;
        if (std::chrono::steady_clock::now() < rest_at) {
            released_cv_.wait_until(lock, rest_at);
            continue;
        }
        const SDL_AudioDeviceID device = device_.exchange(0);
        resting_ = true;
        lock.unlock();
        SDL_CloseAudioDevice(device);
        lock.lock();
    }
}

// A device closed for quiet is opened again for the next word. One that will
// not open is handled as a lost device from here on.
void SdlSpeaker::wake_device() {
    if (!resting_) return;
    if (!open_device()) resting_ = false;
}

// A device that stopped (headset unplugged, sound server restarted) is closed
// and a new default device opened, at most every few seconds. A system that
// had no device at start is not asked again: it stays silent.
void SdlSpeaker::reopen_if_lost() {
    if (!subsystem_ || !had_device_) return;
    {
        // Under the lock: the resting thread does not close it meanwhile.
        std::lock_guard lock(mutex_);
        if (resting_) return;
        if (device_ && SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED) return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - last_reopen_ < reopen_interval) return;
    last_reopen_ = now;
    close_device();
    open_device();
}

// The last word of the program (its goodbye) is heard to its end: the
// queue is played out and the device given time to sound its buffers.
void SdlSpeaker::finish_playing() {
    if (!device_) return;
    std::unique_lock lock(mutex_);
    std::erase_if(queue_, [](const Queued& word) { return word.async; });
    if (queue_.empty()) return;
    std::chrono::microseconds ahead{0};
    for (const Queued& word : queue_) ahead += word.sound->length();
    released_cv_.wait_until(lock, std::chrono::steady_clock::now() + ahead + device_grace,
                            [&] { return queue_.empty(); });
    lock.unlock();
    std::this_thread::sleep_for(2 * buffer_time_);
}

void SDLCALL SdlSpeaker::on_audio(void* self, Uint8* stream, int bytes) {
    static_cast<SdlSpeaker*>(self)->fill(reinterpret_cast<Sint16*>(stream),
                                         static_cast<size_t>(bytes) / sizeof(Sint16));
}

void SdlSpeaker::release(std::uint64_t ticket) {
    released_ticket_ = std::max(released_ticket_, ticket);
}

// Runs on the audio thread.
void SdlSpeaker::fill(Sint16* out, size_t frames) {
    std::lock_guard lock(mutex_);
    const std::uint64_t released_before = released_ticket_;
    const size_t queued_before = queue_.size();
    size_t done = 0;
    while (done < frames && !queue_.empty()) {
        Queued& word = queue_.front();
        const size_t count = std::min(frames - done, word.sound->samples.size() - word.position);
        std::memcpy(out + done, word.sound->samples.data() + word.position, count * sizeof(Sint16));
        word.position += count, done += count;
        if (word.position >= word.sound->samples.size()) {
            release(word.ticket);
            queue_.pop_front();
            last_sound_ = std::chrono::steady_clock::now();
        }
    }
    std::memset(out + done, 0, (frames - done) * sizeof(Sint16));
    // A word that the next callback will finish counts as played for its
    // caller now: the next word is then queued in time to follow it within
    // the same buffer, with no silence between the two.
    if (!queue_.empty() && queue_.front().sound->samples.size() - queue_.front().position <= frames)
        release(queue_.front().ticket);
    if (released_ticket_ != released_before || queue_.size() != queued_before)
        released_cv_.notify_all();
}

std::shared_ptr<const SdlSpeaker::Sound> SdlSpeaker::load(const std::string& file) {
    if (auto known = cache_.find(file); known != cache_.end()) return known->second;
    auto sound = std::make_shared<Sound>();
    sound->samples = read_word_file(file, rate);
    cache_[file] = sound;
    return sound;
}

void SdlSpeaker::play(const std::string& path, bool wait) { play_sound(path, wait, nullptr); }

bool SdlSpeaker::play_until(const std::string& path, const std::function<bool()>& cut) {
    return play_sound(path, true, &cut);
}

void SdlSpeaker::stop() {
    std::lock_guard lock(mutex_);
    queue_.clear();
    released_ticket_ = last_ticket_;
    released_cv_.notify_all();
}

namespace {
// How often a waited word asks whether it is to be cut off.
constexpr auto cut_poll = std::chrono::milliseconds(10);
}  // namespace

bool SdlSpeaker::play_sound(const std::string& path, bool wait, const std::function<bool()>* cut) {
    const std::string file = finder_.find(path);
    if (file.empty()) return cut && (*cut)();
    std::shared_ptr<const Sound> sound = load(file);
    if (!sound || sound->samples.empty()) return cut && (*cut)();
    if (wait && sound->length() > longest_waited_word) {
        auto shortened = std::make_shared<Sound>();
        shortened->samples.assign(sound->samples.begin(),
                                  sound->samples.begin() + longest_waited_word.count() * rate);
        sound = std::move(shortened);
    }
    if (wait && stop_cuts(sound->length())) return false;
    {
        // A word is on its way: the device is not to rest just now.
        std::lock_guard lock(mutex_);
        last_sound_ = std::chrono::steady_clock::now();
    }
    wake_device();
    reopen_if_lost();
    if (device_) return play_on_device(std::move(sound), wait, cut);
    if (!wait) return false;
    // Silent, but the word still takes its time: the pause word is the
    // program's wait for the radio's replies.
    const auto end = std::chrono::steady_clock::now() + sound->length();
    while (std::chrono::steady_clock::now() < end && !stop_cuts(sound->length())) {
        if (cut && (*cut)()) return true;
        std::this_thread::sleep_until(std::min(end, std::chrono::steady_clock::now() + cut_poll));
    }
    return cut && (*cut)();
}

bool SdlSpeaker::play_on_device(std::shared_ptr<const Sound> sound, bool wait, const std::function<bool()>* cut) {
    std::unique_lock lock(mutex_);
    // A sound still playing on its own (the help text) is cut off; the end
    // of a waited word stays so that the new word follows it seamlessly.
    std::erase_if(queue_, [](const Queued& word) { return word.async; });
    const std::uint64_t ticket = ++last_ticket_;
    std::chrono::microseconds ahead{0};
    for (const Queued& word : queue_) ahead += word.sound->length();
    queue_.push_back(Queued{sound, 0, !wait, ticket});
    last_sound_ = std::chrono::steady_clock::now();
    if (!wait) return false;
    const auto deadline = std::chrono::steady_clock::now() + ahead + sound->length() + device_grace;
    auto played = [&] { return released_ticket_ >= ticket; };
    // Waited in slices: a signal cannot wake a condition variable, and the
    // stop key is looked for between them.
    while (!played()) {
        if (cut) {
            // Asked without the lock: the window's queue is no business of
            // the audio thread.
            lock.unlock();
            const bool cut_now = (*cut)();
            lock.lock();
            if (cut_now) {
                queue_.clear();
                released_ticket_ = last_ticket_;
                return true;
            }
        }
        if (stop_cuts(sound->length()) || std::chrono::steady_clock::now() >= deadline) break;
        const auto slice = cut ? cut_poll : stop_check;
        released_cv_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + slice), played);
    }
    if (played()) return cut && (lock.unlock(), (*cut)());
    // The device stopped taking samples, or the program is to end: drop what
    // is queued so the next word does not wait on it too; the next play
    // looks for a device again.
    queue_.clear();
    released_ticket_ = last_ticket_;
    return false;
}

}  // namespace vlr::platform
