#include "platform/sdl/sdl_text.hpp"

#include <cmath>

namespace vlr::platform {
namespace {

// Before the program picks a font the window draws in the desktop's sans at
// 13 px, whose 16 px line height is that of the classic system font: the
// help lines then fit the window as they were laid out for it.
constexpr const char* initial_face = "sans-serif";
constexpr int initial_points = 10;
constexpr int initial_weight = 400;

bool valid_utf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned lead = static_cast<unsigned char>(text[i]);
        const size_t extra = lead < 0x80             ? 0
                             : (lead & 0xE0) == 0xC0 ? 1
                             : (lead & 0xF0) == 0xE0 ? 2
                             : (lead & 0xF8) == 0xF0 ? 3
                                                     : 4;
        if (extra > 3 || i + extra >= text.size()) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace

int points_to_pixels(int points) { return static_cast<int>(std::lround(points * 96.0 / 72.0)); }

SdlText::SdlText(SDL_Surface* image, std::function<void(const SDL_Rect&)> present)
    : image_(image), present_(std::move(present)) {
    ttf_ready_ = TTF_Init() == 0;
}

SdlText::~SdlText() {
    for (auto& [key, font] : fonts_) TTF_CloseFont(font);
    if (ttf_ready_) TTF_Quit();
}

TTF_Font* SdlText::open_font(const FontFile& file, int pixels) {
    auto key = std::make_tuple(file.path, file.index, pixels);
    if (auto found = fonts_.find(key); found != fonts_.end()) return found->second;
    TTF_Font* font = TTF_OpenFontIndex(file.path.c_str(), pixels, file.index);
    if (font) fonts_[key] = font;
    return font;
}

void SdlText::select(const std::string& face, int weight, int pixels) {
    if (!ttf_ready_ || pixels <= 0) return;
    auto lookup = std::make_pair(face, weight);
    auto known = lookups_.find(lookup);
    if (known == lookups_.end()) known = lookups_.emplace(lookup, find_font(face, weight)).first;
    const FontFile& file = known->second;
    if (file.path.empty()) return;
    // A font that cannot be opened leaves the previous one in use: text stays
    // readable rather than disappearing.
    if (TTF_Font* font = open_font(file, pixels)) {
        current_ = font;
        current_path_ = file.path;
        current_pixels_ = pixels;
    }
}

void SdlText::set_font(const std::string& face, int points, int weight) {
    select(face, weight, points_to_pixels(points));
}

int SdlText::draw_text(int x, int y, const std::string& text) {
    if (text.empty() || !image_) return 0;
    if (!current_) select(initial_face, initial_weight, points_to_pixels(initial_points));
    if (!current_) return 0;
    // The panel redraws its fields from every reply, mostly with what they
    // already show. The same text in the same font at the same place, with
    // nothing drawn over it since, would change no pixel: it is not
    // rendered and shown again.
    for (const Shown& shown : shown_)
        if (shown.area.x == x && shown.area.y == y && shown.font == current_ && shown.text == text)
            return shown.area.w;
    const SDL_Color black{0, 0, 0, 255}, white{255, 255, 255, 255};
    // Panel texts are ASCII; anything else that is not UTF-8 is shown as
    // Latin-1 rather than dropped.
    SDL_Surface* rendered = valid_utf8(text)
                                ? TTF_RenderUTF8_Shaded(current_, text.c_str(), black, white)
                                : TTF_RenderText_Shaded(current_, text.c_str(), black, white);
    if (!rendered) return 0;
    const SDL_Rect area{x, y, rendered->w, rendered->h};
    SDL_Rect target = area;
    SDL_BlitSurface(rendered, nullptr, image_, &target);  // clips `target` to the image
    const int width = rendered->w;
    SDL_FreeSurface(rendered);
    remember(area, text);
    if (target.w > 0 && target.h > 0 && present_) present_(target);
    return width;
}

void SdlText::remember(const SDL_Rect& area, const std::string& text) {
    // Whatever this text covers no longer shows what was drawn there before.
    std::erase_if(shown_,
                  [&](const Shown& earlier) { return SDL_HasIntersection(&earlier.area, &area); });
    if (shown_.size() >= max_remembered) shown_.erase(shown_.begin());
    shown_.push_back(Shown{area, text, current_});
}

}  // namespace vlr::platform
