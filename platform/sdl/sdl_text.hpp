// Text drawing into the window's off-screen image with SDL_ttf.
#pragma once

#include <SDL2/SDL.h>
#include <SDL2/SDL_ttf.h>

#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/interfaces.hpp"
#include "platform/sdl/font_finder.hpp"

namespace vlr::platform {

// The pixel height of a character `points` high on a 96 dpi screen.
int points_to_pixels(int points);

class SdlText : public TextSurface {
public:
    // Draws into `image`; `present` is called with each changed rectangle so
    // the window shows it at once.
    SdlText(SDL_Surface* image, std::function<void(const SDL_Rect&)> present);
    ~SdlText() override;
    SdlText(const SdlText&) = delete;
    SdlText& operator=(const SdlText&) = delete;

    void set_font(const std::string& face, int points, int weight) override;
    int draw_text(int x, int y, const std::string& text) override;

    // The file and pixel size of the current font (for tests and diagnostics).
    const std::string& font_path() const { return current_path_; }
    int font_pixels() const { return current_pixels_; }

private:
    TTF_Font* open_font(const FontFile& file, int pixels);
    void remember(const SDL_Rect& area, const std::string& text);
    void select(const std::string& face, int weight, int pixels);

    SDL_Surface* image_;
    std::function<void(const SDL_Rect&)> present_;
    bool ttf_ready_ = false;
    TTF_Font* current_ = nullptr;
    std::string current_path_;
    int current_pixels_ = 0;
    // Opened fonts by (file, face index, pixels); font lookups by (face, weight).
    std::map<std::tuple<std::string, int, int>, TTF_Font*> fonts_;
    std::map<std::pair<std::string, int>, FontFile> lookups_;
    // Texts that the image shows as drawn, none overlapping another.
    struct Shown {
        SDL_Rect area;
        std::string text;
        TTF_Font* font;
    };
    static constexpr std::size_t max_remembered = 256;
    std::vector<Shown> shown_;
};

}  // namespace vlr::platform
