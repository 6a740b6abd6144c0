// The command line: each option's effect on the program, and the usage text
// with its exit status for anything else.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "app/options.hpp"

namespace vlr {
namespace {

TEST(Options, EachOptionSetsItsPartAndAnUnknownOneEndsWithTheUsage) {
    struct Row {
        std::vector<const char*> args;
        int status;  // -1: the program runs
        bool simulate, transcript, demo;
        const char* speech;
        const char* channels = "||-1 0 0";  // export, import, first, replace, skip-bad
    } rows[] = {
        {{}, -1, false, false, false, ""},
        {{"--simulate"}, -1, true, false, false, ""},
        {{"--transcript", "--demo"}, -1, false, true, true, ""},
        {{"--speech=system"}, -1, false, false, false, "system"},
        {{"--speech=dispatcher"}, -1, false, false, false, "dispatcher"},
        {{"--speech=recorded"}, -1, false, false, false, "recorded"},
        {{"--speech=screenreader"}, -1, false, false, false, "screenreader"},
        {{"--help"}, 0, false, false, false, ""},
        {{"--simulate", "--speech=espeak"}, 2, true, false, false, ""},
        {{"-simulate"}, 2, false, false, false, ""},
        {{"--import-channels", "a.csv", "--first", "7", "--replace", "--skip-bad"}, -1, false, false, false, "",
         "|a.csv|7 1 1"},
        {{"--export-channels", "b.csv"}, -1, false, false, false, "", "b.csv||-1 0 0"},
        {{"--import-channels", "a.csv", "--first", "100"}, 2, false, false, false, "", "|a.csv|-1 0 0"},
        {{"--first", "7"}, 2, false, false, false, "", "||7 0 0"},
        {{"--export-channels", "b.csv", "--import-channels", "a.csv"}, 2, false, false, false, "", "b.csv|a.csv|-1 0 0"},
        {{"--transcript", "--export-channels"}, 2, false, true, false, ""},
    };
    for (const Row& row : rows) {
        std::vector<const char*> argv{"veloran"};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        Options opt;
        std::ostringstream out;
        const std::string name = argv.size() > 1 ? argv.back() : "(none)";
        EXPECT_EQ(read_options(static_cast<int>(argv.size()), argv.data(), opt, out), row.status) << name;
        EXPECT_EQ(out.str().rfind("usage: veloran", 0) == 0, row.status >= 0) << name;
        Context c;
        std::ostringstream words;
        apply_options(c, opt, words);
        EXPECT_EQ(c.st.simulate_radio, row.simulate) << name;
        EXPECT_EQ(c.transcript == &words, row.transcript) << name;
        EXPECT_EQ(opt.demo, row.demo) << name;
        EXPECT_EQ(c.st.speech_option, row.speech) << name;
        const ChannelImport& in = opt.import_channels;
        EXPECT_EQ(opt.export_channels + "|" + in.file + "|" + std::to_string(in.first) + " " +
                      std::to_string(in.replace) + " " + std::to_string(in.skip_bad), row.channels) << name;
    }
}

}  // namespace
}  // namespace vlr
