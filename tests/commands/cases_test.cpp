// The key rules, entries, transmit and the timer step, as rows of cases.txt.
#include "tests/support/table.hpp"

TEST(Commands, Cases) { vlr::test::table::run_file(__FILE__, "cases.txt"); }
