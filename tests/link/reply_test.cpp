// Numbers out of replies: good, short, garbled and buried ones.
#include <gtest/gtest.h>

#include "link/reply.hpp"

namespace vlr {
namespace {

struct Row { const char* reply; const char* code; int skip, width, want; };  // want -1: no number
const Row rows[] = {
    {"PC050;", "PC", 2, 3, 50},
    {"PC1050;", "PC", 3, 3, 50},        // the 10 W variant's extra digit
    {"GT03;", "GT0", 3, 1, 3},
    {"RM6120000;", "RM6", 3, 3, 120},
    {"ID0840;", "ID", 2, 4, 840},
    {"xx;FA014250000;MG045;", "MG", 2, 3, 45},  // behind other replies
    {"MG045;MG099;", "MG", 2, 3, 45},           // the first one counts
    {"PC05", "PC", 2, 3, -1},                    // cut short
    {"PC0;", "PC", 2, 3, -1},
    {"PC0A5;", "PC", 2, 3, -1},                  // garbled
    {"PC-05;", "PC", 2, 3, -1},                  // no signs on the wire
    {"AG0030;", "PC", 2, 3, -1},                 // another reply
    {"", "PC", 2, 3, -1},
};

TEST(ReplyField, TakesTheFieldOnlyWhenItIsAllDigits) {
    for (const Row& r : rows) EXPECT_EQ(reply_field(r.reply, r.code, r.skip, r.width).value_or(-1), r.want) << r.reply << " " << r.code;
}

}  // namespace
}  // namespace vlr
