// The main window on SDL2: keys, the merged periodic timer, the close request,
// and an off-screen image of the client area that every repaint copies from.
#pragma once

#include <SDL2/SDL.h>

#include <map>
#include <memory>

#include "platform/interfaces.hpp"
#include "platform/sdl/sdl_text.hpp"

namespace vlr::platform {

struct TimerSlot;

class SdlWindow : public Window {
public:
    SdlWindow();
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    bool open(const std::string& title, int x, int y, int width, int height) override;
    void start_timer(int id, int period_ms) override;
    void stop_timer(int id) override;
    void wait_events(const std::function<void(int, int)>& deliver) override;
    void close() override;
    bool take_stop_key() override;
    TextSurface* surface() override { return text_.get(); }
    void wake() override;

    // The off-screen image of the client area (null when closed).
    SDL_Surface* image() const { return image_; }
    SDL_Window* handle() const { return window_; }
    SdlText* text() const { return text_.get(); }

private:
    void handle_event(const SDL_Event& event, const std::function<void(int, int)>& deliver);
    void handle_tick(const SDL_Event& event, const std::function<void(int, int)>& deliver);
    void queue_due_ticks();
    int ms_to_next_tick() const;
    bool wait_for_event(SDL_Event& event, int timeout_ms);
    void present(const SDL_Rect& area);
    void present_all();

    SDL_Window* window_ = nullptr;
    SDL_Surface* image_ = nullptr;
    std::unique_ptr<SdlText> text_;
    bool subsystems_ = false;
    std::map<int, std::unique_ptr<TimerSlot>> timers_;  // by timer id
    // Posted by wake() after its event is queued; waited on instead of the
    // display under drivers whose own wait looks for events once a millisecond.
    SDL_sem* queued_ = nullptr;
};

}  // namespace vlr::platform
