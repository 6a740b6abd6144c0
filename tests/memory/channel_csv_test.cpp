// CHIRP CSV rows and the channel records they give, and the CSV forms read.
#include "memory/channel_csv.hpp"

#include <gtest/gtest.h>

namespace vlr {
namespace {

const std::vector<std::string> header = {
    "Location",  "Name",     "Frequency",    "Duplex", "Offset", "Tone", "rToneFreq",
    "cToneFreq", "DtcsCode", "DtcsPolarity", "Mode",   "TStep",  "Skip", "Comment"};

std::vector<std::string> fields(const std::string& row) {
    std::vector<CsvLine> lines;
    std::string why;
    EXPECT_TRUE(split_csv(row, lines, why)) << why;
    return lines.empty() ? std::vector<std::string>{} : lines.front().fields;
}

// The record a row gives, or "!" and the reason.
std::string imported(const std::string& row) {
    std::string why;
    ChirpChannel channel = channel_from_row(header, fields(row + ",,,,,,,,,,,,,"), why);
    return why.empty() ? channel.record : "!" + why;
}

// Row (Location..Comment; missing columns empty) -> record, or a piece of the reason.
const std::pair<const char*, const char*> rows[] = {
    {"0,Rpt,145.650000,-,0.600000,Tone,88.5,88.5,023,NN,FM", "5712A145650000B-000006000080"},
    {"1,D,439.500000,-,7.600000,DTCS,88.5,88.5,023,NN,NFM", "5513A439500000B-000076005000"},
    {"2,S,146.52,,0.000000,,88.5,88.5,023,NN,FM", "0712A146520000B1465200009990"},
    {"3,,14.2 MHz,,0,,88.5,88.5,023,NN,USB,5.00,,my preamp 1", "0206A014200000B0142000009991"},
    {"4,,0.967000,,0,,,,,,AM", "0414A000967000B0009670009990"},
    {"5,,14.200000,split,14.250000,,,,,,LSB", "1106A014200000B0142500009990"},
    {"6,,29.620000,-,0.100000,TSQL,100.0,67.0,023,NN,FM", "5710A029620000B-000001000000"},
    {"7,,145.000000,,,DTCS,,,754,NN,FM", "0712A145000000B1450000008030"},
    {"8,,433.000000,,,DTCS,,,445,NN,NFM", "0513A433000000B4330000007700"},
    {"9,,145.5,,,,,,,,DN,,,preamp 2", "0612A145500000B1455000009992"},
    {"10,,51.000000,+,0.500000,,,,,,CW", "5311A051000000B+000005009990"},
    {"11,,10.1,,,,,,,,CW", "0305A010100000B0101000009990"},
    {"100,,145.0,,,,,,,,FM", "!over 99"},
    {"x1,,145.0,,,,,,,,FM", "!not a channel number"},
    {"1,,600.0,,,,,,,,FM", "!outside the radio's ranges"},
    {"1,,0.01,,,,,,,,AM", "!outside the radio's ranges"},
    {"1,,14.2000001,,,,,,,,USB", "!not a frequency"},
    {"1,,145.0,split,200.0,,,,,,FM", "!split frequency 200.000000"},
    {"1,,145.0,,,Tone,88.6,,,,FM", "!88.6 Hz is not one"},
    {"1,,145.0,,,Tone,88.5Hz,,,,FM", "!88.5Hz Hz is not one"},
    {"1,,145.0,,,DTCS,,,024,NN,FM", "!DCS code 024"},
    {"1,,145.0,,,DTCS,,,023,NR,FM", "!polarity NR"},
    {"1,,145.0,,,Cross,88.5,100.0,,,FM", "!cross tone"},
    {"1,,145.0,,,Tone,88.5,,,,USB", "!needs FM or NFM"},
    {"1,,145.0,,,,,,,,WFM", "!mode \"WFM\""},
    {"1,,28.5,,,,,,,,DN", "!only on 2 m and 70 cm"},
    {"1,,14.2,+,0.100000,,,,,,USB", "!needs 10 m"},
    {"1,,145.0,-,0.625000,,,,,,FM", "!50 kHz steps"},
    {"1,,51.0,-,0.500500,,,,,,FM", "!whole kHz"},
    {"1,,145.0,off,0,,,,,,FM", "!Duplex \"off\""},
    {"1,,145.0,-,x,,,,,,FM", "!Offset \"x\""},
};

TEST(ChirpRows, EachRowGivesItsRecordOrSaysWhyNot) {
    for (const auto& [row, expected] : rows) {
        const std::string got = imported(row);
        if (expected[0] == '!')
            EXPECT_NE(got.find(expected + 1), std::string::npos) << row << " gave " << got;
        else
            EXPECT_EQ(got, expected) << row;
    }
    std::string why;
    channel_from_row(header, {"1", "x"}, why);
    EXPECT_EQ(why, "2 fields where the first line names 14 columns");
}

// A record written as a row reads back as the same record and name.
TEST(ChirpRows, EveryRecordWrittenReadsBackTheSame) {
    for (const auto& [row, expected] : rows) {
        if (expected[0] == '!') continue;
        const std::string line = chirp_row_line(7, expected, "Net, \"Sunday\"");
        std::vector<std::string> back = fields(line);
        ASSERT_EQ(back.size(), 18u) << line;
        std::string why;
        const ChirpChannel channel = channel_from_row(header, back, why);
        EXPECT_EQ(channel.record + why, expected) << line;
        EXPECT_EQ(channel.location, 7);
        EXPECT_EQ(channel.name, "Net, \"Sunday\"");
    }
    EXPECT_EQ(chirp_row_line(1, "0712A145000000B1450000000070", ""),
              "1,,145.000000,,0.000000,Tone,85.4,85.4,023,NN,FM,5.00,,,,,,\r\n");
    // 700 goes to the radio as DCS number 100 (code 732), as the tone is sent.
    EXPECT_EQ(fields(chirp_row_line(1, "0712A145000000B1450000007000", ""))[8], "732");
    for (const char* damaged : {"0712A145000000B145000000999", "0812A145000000B1450000009990",
                                "0712A1450x0000B1450000009990", "0912A145000000B1450000009990",
                                "0712A145000000B1450000000500", "0712A145000000B1450000009993",
                                "0712A145000000B1450000008040"})
        EXPECT_EQ(chirp_row_line(1, damaged, ""), "") << damaged;
}

// Text -> lines as "number:field|field" joined by blanks, or "!" and a piece of the reason.
std::string split(const std::string& text) {
    std::vector<CsvLine> lines;
    std::string why, out;
    if (!split_csv(text, lines, why)) return "!" + why;
    for (const auto& line : lines) {
        out += (out.empty() ? "" : " ") + std::to_string(line.number) + ":";
        for (std::size_t i = 0; i < line.fields.size(); ++i) out += (i ? "|" : "") + line.fields[i];
    }
    return out;
}

TEST(CsvText, LineEndsQuotesAndBinaryData) {
    const std::pair<std::string, std::string> cases[] = {
        {"a,b\r\nc\r\n", "1:a|b 2:c"},
        {"\xEF\xBB\xBF"
         "a,b\nc",
         "1:a|b 2:c"},
        {"a\rb\r", "1:a 2:b"},
        {"a\n\n\r\n,\nb", "1:a 4:| 5:b"},
        {"\"x, y\",\"say \"\"hi\"\"\"\n", "1:x, y|say \"hi\""},
        {"\"two\r\nlines\",z\nq", "1:two\r\nlines|z 3:q"},
        {"a\n\"open,\n", "!line 2: a quote is never closed"},
        {std::string("a\nb\0c", 5), "!line 2 holds binary data (byte 0)"},
        {"a\x7f", "!binary data"},
    };
    for (const auto& [text, expected] : cases) {
        const std::string got = split(text);
        if (expected[0] == '!')
            EXPECT_NE(got.find(expected.substr(1)), std::string::npos) << got;
        else
            EXPECT_EQ(got, expected);
    }
    EXPECT_EQ(check_chirp_header({"Location", "Name", "Frequency"}), "");
    EXPECT_NE(check_chirp_header({"Output Freq", "Input Freq", "Location"}), "");
}

}  // namespace
}  // namespace vlr
