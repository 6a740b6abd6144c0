// However the transmitter was keyed, the shutdown unkeys it before anything
// else goes to the radio.
#include <gtest/gtest.h>

#include <functional>

#include "app/startup.hpp"
#include "commands/passthru.hpp"
#include "link/ports.hpp"
#include "tests/support/keys.hpp"

namespace vlr::test {
namespace {

TEST(Shutdown, UnkeysTheRadioFirstWhenAnythingLeftItKeyed) {
    auto client = [](const std::string& bytes) {
        return [bytes](Rig& rig) {
            auto line = rig.serial.add_line(2);
            rig.st().passthru_port = 2;
            open_serial(rig.c, 2);
            for (std::size_t at = 0; at < bytes.size(); at = bytes.find(';', at) + 1) {
                line->incoming += bytes.substr(at, bytes.find(';', at) + 1 - at);
                poll_passthru(rig.c);
            }
        };
    };
    // How the transmitter was keyed, and the commands of the shutdown.
    const struct { const char* how; std::function<void(Rig&)> key; std::vector<std::string> last; } rows[] = {
        {"space bar", [](Rig& r) { press(r, {vk::space}); }, {"TX0;", "PS0;"}},
        {"space bar on and off", [](Rig& r) { press(r, {vk::space, vk::space}); }, {"PS0;"}},
        {"tune carrier", [](Rig& r) { r.st().tuner_mode = 1, press(r, {'T'}); }, {"TX0;", "PS0;"}},
        {"client TX1", client("TX1;"), {"TX0;", "PS0;"}},
        {"client TX2", client("TX2;"), {"TX0;", "PS0;"}},
        {"client TX1 then TX0", client("TX1;TX0;"), {"PS0;"}},
        {"client asks only", client("TX;"), {"PS0;"}},
    };
    for (const auto& row : rows) {
        Rig rig;
        connect(rig);
        rig.st().power_off_on_exit = 1;
        row.key(rig);
        rig.clear();
        shutdown_program(rig.c);
        EXPECT_EQ(rig.sent(), row.last) << row.how;
    }
}

}  // namespace
}  // namespace vlr::test
