#include "panel/text_output.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

using test::Rig;

TEST(TextOutput, DropsTheClosingLineEndAndAdvancesByTheDrawnWidth) {
    Rig rig;
    set_font(rig.c, "Ariel", 20, 20);  // 10 px a character on the recording surface
    move_to(rig.c, 100, 50);
    print_text(rig.c, "abc\r\n");
    print_text(rig.c, "de\n");
    print_text(rig.c, "f\r");
    print_text(rig.c, "g\r\n\r\n");  // only one line end belongs to the item list
    const auto& drawn = rig.window.text.drawn;
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(drawn[0].text, "abc");
    EXPECT_EQ(drawn[0].x, 100);
    EXPECT_EQ(drawn[1].text, "de");
    EXPECT_EQ(drawn[1].x, 130);
    EXPECT_EQ(drawn[2].text, "f");
    EXPECT_EQ(drawn[2].x, 150);
    EXPECT_EQ(drawn[3].text, "g\r\n");
    EXPECT_EQ(drawn[3].x, 160);
    for (const auto& d : drawn) EXPECT_EQ(d.y, 50);
    EXPECT_EQ(rig.st().main_window.x, 190);
    // Nothing left after the line end draws nothing and moves nothing.
    print_text(rig.c, "\r\n");
    print_text(rig.c, "");
    EXPECT_EQ(drawn.size(), 4u);
    EXPECT_EQ(rig.st().main_window.x, 190);
}

TEST(TextOutput, GoesToTheConsoleUntilAWindowIsNamed) {
    Rig rig;
    std::ostringstream console;
    rig.c.console = &console;
    print_text(rig.c, "before\r\n", false);
    EXPECT_EQ(console.str(), "before");
    EXPECT_TRUE(rig.window.text.drawn.empty());

    print_text(rig.c, "named\r\n", true);
    print_text(rig.c, "after\r\n", false);  // the window stays remembered
    EXPECT_EQ(console.str(), "before");
    ASSERT_EQ(rig.window.text.drawn.size(), 2u);
    EXPECT_EQ(rig.window.text.drawn[1].text, "after");
}

TEST(TextOutput, NothingIsDrawnOrMovedWithoutAWindow) {
    Rig rig;
    rig.st().main_window.open = false;
    move_to(rig.c, 300, 300);
    set_font(rig.c, "Ariel", 50, 700);
    print_text(rig.c, "lost\r\n");
    EXPECT_TRUE(rig.window.text.drawn.empty());
    EXPECT_EQ(rig.st().main_window.x, 0);
    EXPECT_TRUE(rig.window.text.face.empty());

    Rig no_window;
    no_window.c.window = nullptr;
    move_to(no_window.c, 5, 5);
    print_text(no_window.c, "lost\r\n");  // must not crash
    EXPECT_EQ(no_window.st().main_window.x, 0);
    EXPECT_TRUE(no_window.window.text.drawn.empty());
}

TEST(TextOutput, SetFontRemembersAndForwardsAFaceOfAtMost31Characters) {
    Rig rig;
    const std::string long_face(40, 'F');
    set_font(rig.c, long_face, 50, 700);
    EXPECT_EQ(rig.window.text.face, std::string(31, 'F'));
    EXPECT_EQ(rig.st().main_window.face, std::string(31, 'F'));
    EXPECT_EQ(rig.st().main_window.points, 50);
    EXPECT_EQ(rig.st().main_window.weight, 700);
    print_text(rig.c, "x");
    EXPECT_EQ(rig.window.text.drawn.back().points, 50);
    EXPECT_EQ(rig.window.text.drawn.back().weight, 700);
}

}  // namespace
}  // namespace vlr
