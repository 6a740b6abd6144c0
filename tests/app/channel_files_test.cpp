// Channel lists in and out of a working folder: what lands in savmem.dat,
// savmem.names and the backups, and what a bad file leaves (nothing).
#include "app/channel_files.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/files.hpp"
#include "radio/channels.hpp"
#include "speech/player.hpp"
#include "tests/support/fakes.hpp"

namespace vlr {
namespace {

const std::string header =
    "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,Mode,"
    "TStep,Skip,"
    "Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE\r\n";
const std::string repeater =
    "5,\"Rpt, North\",145.650000,-,0.600000,Tone,88.5,88.5,023,NN,FM,5.00,,,,,,\r\n";
const std::string hf = "12,,14.200000,,0.000000,,88.5,88.5,023,NN,USB,5.00,,preamp 1,,,,\r\n";
const std::string bad_row = "13,,600.000000,,0.000000,,88.5,88.5,023,NN,FM,5.00,,,,,,\r\n";

struct Folder : test::TempDir {
    std::ostringstream out, errors;
    // Runs an import (or, with `file` empty, an export to out.csv); its status.
    int run(const std::string& file, ChannelImport job = {}) {
        Context c;
        c.paths.work_dir = path;
        c.console = &out;
        c.errors = &errors;
        job.file = path + file;
        return file.empty() ? export_channels(c, path + "out.csv") : import_channels(c, job);
    }
    int import_text(const std::string& text, ChannelImport job = {}) {
        write("in.csv", text);
        return run("in.csv", job);
    }
    std::string channel(int n) {
        std::istringstream lines(read("savmem.dat"));
        std::string line;
        for (int i = 0; i <= 15 + n; ++i) std::getline(lines, line);
        return line.substr(0, line.size() - 1);
    }
};

TEST(ChannelFiles, ExportImportExportGivesTheSameFile) {
    Folder first, second;
    ASSERT_EQ(first.import_text(header + repeater + hf), list_done) << first.errors.str();
    EXPECT_EQ(first.channel(5), "5712A145650000B-000006000080");
    EXPECT_EQ(first.channel(12), "0206A014200000B0142000009991");
    EXPECT_EQ(first.read("savmem.names"), "05 5712A145650000B-000006000080 Rpt, North\r\n");
    EXPECT_NE(first.read("memory.txt").find("Slot 5 A=145.65  FMW  Repeater  -600Khz"),
              std::string::npos);
    ASSERT_EQ(first.run(""), list_done);
    EXPECT_EQ(first.read("out.csv"), header + repeater + hf);
    second.write("in.csv", first.read("out.csv"));
    ASSERT_EQ(second.run("in.csv"), list_done);
    ASSERT_EQ(second.run(""), list_done);
    EXPECT_EQ(second.read("out.csv"), first.read("out.csv"));
    // A channel stored over by keys loses its name; the others keep theirs.
    second.write("savmem.dat", [&] {
        std::string text = second.read("savmem.dat");
        return text.replace(text.find("5712A145650000B-00000600008"), 28,
                            "0712A145000000B1450000009990");
    }());
    ASSERT_EQ(second.run(""), list_done);
    EXPECT_EQ(second.read("out.csv"),
              header + "5,,145.000000,,0.000000,,88.5,88.5,023,NN,FM,5.00,,,,,,\r\n" + hf);
}

TEST(ChannelFiles, ABadFileOrRowWritesNothing) {
    const struct {
        std::string text;  // "" for no file at all
        int status;
        const char* says;
    } cases[] = {
        {"", list_unreadable, "cannot read"},
        {std::string("\x89PNG\r\n\x1a\n\0\0", 10), list_not_chirp, "binary data"},
        {"Output Freq,Input Freq,Call\r\n145.1,144.5,W1AW\r\n", list_not_chirp,
         "no Location and Frequency"},
        {header, list_not_chirp, "no channels"},
        {header + "5,\"open,145.0\r\n", list_not_chirp, "never closed"},
        {header + repeater + bad_row, list_bad_rows, "line 3: Frequency 600.000000 MHz is outside"},
        {header + repeater + repeater, list_bad_rows,
         "line 3: channel 5 is given on line 2 already"},
        {header + hf, list_bad_rows, "line 2: channel 12 is in use (--replace overwrites it)"},
        {std::string(2 << 20, 'x'), list_not_chirp, "far more than 100 channels"},
    };
    for (const auto& row : cases) {
        Folder dir;
        std::string old = "VELORAN v3.5b 3.5c 61\r\n";
        for (int line = 1; line <= 114; ++line)
            old += line == 15 + 12 ? "0206A007000000B0070000009990\r\n"
                   : line <= 14    ? "01A001900000B0019000009990\r\n"
                                   : "9\r\n";
        dir.write("savmem.dat", old);
        const std::string before = dir.read("savmem.dat");
        EXPECT_EQ(row.text.empty() ? dir.run("none.csv") : dir.import_text(row.text), row.status)
            << row.says;
        EXPECT_NE(dir.errors.str().find(row.says), std::string::npos) << dir.errors.str();
        EXPECT_EQ(dir.read("savmem.dat"), before) << row.says;
        EXPECT_FALSE(dir.exists("savmem.dat.bak") || dir.exists("memory.txt") ||
                     dir.exists("savmem.names"));
    }
}

TEST(ChannelFiles, BackupsReplaceSkipBadAndTheRunningProgram) {
    Folder dir;
    ASSERT_EQ(dir.import_text(header + hf), list_done);  // no savmem.dat: nothing to keep
    EXPECT_FALSE(dir.exists("savmem.dat.bak"));
    const std::string first = dir.read("savmem.dat");
    ASSERT_EQ(dir.import_text(header + hf), list_done)
        << "the same channel again overwrites nothing";
    ASSERT_EQ(dir.import_text(header + hf + bad_row, {"", 40, true, true}), list_done)
        << dir.errors.str();
    EXPECT_EQ(dir.channel(40), "0206A014200000B0142000009991");
    EXPECT_EQ(dir.channel(41), "9");
    EXPECT_EQ(dir.read("savmem.dat.bak"), first);
    EXPECT_EQ(dir.read("savmem.dat.bak.1"), first);
    EXPECT_FALSE(dir.exists("savmem.dat.bak.2"));
    EXPECT_EQ(dir.import_text(header + bad_row, {"", -1, false, true}), list_bad_rows);
    {
        platform::FileLock running;
        ASSERT_TRUE(running.take(dir.path + running_lock_name));
        EXPECT_EQ(dir.import_text(header + repeater), list_program_running);
    }
    const std::string before_last = dir.read("savmem.dat");
    EXPECT_EQ(dir.import_text(header + repeater), list_done);
    EXPECT_EQ(dir.read("savmem.dat.bak.2"), before_last);
    EXPECT_EQ(dir.read("savmem.dat.bak"), first);
}

struct SpokenText : platform::TextSpeech {
    std::string said;
    bool connect() override { return true; }
    void speak(const std::string& text) override { said += text + "|"; }
    void cancel() override {}
};

TEST(ChannelFiles, ARecallSaysTheNameWhereTextCanBeSpoken) {
    test::Rig rig;
    rig.dir.write("savmem.names", "05 0712A145000000B1450000009990 Club net\r\n06 0 Stale\r\n");
    for (bool text_speech : {false, true}) {
        SpokenText service;
        rig.c.text_speech = text_speech ? &service : nullptr;
        for (int n : {5, 6}) {
            rig.st().memory_channels[static_cast<std::size_t>(n)] = "0712A145000000B1450000009990";
            rig.st().channel_op = 2, rig.st().bank_digit = 0, rig.st().key_code = '0' + n;
            recall_channel(rig.c);
        }
        end_reading(rig.c);
        EXPECT_EQ(service.said.find("Club net") != std::string::npos, text_speech) << service.said;
        EXPECT_EQ(service.said.find("Stale"), std::string::npos);
    }
}

}  // namespace
}  // namespace vlr
