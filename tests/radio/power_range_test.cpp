// The transmit power goes out only as a value the radio takes, also when it
// was never read (0 from the start) or read from a reply cut off mid-way.
// Found by the soak run: the radio refused "PC2000;" after a tune whose "PC"
// answer was lost, and "PC2001;" from Up pressed after an unanswered P.
#include <gtest/gtest.h>

#include "radio/levels.hpp"
#include "tests/support/keys.hpp"

namespace vlr {
namespace {

using test::Rig;
namespace vk = test::vk;

TEST(PowerRange, AnUnknownOrCutOffPowerGoesOutAsTheNearestTheRadioTakes) {
    struct Case {
        int variant, power;
        const char* sent;
    };
    const Case cases[] = {
        {1, 0, "PC2005;"}, {1, 4, "PC2005;"},  {1, 100, "PC2100;"}, {1, 250, "PC2100;"},
        {0, 0, "PC1001;"}, {0, -3, "PC1001;"}, {0, 10, "PC1010;"},  {0, 55, "PC1010;"},
    };
    for (const Case& k : cases) {
        Rig rig;
        rig.open_radio();
        rig.st().radio_variant = k.variant;
        rig.st().power_level = k.power;
        send_power(rig.c);
        EXPECT_EQ(test::join(rig.sent()), k.sent) << k.variant << "/" << k.power;
    }
}

TEST(PowerRange, UpAfterAnUnansweredPowerQueryStartsFromTheLowestPower) {
    Rig rig;
    test::connect(rig);
    rig.st().radio_variant = 1;
    test::press(rig, {'P', vk::up});  // the radio never answers the "PC;"
    EXPECT_EQ(test::last_sent(rig, "PC2"), "PC2005;");
    EXPECT_EQ(rig.st().power_level, 5);
}

TEST(PowerRange, ATuneWhosePowerAnswerWasLostEndsOnAPowerTheRadioTakes) {
    Rig rig;
    test::connect(rig);
    rig.st().radio_variant = 1;
    rig.st().tuner_mode = 2;  // tuner and manual carrier
    test::press(rig, {'T'});
    ASSERT_EQ(test::last_sent(rig, "PC2"), "PC2010;");  // the tune carrier
    test::press(rig, {'T'});
    EXPECT_EQ(test::last_sent(rig, "TX"), "TX0;");
    EXPECT_EQ(test::last_sent(rig, "PC2"), "PC2005;");
}

}  // namespace
}  // namespace vlr
