// An emulated Yaesu transceiver (model 0840): the state it keeps and the CAT
// answers it gives, with no I/O of its own. The pseudo-terminal layer
// (pty_radio.hpp) puts it on a serial line; tests can also drive it directly.
//
// It is an independent radio: it knows nothing of the program that talks to
// it, only the Yaesu CAT text commands, so it catches a program that sends a
// command the radio would refuse ("?;") as readily as one that misreads an
// answer.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace vlr::emu {

// Which transmitter the radio has. It decides the power command the radio
// takes and answers with: "PC1" + watts for the 10 W radio, "PC2" for 100 W.
enum class Variant { watts10, watts100 };

class RadioModel {
public:
    explicit RadioModel(Variant variant = Variant::watts100, std::string identity = "0840",
                        std::uint32_t seed = 840);

    // Takes one command, ";" included, and returns the radio's answer (ending
    // in ";"), "" for an accepted set command, "?;" for anything the radio
    // does not understand, and "" for everything while it is switched off.
    // Every command is kept in the record.
    std::string handle(const std::string& command);

    // The same as handle but not recorded: what the operator does with the
    // radio's own knobs (tests use it to put the radio into a state).
    std::string operate(const std::string& command);

    // Every command received by handle, in order, ";" included.
    const std::vector<std::string>& record() const { return record_; }
    void clear_record() { record_.clear(); }

    // Turns the main dial: moves the operating VFO (A, or B after "VS1") by
    // `hz`, kept inside the radio's range.
    void turn_dial(long long hz);

    // The transmitter keyed by the microphone's PTT rather than by CAT.
    void key_transmitter(bool on);

    // Meters wander by themselves; a test can hold one at a fixed reading
    // (0..255) and let it go again.
    void hold_s_meter(int value) { s_meter_.held = value; }
    void hold_swr(int value) { swr_.held = value; }
    void hold_mic_level(int value) { mic_.held = value; }
    void release_meters() { s_meter_.held.reset(), swr_.held.reset(), mic_.held.reset(); }

    // A radio that lacks a setting, or takes it in another form, answers
    // "?;" to every set command with its code ("PR", "ML"); its queries are
    // still answered.
    void refuse_sets(std::set<std::string> codes) { refused_codes_ = std::move(codes); }
    // Only the forms this radio knows exactly: a setting with all its digits,
    // a menu item it has, "ZI0"; the shorter and older forms it otherwise
    // takes are refused.
    void refuse_unknown_forms(bool on) { strict_ = on; }
    // Whether `command` (";" included or not) asks for a value.
    static bool asks(const std::string& command);

    void set_identity(std::string identity) { identity_ = std::move(identity); }
    const std::string& identity() const { return identity_; }
    Variant variant() const { return variant_; }

    // Read-only views of the state, for tests and the emulator's display.
    long long frequency_a() const { return vfo_a_; }
    long long frequency_b() const { return vfo_b_; }
    char mode() const { return mode_; }
    bool powered() const { return powered_; }
    bool transmitting() const;
    int power() const { return power_; }
    int tune_count() const { return tune_count_; }
    // The value of a stored setting by its command head ("AG0", "VS", "ST",
    // "TX", "CN00", ...), or nothing when the radio has no such setting.
    std::optional<int> setting(const std::string& head) const;
    // The stored value of a menu item ("030704"), or nothing if never set.
    std::optional<std::string> menu(const std::string& item) const;

    static constexpr long long lowest_frequency = 30'000;
    static constexpr long long highest_frequency = 470'000'000;

private:
    struct Meter {
        int value, low, high;
        std::optional<int> held;
    };
    struct BandStack {
        int code;
        long long low, high;  // the band's edges, to know which stack a frequency belongs to
        long long frequency;  // last frequency used in the band
        char mode;
    };

    std::string answer(const std::string& body);
    std::string frequency(char vfo, const std::string& param);
    std::string mode(const std::string& param);
    std::string band_stack(const std::string& param);
    std::string information();
    std::string transmit_vfo(const std::string& param);
    std::string power_control(const std::string& param);
    std::string tuner(const std::string& param);
    std::string menu_item(const std::string& param);
    std::string read_meter(const std::string& param);
    std::string plain_setting(const std::string& body);
    bool known_form(const std::string& code, const std::string& param) const;
    int read(Meter& meter);

    Variant variant_;
    std::string identity_;
    std::vector<std::string> record_;
    bool powered_ = true;
    bool ptt_ = false;
    long long vfo_a_ = 7'100'000;
    long long vfo_b_ = 7'100'000;
    char mode_ = '1';
    int power_;
    std::string tuner_state_ = "000";
    int tune_count_ = 0;
    std::map<std::string, int> settings_;
    std::map<std::string, std::string> menu_;
    std::vector<BandStack> stacks_;
    Meter s_meter_{60, 10, 160, {}};
    Meter swr_{35, 20, 70, {}};
    Meter mic_{100, 40, 200, {}};
    std::minstd_rand random_;
    std::set<std::string> refused_codes_;
    bool strict_ = false;
};

}  // namespace vlr::emu
