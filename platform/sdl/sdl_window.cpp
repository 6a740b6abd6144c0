#include "platform/sdl/sdl_window.hpp"

#include <algorithm>
#include <limits>
#include <string>

#include "platform/sdl/sdl_keys.hpp"
#include "platform/stop_request.hpp"

namespace vlr::platform {

// One timer. The ticks are made by the waiting thread itself: it sleeps in the
// display's wait until the next tick falls due and then queues the tick. A
// timer thread would have to wake the waiting thread through the display
// server for every tick, which costs more than the whole program does at rest.
struct TimerSlot {
    bool pending = false;  // a tick is queued and not yet delivered
    bool running = false;
    int id = 0;
    Uint32 period_ms = 0;
    Uint64 next_due = 0;  // SDL_GetTicks64 time of the next tick
};

namespace {

constexpr int min_image_width = 2000, min_image_height = 1200;

// How long a signal may wait before the close request it makes is delivered.
constexpr int stop_check_ms = 100;

Uint32 tick_event_type() {
    static const Uint32 type = SDL_RegisterEvents(1);
    return type;
}

// Drivers with no input of their own (no display server): every event is
// one the program pushes, and SDL's wait under them looks once a millisecond.
bool pushed_events_only() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string name = driver ? driver : "";
    return name == "dummy" || name == "offscreen";
}

bool alt_alone(Uint16 mod) { return (mod & KMOD_ALT) && !(mod & KMOD_CTRL); }

}  // namespace

SdlWindow::SdlWindow() = default;
SdlWindow::~SdlWindow() { close(); }

bool SdlWindow::open(const std::string& title, int x, int y, int width, int height) {
    if (window_) return true;
    // The close button must reach the handler as a close request only, not
    // also as a second request to quit.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // The panel is a software image copied to the window. Left to itself SDL
    // would copy it through an OpenGL texture, which on a machine without a
    // GPU (software OpenGL) costs ~7 % of a core and ~90 MB just to show a
    // few changed lines of text; the plain window framebuffer does it for
    // next to nothing.
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    subsystems_ = true;
    tick_event_type();
    if (pushed_events_only()) queued_ = SDL_CreateSemaphore(0);
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
    // Ticks still queued belong to timers that are gone with the window.
    if (subsystems_) SDL_FlushEvent(tick_event_type());
    timers_.clear();
    text_.reset();
    if (image_) SDL_FreeSurface(image_), image_ = nullptr;
    if (window_) SDL_DestroyWindow(window_), window_ = nullptr;
    if (queued_) SDL_DestroySemaphore(queued_), queued_ = nullptr;
    if (subsystems_) SDL_QuitSubSystem(SDL_INIT_VIDEO), subsystems_ = false;
}

void SdlWindow::start_timer(int id, int period_ms) {
    if (!subsystems_ || period_ms <= 0) return;
    std::unique_ptr<TimerSlot>& slot = timers_[id];
    if (!slot) slot = std::make_unique<TimerSlot>();
    slot->id = id;
    slot->period_ms = static_cast<Uint32>(period_ms);
    slot->next_due = SDL_GetTicks64() + slot->period_ms;
    slot->running = true;
}

void SdlWindow::stop_timer(int id) {
    auto found = timers_.find(id);
    if (found != timers_.end()) found->second->running = false;
}

// Queues a tick for every timer that has fallen due and has none queued yet.
// Ticks missed while the handler was busy merge into that one, and the next
// falls due a whole period after it, as a periodic timer's would.
void SdlWindow::queue_due_ticks() {
    const Uint64 now = SDL_GetTicks64();
    for (auto& [id, slot] : timers_) {
        if (!slot->running || now < slot->next_due) continue;
        slot->next_due += slot->period_ms * ((now - slot->next_due) / slot->period_ms + 1);
        if (slot->pending) continue;
        SDL_Event event{};
        event.type = tick_event_type();
        event.user.code = id;
        event.user.data1 = slot.get();
        slot->pending = SDL_PushEvent(&event) == 1;
    }
}

