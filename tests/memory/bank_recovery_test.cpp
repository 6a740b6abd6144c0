// The program's files as other hands leave them: an editor's marks, another
// version, a file that is no memory file, a FIFO, links planted by someone
// else, a full disk; and the log that must stay readable and bounded.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include "app/startup.hpp"
#include "link/log.hpp"
#include "memory/bank_file.hpp"
#include "radio/channels.hpp"
#include "tests/support/fakes.hpp"

namespace vlr::test {
namespace {

namespace fs = std::filesystem;
constexpr uid_t nobody = 65534;
const std::string channel = "0206A014250000B0142500009991";

// What `body` reports when run in a child process ("killed" when it died:
// an alarm ends one that hangs).
std::string in_child(const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(20);
        const std::string report = body();
        _exit(::write(fds[1], report.data(), report.size()) < 0 ? 3 : 0);
    }
    ::close(fds[1]);
    std::string report;
    char buf[256];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) report.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? report : "killed";
}

// savmem.dat with channel 5 in use, on band 4 with noise reduction on.
std::string saved_file() {
    Rig r;
    r.st().band_index = 4;
    r.st().nr_on = 1;
    r.st().memory_channels[5] = channel;
    save_memory_file(r.c);
    return r.dir.read("savmem.dat");
}

TEST(BankRecovery, ForeignLinesAreReadAndAnUnusableFileIsKeptAside) {
    const std::string saved = saved_file();
    const std::string rows = saved.substr(saved.find("\r\n") + 2);
    std::string gapped = saved;
    gapped.insert(gapped.find(channel), "\r\n  \r\n");
    struct Row {
        const char* name;
        std::string content;
        const char* kept;  // where the unusable file is kept; null: it was read
    } table[] = {
        {"byte order mark", "\xEF\xBB\xBF" + saved, nullptr},
        {"blank first line", "\r\n" + saved, nullptr},
        {"blank lines between", gapped, nullptr},
        {"another version", "VELORAN v3.6 3.6a 41\r\n" + rows, nullptr},
        {"not a memory file", "hello\r\n" + rows, "savmem.dat.bad"},
        {"again, with a copy kept before", "hello\r\n" + rows, "savmem.dat.bad.1"},
    };
    for (const auto& row : table) {
        Rig r;
        const bool earlier = std::string(row.kept ? row.kept : "").ends_with(".1");
        if (earlier) r.dir.write("savmem.dat.bad", "earlier");
        r.dir.write("savmem.dat", row.content);
        load_memory_file(r.c);
        if (!row.kept) {
            EXPECT_EQ(r.st().memory_channels[5], channel) << row.name;
            EXPECT_EQ(r.st().band_index, 4) << row.name;
            EXPECT_EQ(r.st().nr_on, 1) << row.name;
            EXPECT_EQ(join(r.words()), "") << row.name;
            EXPECT_FALSE(r.dir.exists("savmem.dat.bad")) << row.name;
            continue;
        }
        EXPECT_EQ(r.st().memory_channels[5], "9") << row.name;
        EXPECT_EQ(r.dir.read(row.kept), row.content) << row.name;
        EXPECT_EQ(r.dir.read("savmem.dat.bad"), earlier ? "earlier" : row.content) << row.name;
        EXPECT_EQ(join(r.words()), "badmem") << row.name;
        EXPECT_EQ(r.dir.read("savmem.dat").rfind("VELORAN v3.5b", 0), 0u) << row.name;
    }
}

TEST(BankRecovery, AStoreThatCannotBeSavedSaysSoAndKeepsTheOldFile) {
    Rig r;
    save_memory_file(r.c);
    const std::string old = r.dir.read("savmem.dat");
    const std::string said = in_child([&] {
        std::signal(SIGXFSZ, SIG_IGN);  // as the program does: a failed write, not death
        rlimit limit{200, 200};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        r.clear();
        r.st().bank_digit = 1;
        r.st().key_code = '2';
        store_channel(r.c);
        return join(r.words());
    });
    EXPECT_EQ(said, "2 notsaved");
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
        EXPECT_EQ(in_child([&] { return open(r), std::string("done"); }), "done") << name;
    }
}

TEST(BankRecovery, LinksPlantedBySomeoneElseAreReplacedNotWrittenThrough) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's link";
    const uid_t me = ::geteuid();
    for (const char* name : {"savmem.dat", "memory.txt", "debug.dat"}) {
        for (const auto& [link_owner, target_owner] : {std::pair{nobody, me}, std::pair{me, nobody}}) {
            Rig r;
            r.dir.write("victim", "keep me");
            const std::string victim = r.dir.path + "victim", link = r.dir.path + name;
            ASSERT_EQ(::chown(victim.c_str(), target_owner, target_owner), 0);
            fs::create_symlink(victim, link);
            ASSERT_EQ(::lchown(link.c_str(), link_owner, link_owner), 0);
            load_memory_file(r.c);
            save_memory_file(r.c);
            open_debug_log(r.c);
            write_log_line(r.c, "ssh-rsa AAAA");
            close_debug_log(r.c);
            struct stat st {};
            ::stat(victim.c_str(), &st);
            EXPECT_EQ(r.dir.read("victim"), "keep me") << name << " link of " << link_owner;
            EXPECT_EQ(st.st_uid, target_owner) << name;
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(link))) << name;
        }
    }
}

TEST(DebugLogFile, DeviceBytesAreEscapedOneLineEachAndTheLogIsCapped) {
    Rig r;
    r.st().debug_log_on = 1;
    open_debug_log(r.c);
    write_log_line(r.c, std::string("RX=\x1b[2J\r\nssh-rsa\0;\xff", 19));
    const std::string log = r.dir.read("debug.dat");
    EXPECT_NE(log.find("\r\nRX=<1B>[2J<0D><0A>ssh-rsa<00>;<FF>\r\n"), std::string::npos) << log;

    const std::string line(250, 'x');
    for (int i = 0; i < 9000; ++i) write_log_line(r.c, line);  // about 2.3 MB
    close_debug_log(r.c);
    const auto size = fs::file_size(r.dir.path + "debug.dat");
    const auto older = fs::file_size(r.dir.path + "debug.dat.1");
    EXPECT_LE(older, 2u * 1024 * 1024 + 300);
    EXPECT_GT(older, 2u * 1024 * 1024 - 300);
    EXPECT_LT(size, older);
    EXPECT_EQ(r.dir.read("debug.dat").rfind("VELORAN 3.5c  ", 0), 0u) << "the new one has its header";
}

}  // namespace
}  // namespace vlr::test
