#include "speech/vocabulary.hpp"

namespace vlr {

// Grouped as the words are used. Names are kept exactly as the routines pass
// them: a bare name and its ".wav" form ("3", "3.wav") are listed apart
// because both are passed, though they play the same file.
const std::vector<std::string>& vocabulary() {
    static const std::vector<std::string> words = {
        // Start-up and shutdown
        "vlr.wav", "cfgnf", "wrong", "conf", "rnvlr.wav", "connected", "quit", "nc", "delay",
        "help.wav",
        // A serial port that is there but may not be opened: the user is
        // not in the group that owns serial devices.
        "noperm",
        // The network control port could not be opened; a network client
        // has keyed the transmitter.
        "netport", "nettx",
        // Digits, spoken one character at a time, and their ".wav" forms
        "0", "1", "2", "3", "4", "5", "6", "7", "8", "9",
        "0.wav", "1.wav", "2.wav", "3.wav", "4.wav", "5.wav", "6.wav", "7.wav", "8.wav", "9.wav",
        // Numbers and units
        "point", "mhz", "khz", "hz", "watts", "wpm",
        "160", "80", "60", "40", "30", "20", "17", "15", "12", "10", "70",
        "metres", "un", "plus", "minus", "plus.wav", "gt5", "21",
        // Readings
        "s.wav", "swr", "alc", "bw",
        // Modes
        "lsb.wav", "usb.wav", "cw.wav", "am.wav", "fm.wav", "c4fm.wav", "nar.wav",
        // Frequency and VFO
        "vfoa", "vfob", "tx", "repeater", "split", "EF", "band", "max", "min",
        // Receiver and transmitter settings
        "preamp", "at", "nb", "nr", "notch", "co", "spc", "bkin", "vox", "mon", "on", "off",
        "agc", "fast", "mid", "slow", "auto", "af", "rf", "Power", "micgain", "lev", "ks",
        "tuner", "atu", "is", "both", "tune", "ton", "beep", "ptthold", "swrwiths",
        "ant1", "ant2", "options",
        // Tone squelch, repeater offset, memory
        "ctcss", "dcs", "ec", "ecd", "ofs", "eofs", "std", "rio",
        "channel", "bank", "ncs", "sch", "gch", "mode",
        // Commands and answers
        "ok", "invalid", "na", "extcm", "mn", "mp",
    };
    return words;
}

}  // namespace vlr
