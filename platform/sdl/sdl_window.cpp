#include "platform/sdl/sdl_window.hpp"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>

#include "platform/sdl/sdl_keys.hpp"

namespace vlr::platform {

// One running timer. Slots live for the whole process: SDL may still be
// inside a timer callback when the timer is removed, so the callback's slot
// must never be freed under it.
struct TimerSlot {
    std::atomic<bool> pending{false};  // a tick is queued and not yet delivered
    std::atomic<bool> running{false};
    int id = 0;
    SDL_TimerID sdl_timer = 0;
    const SdlWindow* owner = nullptr;
};

namespace {

constexpr int min_image_width = 2000, min_image_height = 1200;

std::mutex slot_mutex;
std::deque<TimerSlot> slot_pool;

TimerSlot* take_slot(const SdlWindow* owner, int id) {
    std::lock_guard lock(slot_mutex);
    for (TimerSlot& slot : slot_pool)
        if (!slot.owner) return slot.owner = owner, slot.id = id, &slot;
    TimerSlot& slot = slot_pool.emplace_back();
    slot.owner = owner, slot.id = id;
    return &slot;
}

void give_back_slot(TimerSlot* slot) {
    std::lock_guard lock(slot_mutex);
    slot->owner = nullptr;
}

Uint32 tick_event_type() {
    static const Uint32 type = SDL_RegisterEvents(1);
    return type;
}

// Runs on SDL's timer thread. At most one tick per timer waits in the queue:
// while the handler is busy (a word being spoken), the ticks that fall due
// merge into the one already queued.
Uint32 on_timer(Uint32 interval, void* param) {
    auto* slot = static_cast<TimerSlot*>(param);
    if (slot->running && !slot->pending.exchange(true)) {
        SDL_Event event{};
        event.type = tick_event_type();
        event.user.code = slot->id;
        event.user.data1 = slot;
        if (SDL_PushEvent(&event) != 1) slot->pending = false;
    }
    return interval;
}

bool alt_alone(Uint16 mod) { return (mod & KMOD_ALT) && !(mod & KMOD_CTRL); }

}  // namespace

SdlWindow::~SdlWindow() { close(); }

bool SdlWindow::open(const std::string& title, int x, int y, int width, int height) {
    if (window_) return true;
    // The close button must reach the handler as a close request only, not
    // also as a second request to quit.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) return false;
    subsystems_ = true;
    tick_event_type();
    window_ = SDL_CreateWindow(title.c_str(), x, y, width, height,
                               SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    if (!window_) {
        close();
        return false;
    }
    // The image covers the whole screen so that text drawn beyond the current
    // window size is still there when the window is enlarged.
    SDL_DisplayMode mode{};
    int image_width = min_image_width, image_height = min_image_height;
    if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(window_), &mode) == 0)
        image_width = std::max(image_width, mode.w), image_height = std::max(image_height, mode.h);
    image_ =
        SDL_CreateRGBSurfaceWithFormat(0, image_width, image_height, 32, SDL_PIXELFORMAT_RGB888);
    if (!image_) {
        close();
        return false;
    }
    SDL_FillRect(image_, nullptr, SDL_MapRGB(image_->format, 255, 255, 255));
    text_ = std::make_unique<SdlText>(image_, [this](const SDL_Rect& area) { present(area); });
    // Keys are all the program reads; an input method would only hold them back.
    SDL_StopTextInput();
    present_all();
    return true;
}

void SdlWindow::close() {
    for (auto& [id, slot] : timers_) {
        stop_timer(id);
        give_back_slot(slot);
    }
    timers_.clear();
    text_.reset();
    if (image_) SDL_FreeSurface(image_), image_ = nullptr;
    if (window_) SDL_DestroyWindow(window_), window_ = nullptr;
    if (subsystems_) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER), subsystems_ = false;
}

