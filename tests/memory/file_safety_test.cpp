// The program's files on real files and processes: a save killed at any moment, a full disk,
// read-only files and folders, planted links, an editor's marks, another version, a foreign
// file, a FIFO; and the log that must stay readable and bounded.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <set>

#include "app/startup.hpp"
#include "base/text.hpp"
#include "link/log.hpp"
#include "memory/bank_file.hpp"
#include "radio/channels.hpp"
#include "tests/support/keys.hpp"

namespace vlr {
namespace {

namespace fs = std::filesystem;
using test::join;
using test::Rig;

// Five states that differ in every row and channel; state 0 has no band and no used channel.
void apply_variant(State& s, int v) {
    s.band_index = v == 0 ? 0 : 1 + (v * 3) % 14;
    s.nr_on = v % 2;
    for (int b = 1; b <= 14; ++b)
        s.band_table[static_cast<std::size_t>(b)] = "01A" + zero_pad(1'800'000 * b + 1000 * v, 9) + "B" + zero_pad(1'800'000 * b, 9) + "9990";
    for (int ch = 0; ch < 100; ++ch)
        s.memory_channels[static_cast<std::size_t>(ch)] = v == 0 ? "9" : "0206A" + zero_pad(14'000'000 + 100'000 * v + 1000 * ch, 9) + "B0142000009991";
}

// savmem.dat and memory.txt as each state saves them.
const std::vector<std::pair<std::string, std::string>>& saved() {
    static const auto files = [] {
        std::vector<std::pair<std::string, std::string>> out;
        Rig rig;
        for (int v = 0; v < 5; ++v) {
            apply_variant(rig.st(), v), save_memory_file(rig.c);
            out.emplace_back(rig.dir.read("savmem.dat"), rig.dir.read("memory.txt"));
        }
        return out;
    }();
    return files;
}

// The state whose savmem.dat the rig's folder holds and a fresh start loads;
// -1 when either file is none of the saved ones, -2 when a ".new" file is left.
int state_in(const Rig& rig, bool leftovers_allowed = false) {
    const std::string& d = rig.dir.path;
    int v = -1, report = -1;
    for (int i = 0; i < 5; ++i) {
        v = saved()[i].first == rig.dir.read("savmem.dat") ? i : v;
        report = saved()[i].second == rig.dir.read("memory.txt") ? i : report;
    }
    if (v < 0 || report < 0) return -1;
    for (const auto& e : fs::directory_iterator(d))
        if (e.path().extension() == ".new" && !leftovers_allowed) return -2;
    Rig fresh, want;
    fresh.c.paths.work_dir = d, load_memory_file(fresh.c), apply_variant(want.st(), v);
    const State &f = fresh.st(), &w = want.st();
    return f.band_table == w.band_table && f.memory_channels == w.memory_channels && f.band_index == w.band_index && f.nr_on == w.nr_on ? v : -3;
}

// Runs `body` in a forked child, optionally as the unprivileged user for whom file
// modes count and under a file-size limit (SIGXFSZ ignored, as the program does); what it said.
std::string in_child(const std::function<std::string()>& body, bool nobody = false, rlim_t size_limit = RLIM_INFINITY) {
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(20);  // a child that hangs is ended, and reported as failed
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{size_limit, size_limit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool user = !nobody || ::getuid() != 0 || (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0);
        const std::string report = user ? body() : "cannot become nobody";
        ::_exit(::write(fds[1], report.data(), report.size()) == static_cast<ssize_t>(report.size()) ? 0 : 3);
    }
    ::close(fds[1]);
    std::string out;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
    int status = 0;
    ::close(fds[0]), ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "child failed: " + out;
}

TEST(FileSafety, ASaveKilledAtAnyMomentLeavesAWholeFileOfOneSavedState) {
    ASSERT_EQ(std::set(saved().begin(), saved().end()).size(), 5u) << "each saved state is recognisable";
    Rig rig;
    apply_variant(rig.st(), 0), save_memory_file(rig.c);
    const unsigned seed = std::random_device{}();
    std::cout << "kill seed " << seed << "\n";
    std::mt19937 rng(seed);
    std::set<int> seen;
    // A save with its fsync takes a millisecond or more: the kills fall before, in
    // and after the writes, the flush and the rename.
    for (int round = 0; round < 200; ++round) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) for (int i = round;; ++i) {  // the child saves until it is killed
            apply_variant(rig.st(), i % 5), save_memory_file(rig.c);
            if (i == round) (void)!::write(fds[1], "s", 1);  // one save done, however busy the machine
        }
        char done;
        (void)!::read(fds[0], &done, 1);
        ::close(fds[0]), ::close(fds[1]);
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 5000)(rng));
        ::kill(pid, SIGKILL), ::waitpid(pid, nullptr, 0);
        const int v = state_in(rig, true);
        ASSERT_GE(v, 0) << "round " << round << ": savmem.dat or memory.txt is torn";
        seen.insert(v);
    }
    EXPECT_GT(seen.size(), 1u) << "the children never got to save";
    apply_variant(rig.st(), 2), save_memory_file(rig.c);
    EXPECT_EQ(state_in(rig), 2) << "what a killed save left does not stand in the way of the next";
}

