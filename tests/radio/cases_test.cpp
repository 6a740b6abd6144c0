// Band rows, channels, frequency replies, switches, levels, tones and the
// start-up read-back, as rows of cases.txt.
#include "tests/support/table.hpp"

TEST(Radio, Cases) { vlr::test::table::run_file(__FILE__, "cases.txt"); }
