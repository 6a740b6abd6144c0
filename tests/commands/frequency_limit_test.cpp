// A frequency typed as whole MHz obeys the same 450 MHz limit as one typed
// with a point. Found by the soak run: "6 4 1 Enter" sent FA641000000, which
// the radio refused, and the general-coverage row kept it for every later
// band select.
#include <gtest/gtest.h>

#include "tests/support/keys.hpp"

namespace vlr {
namespace {

using namespace test;

TEST(FrequencyLimit, WholeMegahertzFrom450UpIsInvalidAndNothingOutOfRangeGoesOut) {
    const char* refused[] = {"450\r", "641\r", "470\r"};
    for (const char* keys : refused) {
        SCOPED_TRACE(keys);
        Rig rig;
        connect(rig);
        press(rig, {'E'});
        rig.clear();
        type(rig, keys);
        EXPECT_EQ(rig.words().back(), "invalid");
        EXPECT_EQ(rig.st().freq_entry_active, 0);
        for (const auto& cmd : sent_with(rig, "FA")) EXPECT_LT(cmd, "FA450000000;");
        for (int band = 1; band <= 14; ++band)
            EXPECT_LT(rig.st().band_table[static_cast<std::size_t>(band)].substr(3, 9), "450000000")
                << "band " << band;
    }
}

TEST(FrequencyLimit, WholeMegahertzBelow450StillGoesOut) {
    Rig rig;
    connect(rig);
    press(rig, {'E'});
    type(rig, "449\r");
    EXPECT_EQ(last_sent(rig, "FA"), "FA449000000;");
    EXPECT_EQ(rig.words().back(), "ok");
}

}  // namespace
}  // namespace vlr