// A folder with state 0 saved, open to the unprivileged user; `prepare` runs
// before a child saves state 1 and works keys with the log on; the state left.
struct Case { const char* what; std::function<void(const std::string&)> prepare; bool nobody; rlim_t limit; int left; };

TEST(FileSafety, ASaveThatCannotBeWrittenKeepsTheOldFilesAndStopsNothing) {
    auto mode = [](const std::string& p, mode_t m) { EXPECT_EQ(::chmod(p.c_str(), m), 0) << p; };
    auto owner = [](const std::string& p) { EXPECT_EQ(::getuid() == 0 ? ::chown(p.c_str(), 65534, 65534) : 0, 0) << p; };
    const Case cases[] = {
        {"beyond the file size limit", [](const std::string&) {}, false, 512, 0},
        {"read-only folder", [&](const std::string& d) { mode(d, 0555); }, true, RLIM_INFINITY, 0},
        {"read-only savmem.dat", [&](const std::string& d) { owner(d), owner(d + "savmem.dat"), owner(d + "memory.txt"), mode(d + "savmem.dat", 0444); }, true, RLIM_INFINITY, 0},
        {"savmem.dat of mode 0600 linked", [&](const std::string& d) {
             fs::create_directory(d + "store"), fs::rename(d + "savmem.dat", d + "store/savmem.dat");
             fs::create_symlink("store/savmem.dat", d + "savmem.dat"), mode(d + "savmem.dat", 0600); }, false, RLIM_INFINITY, 1},
        {"planted links as the new files", [](const std::string& d) {
             fs::create_symlink(d + "victim", d + "savmem.dat.new"), fs::create_symlink(d + "victim", d + "memory.txt.new"); }, false, RLIM_INFINITY, 1},
        {"debug.dat is a folder", [](const std::string& d) { fs::create_directory(d + "debug.dat"); }, false, RLIM_INFINITY, 1},
    };
    for (const auto& k : cases) {
        Rig rig;
        const std::string& d = rig.dir.path;
        fs::permissions(d, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
        apply_variant(rig.st(), 0), save_memory_file(rig.c);
        rig.dir.write("victim", "keep me");
        k.prepare(d);
        struct stat before {}, after {};
        ::stat((d + "savmem.dat").c_str(), &before);
        const bool linked = fs::is_symlink(d + "savmem.dat");
        const std::string said = in_child([&]() -> std::string {
            apply_variant(rig.st(), 1), save_memory_file(rig.c), save_memory_file(rig.c);
            rig.st().debug_log_on = true, open_debug_log(rig.c);
            test::connect(rig);
            rig.radio->respond = [](const std::string& cmd) { return cmd == "FA;" ? "FA014200000;" : ""; };
            test::press(rig, {vk::f(1), 'Y'});  // a key without a rule re-sends the frequency
            for (int i = 0; i < 6; ++i) rig.st().event_id = 275, handle_event(rig.c);
            write_log_line(rig.c, std::string(300, 'x'));
            return test::join(rig.sent()) + " " + test::join(rig.words());
        }, k.nobody, k.limit);
        mode(d, 0755);
        ::stat((d + "savmem.dat").c_str(), &after);
        EXPECT_EQ(said, "PA01; FA014200000; FA014200000; FA; SM0; FA; preamp 1 on") << k.what;
        EXPECT_EQ(state_in(rig), k.left) << k.what;
        EXPECT_EQ(rig.dir.read("victim") + std::to_string(after.st_mode) + std::to_string(fs::is_symlink(d + "savmem.dat")),
                  "keep me" + std::to_string(before.st_mode) + std::to_string(linked)) << k.what << ": mode and link kept";
        EXPECT_TRUE(k.limit == RLIM_INFINITY || rig.dir.read("debug.dat").rfind("VELORAN 3.5c  ", 0) == 0) << k.what;
        EXPECT_LE(rig.dir.read("debug.dat").size(), k.limit);
    }
}

const std::string channel = "0206A014250000B0142500009991";

TEST(BankRecovery, ForeignLinesAreReadAndAnUnusableFileIsKeptAside) {
    Rig saver;  // savmem.dat with channel 5 in use, on band 4 with noise reduction on
    saver.st().band_index = 4, saver.st().nr_on = true, saver.st().memory_channels[5] = channel, save_memory_file(saver.c);
    const std::string saved = saver.dir.read("savmem.dat"), rows = saved.substr(saved.find("\r\n") + 2);
    const std::string gapped = std::string(saved).insert(saved.find(channel), "\r\n  \r\n");
    // kept: the file is unusable and kept aside as savmem.dat.bad.
    const struct { const char* name; std::string content; bool kept; } table[] = {
        {"byte order mark", "\xEF\xBB\xBF" + saved, false},
        {"blank first line", "\r\n" + saved, false},
        {"blank lines between", gapped, false},
        {"another version", "VELORAN v3.6 3.6a 41\r\n" + rows, false},
        {"not a memory file", "hello\r\n" + rows, true},  // with a copy kept before: BankFile
    };
    for (const auto& row : table) {
        Rig r;
        r.dir.write("savmem.dat", row.content);
        load_memory_file(r.c);
        EXPECT_EQ(r.st().memory_channels[5] + " " + join(r.words()), row.kept ? "9 badmem" : channel + " ") << row.name;
        EXPECT_EQ(r.dir.exists("savmem.dat.bad") ? r.dir.read("savmem.dat.bad") : "none", row.kept ? row.content : "none") << row.name;
        if (row.kept) EXPECT_EQ(r.dir.read("savmem.dat").substr(0, 13), "VELORAN v3.5b") << row.name;
        else EXPECT_EQ(r.st().band_index * 10 + r.st().nr_on, 41) << row.name;
    }
}

TEST(BankRecovery, AStoreThatCannotBeSavedSaysSoAndKeepsTheOldFile) {
    Rig r;
    save_memory_file(r.c);
    const std::string old = r.dir.read("savmem.dat");
    EXPECT_EQ(in_child([&] { return r.clear(), r.st().bank_digit = 1, r.st().key_code = '2', store_channel(r.c), join(r.words()); }, false, 200),
              "2 notsaved");
    EXPECT_EQ(r.dir.read("savmem.dat"), old);
}

TEST(BankRecovery, AFifoUnderAFileNameIsNotWaitedOn) {
    const std::pair<const char*, std::function<void(Rig&)>> table[] = {
        {"savmem.dat", [](Rig& r) { load_memory_file(r.c); }},
        {"veloran.cfg", [](Rig& r) { run_program(r.c); }},
        {"debug.dat", [](Rig& r) { open_debug_log(r.c); }},
    };
    for (const auto& [name, open] : table) {
        Rig r;
        ASSERT_EQ(::mkfifo((r.dir.path + name).c_str(), 0644), 0);
        EXPECT_EQ(in_child([&r, &open = open] { return open(r), std::string("done"); }), "done") << name;
    }
}

TEST(BankRecovery, LinksPlantedBySomeoneElseAreReplacedNotWrittenThrough) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's link";
    const uid_t me = ::geteuid();
    for (const char* name : {"savmem.dat", "memory.txt", "debug.dat"}) {
        for (const auto& [link_owner, target_owner] : {std::pair{uid_t{65534}, me}, std::pair{me, uid_t{65534}}}) {
            Rig r;
            r.dir.write("victim", "keep me");
            const std::string victim = r.dir.path + "victim", link = r.dir.path + name;
            ASSERT_EQ(::chown(victim.c_str(), target_owner, target_owner), 0);
            fs::create_symlink(victim, link);
            ASSERT_EQ(::lchown(link.c_str(), link_owner, link_owner), 0);
            load_memory_file(r.c), save_memory_file(r.c), open_debug_log(r.c);
            write_log_line(r.c, "ssh-rsa AAAA"), close_debug_log(r.c);
            struct stat st {};
            ::stat(victim.c_str(), &st);
            EXPECT_EQ(r.dir.read("victim") + std::to_string(st.st_uid), "keep me" + std::to_string(target_owner)) << name << " link of " << link_owner;
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(link))) << name;
        }
    }
}

TEST(DebugLogFile, DeviceBytesAreEscapedOneLineEachAndTheLogIsCapped) {
    Rig r;
    r.st().debug_log_on = true, open_debug_log(r.c);
    write_log_line(r.c, std::string("RX=\x1b[2J\r\nssh-rsa\0;\xff", 19));
    const std::string log = r.dir.read("debug.dat");
    EXPECT_NE(log.find("\r\nRX=<1B>[2J<0D><0A>ssh-rsa<00>;<FF>\r\n"), std::string::npos) << log;

    const std::string line(250, 'x');
    for (int i = 0; i < 9000; ++i) write_log_line(r.c, line);  // about 2.3 MB
    close_debug_log(r.c);
    const auto older = fs::file_size(r.dir.path + "debug.dat.1");
    EXPECT_TRUE(older <= 2u * 1024 * 1024 + 300 && older > 2u * 1024 * 1024 - 300) << older;
    EXPECT_LT(fs::file_size(r.dir.path + "debug.dat"), older);
    EXPECT_EQ(r.dir.read("debug.dat").rfind("VELORAN 3.5c  ", 0), 0u) << "the new one has its header";
}

}  // namespace
}  // namespace vlr