// Milliseconds until the next tick falls due; -1 when no timer runs.
int SdlWindow::ms_to_next_tick() const {
    const Uint64 now = SDL_GetTicks64();
    Uint64 next = std::numeric_limits<Uint64>::max();
    for (const auto& [id, slot] : timers_)
        if (slot->running && !slot->pending) next = std::min(next, slot->next_due);
    if (next == std::numeric_limits<Uint64>::max()) return -1;
    return next <= now ? 0 : static_cast<int>(std::min<Uint64>(next - now, 1'000'000));
}

void SdlWindow::wait_events(const std::function<void(int, int)>& deliver) {
    // Without a window no key or tick can ever come: waiting would hang and
    // returning empty-handed would spin, so the program is asked to close.
    // A signal asks the same, through the same orderly shutdown.
    if (!window_ || stop_requested()) {
        deliver(event_close, 0);
        return;
    }
    SDL_Event event;
    for (;;) {
        queue_due_ticks();
        // A signal does not wake the display wait, so the wait is cut into
        // slices that look at the stop request in between.
        const int timeout = ms_to_next_tick();
        const int slice = timeout < 0 ? stop_check_ms : std::clamp(timeout, 1, stop_check_ms);
        if (wait_for_event(event, slice)) break;
        if (stop_requested()) {
            deliver(event_close, 0);
            return;
        }
    }
    handle_event(event, deliver);
    // Deliver what is queued now, but not what arrives while delivering: the
    // caller gets control back to see whether the program is to stop even
    // when ticks keep coming during long handlers. (SDL_WaitEvent has just
    // read the display connection; what came since waits for the next call.)
    int queued = SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    while (queued-- > 0 &&
           SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1)
        handle_event(event, deliver);
    // A tick that fell due while delivering waits queued for the next call.
    queue_due_ticks();
}

// Waits up to `timeout_ms` for an event and takes it. With only pushed events
// to come, the wait is on the semaphore that wake() posts once its event is
// queued (the ticks are queued by this thread before it waits).
bool SdlWindow::wait_for_event(SDL_Event& event, int timeout_ms) {
    if (!queued_) return SDL_WaitEventTimeout(&event, timeout_ms) == 1;
    // Taken with SDL_PeepEvents, not SDL_PollEvent: a poll stops at the end
    // of its cycle and would leave an event pushed meanwhile for later.
    auto take = [&event] {
        SDL_PumpEvents();
        return SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1;
    };
    while (SDL_SemTryWait(queued_) == 0) {
    }
    if (take()) return true;
    SDL_SemWaitTimeout(queued_, static_cast<Uint32>(timeout_ms));
    return take();
}

bool SdlWindow::take_stop_key() {
    if (!window_) return false;
    SDL_PumpEvents();
    bool found = false;
    // Only the stop key's own press is taken; every other event keeps its
    // place in the queue.
    SDL_FilterEvents(
        [](void* seen, SDL_Event* event) -> int {
            if (event->type != SDL_KEYDOWN || virtual_key(event->key.keysym) != vk::escape) return 1;
            *static_cast<bool*>(seen) = true;
            return 0;
        },
        &found);
    return found;
}

void SdlWindow::handle_tick(const SDL_Event& event, const std::function<void(int, int)>& deliver) {
    // Only ticks of this window's timers are taken: another user event of
    // the same type carries no slot of ours.
    auto found = timers_.find(event.user.code);
    if (found == timers_.end() || found->second.get() != event.user.data1) return;
    TimerSlot* slot = found->second.get();
    slot->pending = false;  // from now on a new tick may be queued
    // A tick queued before its timer was stopped is not delivered.
    if (slot->running) deliver(event_timer, slot->id);
}

void SdlWindow::handle_event(const SDL_Event& event, const std::function<void(int, int)>& deliver) {
    switch (event.type) {
        case SDL_QUIT:  // the system asks every program to quit
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

// A tick event of no timer's: it ends the wait and is dropped on delivery.
void SdlWindow::wake() {
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) return;
    SDL_Event event{};
    event.type = tick_event_type();
    event.user.code = -1;
    SDL_PushEvent(&event);
    if (queued_) SDL_SemPost(queued_);
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
