// D to C4FM and back restores a kept tone only when it is a tone number the
// radio takes. Found by the soak run: a tone code still being typed ("I 3 5
// 5", then D D) went out as CN000355, which the radio refused while the
// program took tone squelch for on.
#include <gtest/gtest.h>

#include "tests/support/keys.hpp"

namespace vlr {
namespace {

using namespace test;

struct Case {
    const char* typed;     // after I, before D D
    const char* restored;  // the CN command on the way back, "" for none
};

TEST(ToneRestore, OnlyAnAcceptedToneNumberComesBackFromC4fm) {
    const Case cases[] = {
        {"12\r", "CN00012;"},  // accepted CTCSS tone 12
        {"355", ""},           // still being typed: no tone
        {"3", ""},
        {"754\r", ""},  // a DCS code is no CTCSS tone number
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.typed);
        Rig rig;
        connect(rig);
        tune_to(rig, 12, 5, 145'000'000);
        rig.st().dcs_allowed = 1;
        press(rig, {'I'});
        type(rig, k.typed);
        rig.clear();
        press(rig, {'D'});
        ASSERT_EQ(rig.st().mode_code, 6);
        press(rig, {'D'});
        EXPECT_EQ(last_sent(rig, "CN"), k.restored);
        EXPECT_EQ(rig.st().tone_active, *k.restored ? 1 : 0);
        for (const auto& cmd : sent_with(rig, "CN00")) EXPECT_LE(cmd, "CN00049;");
    }
}

}  // namespace
}  // namespace vlr
