// veloran-emulator: an emulated Yaesu radio (model 0840) on a pseudo-terminal,
// for trying the program without a radio, for demonstrations and for tests.
#include "emulator/cli.hpp"

int main(int argc, char** argv) { return vlr::emu::run_emulator(argc, argv); }