void SdlWindow::start_timer(int id, int period_ms) {
    if (!subsystems_ || period_ms <= 0) return;
    stop_timer(id);
    TimerSlot*& slot = timers_[id];
    if (!slot) slot = take_slot(this, id);
    slot->pending = false;
    slot->running = true;
    slot->sdl_timer = SDL_AddTimer(static_cast<Uint32>(period_ms), on_timer, slot);
    if (!slot->sdl_timer) slot->running = false;
}

void SdlWindow::stop_timer(int id) {
    auto found = timers_.find(id);
    if (found == timers_.end()) return;
    TimerSlot* slot = found->second;
    slot->running = false;
    if (slot->sdl_timer) SDL_RemoveTimer(slot->sdl_timer), slot->sdl_timer = 0;
}

void SdlWindow::wait_events(const std::function<void(int, int)>& deliver) {
    // Without a window no key or tick can ever come: waiting would hang and
    // returning empty-handed would spin, so the program is asked to close.
    if (!window_) {
        deliver(event_close, 0);
        return;
    }
    SDL_Event event;
    if (!SDL_WaitEvent(&event)) return;
    handle_event(event, deliver);
    // Deliver what is queued now, but not what arrives while delivering: the
    // caller gets control back to see whether the program is to stop even
    // when ticks keep coming during long handlers. (SDL_WaitEvent has just
    // read the display connection; what came since waits for the next call.)
    int queued = SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    while (queued-- > 0 &&
           SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1)
        handle_event(event, deliver);
}

void SdlWindow::handle_tick(const SDL_Event& event, const std::function<void(int, int)>& deliver) {
    // Only ticks of this window's timers are taken: another user event of
    // the same type carries no slot of ours.
    auto found = timers_.find(event.user.code);
    if (found == timers_.end() || found->second != event.user.data1) return;
    TimerSlot* slot = found->second;
    slot->pending = false;  // from now on a new tick may be queued
    // A tick queued before its timer was stopped is not delivered.
    if (slot->running) deliver(event_timer, slot->id);
}

void SdlWindow::handle_event(const SDL_Event& event, const std::function<void(int, int)>& deliver) {
    switch (event.type) {
        case SDL_QUIT:  // also what SIGTERM and SIGINT become
            deliver(event_close, 0);
            return;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    deliver(event_close, 0);
                    return;
                case SDL_WINDOWEVENT_EXPOSED:
                case SDL_WINDOWEVENT_SHOWN:
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_MAXIMIZED:
                case SDL_WINDOWEVENT_RESIZED:
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    present_all();
                    return;
                default:
                    return;
            }
        case SDL_KEYDOWN: {
            const SDL_Keysym& key = event.key.keysym;
            // Alt combinations are the system's, not commands; without a
            // window manager to take it, Alt+F4 still asks to close.
            if (alt_alone(key.mod)) {
                if (key.sym == SDLK_F4) deliver(event_close, 0);
                return;
            }
            if (int vk = virtual_key(key)) deliver(event_key_down, vk);
            return;
        }
        case SDL_KEYUP:
            if (int vk = virtual_key(event.key.keysym)) deliver(event_key_up, vk);
            return;
        default:
            if (event.type == tick_event_type()) handle_tick(event, deliver);
            return;
    }
}

void SdlWindow::present(const SDL_Rect& area) {
    if (!window_ || !image_) return;
    SDL_Surface* shown = SDL_GetWindowSurface(window_);
    if (!shown) return;
    const SDL_Rect client{0, 0, std::min(shown->w, image_->w), std::min(shown->h, image_->h)};
    SDL_Rect part;
    if (!SDL_IntersectRect(&area, &client, &part)) return;
    SDL_Rect target = part;
    SDL_BlitSurface(image_, &part, shown, &target);
    SDL_UpdateWindowSurfaceRects(window_, &part, 1);
}

void SdlWindow::present_all() {
    int width = 0, height = 0;
    if (window_) SDL_GetWindowSize(window_, &width, &height);
    present(SDL_Rect{0, 0, width, height});
}

}  // namespace vlr::platform
