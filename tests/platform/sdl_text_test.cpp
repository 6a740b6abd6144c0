// The text surface leaves alone what it already shows: a field redrawn with
// its own text is not rendered and shown again, but anything drawn over it
// in between, or another font, makes it draw for real.
#include "platform/sdl/sdl_text.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

using vlr::platform::SdlText;

namespace {

struct Image {
    Image() {
        surface = SDL_CreateRGBSurfaceWithFormat(0, 600, 200, 32, SDL_PIXELFORMAT_RGB888);
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 255, 255, 255));
    }
    ~Image() { SDL_FreeSurface(surface); }
    std::vector<Uint8> pixels(const SDL_Rect& area) const {
        std::vector<Uint8> out;
        for (int y = area.y; y < area.y + area.h; ++y) {
            const Uint8* row =
                static_cast<Uint8*>(surface->pixels) + y * surface->pitch + area.x * 4;
            out.insert(out.end(), row, row + area.w * 4);
        }
        return out;
    }
    SDL_Surface* surface = nullptr;
};

class SdlTextTest : public testing::Test {
protected:
    SdlTextTest() : text(image.surface, [this](const SDL_Rect& area) { shown.push_back(area); }) {}
    Image image;
    std::vector<SDL_Rect> shown;  // every area handed to the window
    SdlText text;
};

TEST_F(SdlTextTest, TheSameTextAtTheSamePlaceIsShownOnce) {
    const int width = text.draw_text(20, 30, " 14.250000");
    ASSERT_GT(width, 0);
    EXPECT_EQ(text.draw_text(20, 30, " 14.250000"), width);
    EXPECT_EQ(text.draw_text(20, 30, " 14.250000"), width);
    EXPECT_EQ(shown.size(), 1u);
    // A new value, or the same text elsewhere, is drawn.
    text.draw_text(20, 30, " 14.260000");
    text.draw_text(20, 80, " 14.260000");
    EXPECT_EQ(shown.size(), 3u);
}

TEST_F(SdlTextTest, TextDrawnOverAFieldMakesItsRedrawReal) {
    const int width = text.draw_text(20, 30, "USB    ");
    const SDL_Rect field{20, 30, width, 16};
    const std::vector<Uint8> clean = image.pixels(field);
    // Another text partly over the field, then the field's own text again:
    // it must be drawn, or the field would keep the other text's pieces.
    text.draw_text(20 + width / 2, 34, "XXXXXXXXXXXX");
    ASSERT_NE(image.pixels(field), clean);
    text.draw_text(20, 30, "USB    ");
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_EQ(image.pixels(field), clean);
}

TEST_F(SdlTextTest, AnotherFontRedrawsTheSameText) {
    text.draw_text(20, 30, "LSB");
    text.set_font("Ariel", 20, 700);
    text.draw_text(20, 30, "LSB");
    EXPECT_EQ(shown.size(), 2u);
    // Back to a font whose drawing is no longer on the image.
    text.set_font("Ariel", 10, 400);
    text.draw_text(20, 30, "LSB");
    EXPECT_EQ(shown.size(), 3u);
}

}  // namespace
