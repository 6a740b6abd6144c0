// The emulated radio's state machine: the answers to every query the program
// makes, the set commands it sends, and what the radio refuses.
#include "emulator/radio_model.hpp"

#include <gtest/gtest.h>

#include <regex>
#include <set>

using vlr::emu::RadioModel;
using vlr::emu::Variant;

namespace {

struct Exchange {
    const char* command;
    const char* reply;
};

// A fresh radio's answers to the queries the program makes at start-up, in
// its poll and on its keys, then to what Hamlib's FT-991 backend (rigctl -m
// 1035) asks while it opens the radio.
TEST(RadioModel, AnswersEveryQueryOfTheProgram) {
    const Exchange table[] = {
        // clang-format off
        {"ID;", "ID0840;"}, {"FA;", "FA007100000;"}, {"FB;", "FB007100000;"},
        {"MD0;", "MD01;"}, {"GT0;", "GT02;"}, {"AG0;", "AG0090;"}, {"AG1;", "AG1080;"},
        {"ML0;", "ML00;"}, {"ML1;", "ML1040;"}, {"PC;", "PC2100;"}, {"PR0;", "PR00;"},
        {"AC;", "AC000;"}, {"VX;", "VX0;"}, {"BI;", "BI0;"}, {"KS;", "KS015;"},
        {"MG;", "MG050;"}, {"PL;", "PL050;"}, {"SQ0;", "SQ0010;"}, {"RM6;", "RM6000000;"},
        {"RM4;", "RM4000000;"}, {"PS;", "PS1;"}, {"VS;", "VS0;"}, {"ST;", "ST0;"},
        {"TX;", "TX0;"}, {"EX030704;", "EX0307040;"}, {"EX010318;", "EX0103180012;"},
        {"RG0;", "RG0255;"}, {"SH0;", "SH0016;"}, {"NA0;", "NA00;"}, {"CT0;", "CT00;"},
        {"AI;", "AI0;"}, {"FT;", "FT0;"}, {"IF;", "IF001007100000+000000100000;"},
        {"AI0;", ""}, {"AI;", "AI0;"},
        // clang-format on
    };
    RadioModel radio;
    for (const auto& e : table) EXPECT_EQ(radio.handle(e.command), e.reply) << e.command;
}

TEST(RadioModel, SMeterAnswersThreeDigitsThatWander) {
    RadioModel radio;
    std::set<std::string> readings;
    for (int i = 0; i < 100; ++i) {
        std::string reply = radio.handle("SM0;");
        ASSERT_TRUE(std::regex_match(reply, std::regex("SM0[0-9]{3};"))) << reply;
        EXPECT_LE(std::stoi(reply.substr(3, 3)), 255);
        readings.insert(reply);
    }
    EXPECT_GT(readings.size(), 5u);
    radio.hold_s_meter(123);
    EXPECT_EQ(radio.handle("SM0;"), "SM0123;");
}

struct RoundTrip {
    const char* set;
    const char* query;
    const char* reply;
};

// The width is also taken in the FT-991 form ("SH0" + 2 digits).
TEST(RadioModel, KeepsWhatIsSet) {
    const RoundTrip table[] = {
        // clang-format off
        {"FA014250000;", "FA;", "FA014250000;"}, {"FB145500000;", "FB;", "FB145500000;"},
        {"MD02;", "MD0;", "MD02;"}, {"MD0H;", "MD0;", "MD0H;"}, {"MD0B;", "MD0;", "MD0B;"},
        {"AG0250;", "AG0;", "AG0250;"}, {"AG1000;", "AG1;", "AG1000;"},
        {"RG1040;", "RG1;", "RG1040;"}, {"SQ0255;", "SQ0;", "SQ0255;"},
        {"ML01;", "ML0;", "ML01;"}, {"ML1100;", "ML1;", "ML1100;"}, {"PR01;", "PR0;", "PR01;"},
        {"PL100;", "PL;", "PL100;"}, {"VX1;", "VX;", "VX1;"}, {"BI1;", "BI;", "BI1;"},
        {"GT04;", "GT0;", "GT04;"}, {"KS025;", "KS;", "KS025;"}, {"MG100;", "MG;", "MG100;"},
        {"AC100;", "AC;", "AC100;"}, {"AC103;", "AC;", "AC100;"},
        {"PC2010;", "PC;", "PC2010;"}, {"VS1;", "VS;", "VS1;"}, {"ST1;", "ST;", "ST1;"},
        {"CT03;", "CT0;", "CT03;"}, {"CN00012;", "CN00;", "CN00012;"},
        {"OS02;", "OS0;", "OS02;"}, {"RL010;", "RL0;", "RL010;"},
        {"NL0005;", "NL0;", "NL0005;"}, {"CO011200;", "CO01;", "CO011200;"},
        {"CO00001;", "CO00;", "CO000001;"}, {"SH0021;", "SH0;", "SH0021;"},
        {"PA02;", "PA0;", "PA02;"}, {"SH014;", "SH0;", "SH0014;"},
        {"SH000;", "SH0;", "SH0000;"}, {"SH023;", "SH0;", "SH0023;"},
        // clang-format on
    };
    for (const auto& t : table) {
        RadioModel radio;
        EXPECT_EQ(radio.handle(t.set), "") << t.set;
        EXPECT_EQ(radio.handle(t.query), t.reply) << t.set;
    }
}

// Every set command the program sends is taken without a word back.
TEST(RadioModel, TakesEverySetCommandOfTheProgramSilently) {
    const char* commands[] = {
        "EX0307030;",    "EX0307040;",    "EX0307041;",    "BS000;",         "BS008;",
        "BS009;",        "BS010;",        "BS011;",        "BS015;",         "BS016;",
        "FA001000000;",  "FB432000000;",  "MD01;",         "MD03;",          "MD04;",
        "MD05;",         "EX0103160600;", "EX0103170500;", "EX01031800012;", "EX01031800012.50;",
        "EX0103190100;", "OS00;",         "OS01;",         "CN00049;",       "CN01054;",
        "CN01103;",      "CT00;",         "CT01;",         "EX0863;",        "EX0860;",
        "RA00;",         "RA01;",         "NL0000;",       "NL0010;",        "CO000000;",
        "CO00000;",      "CO010010;",     "GT01;",         "AG0030;",        "AG1030;",
        "AG1255;",       "RG0000;",       "RG0250;",       "AC000;",         "PA00;",
        "PA01;",         "PA10;",         "PA11;",         "PA20;",          "PA21;",
        "RL000;",        "RL004;",        "PR00;",         "PL000;",         "BI0;",
        "VX0;",          "ML00;",         "ML1001;",       "SH0009;",        "NA00;",
        "NA01;",         "KS004;",        "KS060;",        "MG000;",         "SQ0000;",
        "BC00;",         "BC01;",         "TX1;",          "TX0;",           "ST0;",
        "VS0;",          "ZI;",           "PS1;",          "PC2100;",        "PC2005;"};
    RadioModel radio;
    for (const char* c : commands) EXPECT_EQ(radio.handle(c), "") << c;
}

// Parameters of the wrong width too: an 8-digit frequency (what Hamlib sends
// to a radio whose "IF;" it could not read) changes nothing.
TEST(RadioModel, RefusesWhatItDoesNotKnow) {
    const char* commands[] = {"XX;", ";", "fa;", "FA12345;", "FA000010000;", "FA999000000;",
                              "MD0Z;", "MD;", "MD1;", "AG0999;", "AG0;1", "AG;", "ID0840;",
                              "BS013;", "BS099;", "SM1;", "RM6123;", "RM0;", "EX12;", "EX03070A;",
                              "KS003;", "KS061;", "VX2;", "GT07;", "AC203;", "PC1005;", "PC2101;",
                              "PC2004;", "PC210;", "ZI1;", "PS2;", "SQ0;;", "TX3;", "RL0100;",
                              // Parameters of the wrong width, as Hamlib sends an 8-digit frequency
                              // to a radio whose "IF;" it could not read.
                              "FA14250000;", "FB14250000;", "FA0142500000;", "IF0;", "IF;;", "FT4;",
                              "FT01;", "FTA;", "SH01;", "SH024;", "SH0024;", "SH00014;"};
    RadioModel radio;
    for (const char* c : commands) EXPECT_EQ(radio.handle(c), "?;") << c;
    // A refused set changes nothing.
    EXPECT_EQ(radio.handle("FA;"), "FA007100000;");
    EXPECT_EQ(radio.handle("AG0;"), "AG0090;");
    EXPECT_EQ(radio.handle("PC;"), "PC2100;");
    EXPECT_EQ(radio.frequency_b(), 7'100'000);
    EXPECT_EQ(radio.handle("FT;"), "FT0;");
    EXPECT_EQ(radio.handle("SH0;"), "SH0016;");
}

// The menu stores any value after its six-digit item, and the program reads
// the value back from the ninth character of the answer.
TEST(RadioModel, MenuItemsStoreAndReadBack) {
    RadioModel radio;
    EXPECT_EQ(radio.handle("EX0103180012;"), "");
    EXPECT_EQ(radio.handle("EX010318;"), "EX0103180012;");
    EXPECT_EQ(radio.handle("EX01031800012.50;"), "");
    std::string reply = radio.handle("EX010318;");
    EXPECT_EQ(reply.substr(8, reply.find(';') - 8), "00012.50");
    EXPECT_EQ(radio.handle("EX0307041;"), "");
    EXPECT_EQ(radio.handle("EX030704;"), "EX0307041;");
    EXPECT_EQ(radio.menu("030704"), "1");
    EXPECT_EQ(radio.handle("EX123456;"), "EX1234560;");  // never set: the factory value
    EXPECT_FALSE(radio.menu("123456"));
    EXPECT_EQ(radio.handle("EX0863;"), "");
    EXPECT_EQ(radio.handle("EX086;"), "EX0863;");
}

TEST(RadioModel, RecordsEveryCommandReceived) {
    RadioModel radio;
    radio.handle("ID;");
    radio.handle("XX;");
    radio.handle("FA014250000;");
    EXPECT_EQ(radio.record(), (std::vector<std::string>{"ID;", "XX;", "FA014250000;"}));
    radio.operate("MD03;");  // the operator's own knob is no CAT traffic
    EXPECT_EQ(radio.record().size(), 3u);
    EXPECT_EQ(radio.mode(), '3');
    radio.clear_record();
    EXPECT_TRUE(radio.record().empty());
}

TEST(RadioModel, PowerCommandFollowsTheTransmitter) {
    RadioModel small(Variant::watts10);
    EXPECT_EQ(small.handle("PC;"), "PC1005;");
    EXPECT_EQ(small.handle("PC1010;"), "");
    EXPECT_EQ(small.handle("PC;"), "PC1010;");
    EXPECT_EQ(small.handle("PC1011;"), "?;");
    EXPECT_EQ(small.handle("PC2005;"), "?;");
    EXPECT_EQ(small.power(), 10);

    RadioModel big(Variant::watts100);
    EXPECT_EQ(big.handle("PC;"), "PC2100;");
    EXPECT_EQ(big.handle("PC2050;"), "");
    EXPECT_EQ(big.handle("PC;"), "PC2050;");
    EXPECT_EQ(big.handle("PC1005;"), "?;");
}

TEST(RadioModel, MetersMoveOnlyWhileTransmitting) {
    RadioModel radio;
    EXPECT_EQ(radio.handle("RM6;"), "RM6000000;");
    radio.handle("TX1;");
    EXPECT_TRUE(radio.transmitting());
    for (int i = 0; i < 20; ++i) {
        std::string swr = radio.handle("RM6;");
        ASSERT_TRUE(std::regex_match(swr, std::regex("RM6[0-9]{3}000;"))) << swr;
        EXPECT_GT(std::stoi(swr.substr(3, 3)), 0) << swr;
        std::string mic = radio.handle("RM4;");
        ASSERT_TRUE(std::regex_match(mic, std::regex("RM4[0-9]{3}000;"))) << mic;
        EXPECT_GT(std::stoi(mic.substr(3, 3)), 0) << mic;
    }
    radio.hold_swr(45);
    radio.hold_mic_level(200);
    EXPECT_EQ(radio.handle("RM6;"), "RM6045000;");
    EXPECT_EQ(radio.handle("RM4;"), "RM4200000;");
    radio.handle("TX0;");
    EXPECT_EQ(radio.handle("RM6;"), "RM6000000;");
    EXPECT_EQ(radio.handle("RM4;"), "RM4000000;");
    radio.key_transmitter(true);  // the microphone's PTT
    EXPECT_EQ(radio.handle("RM6;"), "RM6045000;");
}

TEST(RadioModel, BandStackMovesVfoAIntoTheBandAndRemembersIt) {
    RadioModel radio;
    const struct {
        const char* command;
        long long low, high;
    } bands[] = {
        // clang-format off
        {"BS000;", 1'800'000, 2'000'000},     {"BS003;", 7'000'000, 7'300'000},
        {"BS005;", 14'000'000, 14'350'000},   {"BS009;", 28'000'000, 29'700'000},
        {"BS010;", 50'000'000, 54'000'000},   {"BS015;", 144'000'000, 148'000'000},
        {"BS016;", 430'000'000, 450'000'000},
        // clang-format on
    };
    for (const auto& b : bands) {
        ASSERT_EQ(radio.handle(b.command), "") << b.command;
        EXPECT_GE(radio.frequency_a(), b.low) << b.command;
        EXPECT_LE(radio.frequency_a(), b.high) << b.command;
    }
    radio.handle("BS005;");
    radio.handle("FA014074000;");
    radio.handle("MD02;");
    radio.handle("BS003;");
    EXPECT_EQ(radio.handle("FA;"), "FA007100000;");
    radio.handle("BS005;");
    EXPECT_EQ(radio.handle("FA;"), "FA014074000;");
    EXPECT_EQ(radio.handle("MD0;"), "MD02;");
}

TEST(RadioModel, DialMovesTheOperatingVfo) {
    RadioModel radio;
    radio.turn_dial(150'000);
    EXPECT_EQ(radio.handle("FA;"), "FA007250000;");
    radio.handle("VS1;");
    radio.turn_dial(-50'000);
    EXPECT_EQ(radio.handle("FB;"), "FB007050000;");
    EXPECT_EQ(radio.frequency_a(), 7'250'000);
    radio.turn_dial(-100'000'000);  // stops at the bottom of the range
    EXPECT_EQ(radio.frequency_b(), RadioModel::lowest_frequency);
}

TEST(RadioModel, SwitchedOffItAnswersNothingUntilSwitchedOn) {
    RadioModel radio;
    EXPECT_EQ(radio.handle("PS0;"), "");
    EXPECT_FALSE(radio.powered());
    EXPECT_EQ(radio.handle("ID;"), "");
    EXPECT_EQ(radio.handle("FA;"), "");
    EXPECT_EQ(radio.handle("XX;"), "");
    EXPECT_EQ(radio.handle("PS1;"), "");
    EXPECT_EQ(radio.handle("ID;"), "ID0840;");
    EXPECT_EQ(radio.record().size(), 6u);
}

// The information answer is 28 characters: Hamlib takes the width of the
// frequency field (9 digits) from that length and the VFO/memory flag from
// its 23rd character. Each field follows the radio's state.
TEST(RadioModel, InformationAnswerFollowsTheState) {
    const struct {
        std::vector<const char*> set;
        const char* reply;
    } table[] = {
        // clang-format off
        {{}, "IF001007100000+000000100000;"},
        {{"FA014250000;", "MD02;"}, "IF001014250000+000000200000;"},
        {{"FA432100000;", "MD0B;", "CT02;", "OS02;"}, "IF001432100000+000000B02002;"},
        {{"BS005;"}, "IF001014200000+000000200000;"},
        // clang-format on
        {{"VS1;", "FB021000000;"}, "IF001007100000+000000100000;"},  // VFO A, whichever is used
        {{"OS01;", "CT01;"}, "IF001007100000+000000101001;"}};
    for (const auto& t : table) {
        RadioModel radio;
        for (const char* c : t.set) ASSERT_EQ(radio.handle(c), "") << c;
        const std::string reply = radio.handle("IF;");
        EXPECT_EQ(reply, t.reply);
        EXPECT_EQ(reply.size(), 28u) << reply;
        EXPECT_EQ(reply[22], '0') << reply;  // VFO, not memory
    }
}

// The transmitting VFO: B is split. Set with 0/1, or 2/3 as Hamlib sends it
// to the FT-991; answered 0/1 either way, and the split setting agrees.
TEST(RadioModel, TransmitVfoIsTheSplitSetting) {
    const struct {
        const char* set;
        const char* ft;
        const char* st;
    } table[] = {{"FT0;", "FT0;", "ST0;"}, {"FT1;", "FT1;", "ST1;"}, {"FT2;", "FT0;", "ST0;"},
                 {"FT3;", "FT1;", "ST1;"}, {"ST1;", "FT1;", "ST1;"}, {"ST2;", "FT1;", "ST2;"},
                 {"ST0;", "FT0;", "ST0;"}};
    for (const auto& t : table) {
        RadioModel radio;
        ASSERT_EQ(radio.handle(t.set), "") << t.set;
        EXPECT_EQ(radio.handle("FT;"), t.ft) << t.set;
        EXPECT_EQ(radio.handle("ST;"), t.st) << t.set;
    }
    RadioModel radio;
    radio.handle("ST2;");
    EXPECT_EQ(radio.handle("FT3;"), "");  // already transmitting on B: split kept as it was
    EXPECT_EQ(radio.handle("ST;"), "ST2;");
}

TEST(RadioModel, IdentityIsConfigurable) {
    RadioModel radio(Variant::watts100, "0650");
    EXPECT_EQ(radio.handle("ID;"), "ID0650;");
    radio.set_identity("0840");
    EXPECT_EQ(radio.handle("ID;"), "ID0840;");
}

}  // namespace
