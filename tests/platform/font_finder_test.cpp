// Fonts the panel asks for by their Windows names reach installed faces.
#include "platform/sdl/font_finder.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/sdl/sdl_text.hpp"

using vlr::platform::find_font;
using vlr::platform::nearest_family;

namespace {

TEST(FontFinder, MisspeltFaceIsTakenAsTheNearestKnownFace) {
    EXPECT_EQ(nearest_family("Ariel"), "Arial");
    EXPECT_EQ(nearest_family("arial"), "Arial");
    EXPECT_EQ(nearest_family("sans-serif"), "sans-serif");
    EXPECT_EQ(nearest_family("Qwzxv Grotesk Display"), "Qwzxv Grotesk Display");
}

TEST(FontFinder, AreilResolvesToAnInstalledFile) {
    const auto bold = find_font("Ariel", 700);
    const auto thin = find_font("Ariel", 20);
    ASSERT_FALSE(bold.path.empty());
    ASSERT_FALSE(thin.path.empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(bold.path));
    EXPECT_TRUE(std::filesystem::is_regular_file(thin.path));
    EXPECT_NE(bold.path, thin.path);
    if (find_font("Liberation Sans", 400).path.find("Liberation") == std::string::npos)
        GTEST_SKIP() << "Liberation Sans is not installed";
    EXPECT_NE(bold.path.find("LiberationSans-Bold"), std::string::npos) << bold.path;
    EXPECT_NE(thin.path.find("LiberationSans-Regular"), std::string::npos) << thin.path;
}

TEST(FontFinder, UnknownFaceStillGetsAFont) {
    EXPECT_FALSE(find_font("Qwzxv Grotesk Display", 400).path.empty());
}

TEST(FontFinder, PointsArePixelsAt96Dpi) {
    EXPECT_EQ(vlr::platform::points_to_pixels(50), 67);
    EXPECT_EQ(vlr::platform::points_to_pixels(20), 27);
    EXPECT_EQ(vlr::platform::points_to_pixels(12), 16);
}

}  // namespace
