// savmem.dat and debug.dat on real files and real processes: a save killed at
// any moment, a full disk, a read-only folder, a log that cannot be written.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/text.hpp"
#include "commands/handler.hpp"
#include "link/log.hpp"
#include "memory/bank_file.hpp"
#include "tests/support/fakes.hpp"
#include "tests/support/keys.hpp"

namespace vlr {
namespace {

namespace fs = std::filesystem;
using test::Rig;

constexpr uid_t nobody = 65534;

// ---- States that are saved, and the files they give ----------------------

constexpr int variant_count = 5;

// Variant 0 has no used channel and no band (a short header, a small file);
// the others differ in every row and channel, so each file is recognisable.
void apply_variant(State& s, int v) {
    s.band_index = v == 0 ? 0 : 1 + (v * 3) % 14;
    s.nr_on = v % 2;
    for (int b = 1; b <= 14; ++b) {
        const std::string hz = zero_pad(1'800'000 * b + 1000 * v, 9);
        s.band_table[static_cast<std::size_t>(b)] = "01A" + hz + "B" + hz + "9990";
    }
    for (int ch = 0; ch < 100; ++ch) {
        const std::string hz = zero_pad(14'000'000 + 100'000 * v + 1000 * ch, 9);
        s.memory_channels[static_cast<std::size_t>(ch)] =
            v == 0 ? "9" : "0206A" + hz + "B" + hz + "999" + digits(ch % 3);
    }
}

struct SavedFiles {
    std::string bank, report;
};

// The savmem.dat and memory.txt each variant gives, saved the ordinary way.
const std::vector<SavedFiles>& saved_variants() {
    static const std::vector<SavedFiles> files = [] {
        std::vector<SavedFiles> out;
        Rig rig;
        for (int v = 0; v < variant_count; ++v) {
            apply_variant(rig.st(), v);
            save_memory_file(rig.c);
            out.push_back({rig.dir.read("savmem.dat"), rig.dir.read("memory.txt")});
        }
        return out;
    }();
    return files;
}

// Which variant saved this savmem.dat (or memory.txt); -1 for none.
int variant_of(std::string SavedFiles::*which, const std::string& text) {
    for (int v = 0; v < variant_count; ++v)
        if (saved_variants()[static_cast<std::size_t>(v)].*which == text) return v;
    return -1;
}

// "" when a fresh start-up loading `folder`'s savmem.dat gets variant `v`,
// else what differs. (A string rather than assertions: children use it too.)
std::string load_mismatch(const std::string& folder, int v) {
    Rig loaded, want;
    loaded.c.paths.work_dir = folder;
    load_memory_file(loaded.c);
    apply_variant(want.st(), v);
    if (loaded.st().band_index != want.st().band_index) return "band_index differs";
    if (loaded.st().nr_on != want.st().nr_on) return "nr_on differs";
    if (loaded.st().band_table != want.st().band_table) return "band rows differ";
    if (loaded.st().memory_channels != want.st().memory_channels) return "channels differ";
    return "";
}

std::vector<std::string> leftovers(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".new") == 0) found.push_back(name);
    }
    return found;
}

// ---- Child processes --------------------------------------------------------

struct ChildOutcome {
    bool exited = false;  // ended through exit, not by a signal
    int code = -1;
    int signal = 0;
    std::string report;  // what the child said: "ok" or the fault it found
};

std::ostream& operator<<(std::ostream& os, const ChildOutcome& o) {
    return os << "exited=" << o.exited << " code=" << o.code << " signal=" << o.signal
              << " report=\"" << o.report << "\"";
}

// Runs `body` in a forked child; its result is the child's report.
ChildOutcome in_child(const std::function<std::string()>& body) {
    ChildOutcome out;
    int fds[2];
    if (::pipe(fds) != 0) return out;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        out.report = "cannot fork";
        return out;
    }
    if (pid == 0) {
        ::close(fds[0]);
        const std::string report = body();
        ssize_t written = ::write(fds[1], report.data(), report.size());
        ::_exit(written == static_cast<ssize_t>(report.size()) ? 0 : 3);
    }
    ::close(fds[1]);
    char buf[512];
    for (;;) {
        ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.report.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    out.exited = WIFEXITED(status);
    out.code = out.exited ? WEXITSTATUS(status) : -1;
    out.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return out;
}

// The child ran to its end and found nothing wrong.
void expect_ok(const ChildOutcome& child) {
    EXPECT_TRUE(child.exited && child.code == 0) << child;
    EXPECT_EQ(child.report, "ok") << child;
}

// In a child: as root, become the unprivileged user, for whom file modes
// count. Anyone else is already such a user.
bool become_nobody() {
    if (::getuid() != 0) return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0;
}

// Runs `body` in a child as the unprivileged user.
ChildOutcome as_nobody(const std::function<std::string()>& body) {
    return in_child([&]() -> std::string { return become_nobody() ? body() : "cannot become nobody"; });
}

// In a child: a file-size limit, with SIGXFSZ ignored as the program does.
void limit_file_size(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// ---- Killed while saving --------------------------------------------------

TEST(FileSafety, ASaveKilledAtAnyMomentLeavesAWholeFileOfOneSavedState) {
    std::set<std::string> banks;
    for (const auto& f : saved_variants()) banks.insert(f.bank);
    ASSERT_EQ(banks.size(), static_cast<std::size_t>(variant_count)) << "each saved state is recognisable";
    Rig rig;
    apply_variant(rig.st(), 0);
    save_memory_file(rig.c);
    const unsigned seed = std::random_device{}();
    std::cout << "kill seed " << seed << "\n";
    std::mt19937 rng(seed);
    // A save with its fsync takes about a millisecond or more; the kills
    // fall before, in and after the writes, the flush and the rename.
    std::uniform_int_distribution<int> delay_us(0, 5000);
    constexpr int rounds = 200;
    int killed_mid_write = 0;
    std::set<int> seen;
    for (int round = 0; round < rounds; ++round) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = round;; ++i) {
                apply_variant(rig.st(), i % variant_count);
                save_memory_file(rig.c);
            }
        }
        ::usleep(static_cast<useconds_t>(delay_us(rng)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;

        if (!leftovers(rig.dir.path).empty()) ++killed_mid_write;
        const std::string bank = rig.dir.read("savmem.dat");
        const int v = variant_of(&SavedFiles::bank, bank);
        ASSERT_GE(v, 0) << "round " << round << ": savmem.dat is none of the files saved ("
                        << bank.size() << " bytes):\n"
                        << bank.substr(0, 300);
        ASSERT_GE(variant_of(&SavedFiles::report, rig.dir.read("memory.txt")), 0)
            << "round " << round << ": memory.txt is torn";
        ASSERT_EQ(load_mismatch(rig.dir.path, v), "") << "round " << round;
        seen.insert(v);
    }
    std::cout << rounds << " kills, " << killed_mid_write << " in the middle of a save, "
              << seen.size() << " different states found saved\n";
    EXPECT_GT(seen.size(), 1u) << "the children never got to save";

    // What a killed save left behind does not stand in the way of the next.
    apply_variant(rig.st(), 2);
    save_memory_file(rig.c);
    EXPECT_EQ(rig.dir.read("savmem.dat"), saved_variants()[2].bank);
    EXPECT_EQ(rig.dir.read("memory.txt"), saved_variants()[2].report);
    EXPECT_TRUE(leftovers(rig.dir.path).empty());
}

// ---- Disk full --------------------------------------------------------------

TEST(FileSafety, ASaveBeyondTheFileSizeLimitKeepsTheOldFilesAndTheProgramGoesOn) {
    Rig rig;
    apply_variant(rig.st(), 0);
    save_memory_file(rig.c);
    constexpr rlim_t limit = 512;
    // Both files of variant 1 are larger than the limit: their writes stop
    // part-way, the case where a torn file could be left.
    ASSERT_GT(saved_variants()[1].bank.size(), limit);
    ASSERT_GT(saved_variants()[1].report.size(), limit);

    const ChildOutcome child = in_child([&]() -> std::string {
        limit_file_size(limit);
        apply_variant(rig.st(), 1);
        save_memory_file(rig.c);
        save_memory_file(rig.c);  // and again: nothing left over blocks it
        Rig want;
        apply_variant(want.st(), 1);
        if (rig.st().memory_channels != want.st().memory_channels) return "the state changed";
        // The program runs on with what it holds; the next start finds the
        // old file.
        const std::string mismatch = load_mismatch(rig.dir.path, 0);
        return mismatch.empty() ? "ok" : "load: " + mismatch;
    });
    expect_ok(child);
    EXPECT_EQ(rig.dir.read("savmem.dat"), saved_variants()[0].bank);
    EXPECT_EQ(rig.dir.read("memory.txt"), saved_variants()[0].report);
    EXPECT_EQ(test::join(leftovers(rig.dir.path)), "");
}

// A tmpfs of two pages, mounted for one test; skipped where mounting is not
// allowed (containers without the capability, ordinary users).
class SmallFilesystem {
public:
    explicit SmallFilesystem(const std::string& at) : at_(at) {
        mounted_ = ::mount("tmpfs", at.c_str(), "tmpfs", 0, "size=8k,mode=0755") == 0;
    }
    ~SmallFilesystem() {
        if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

private:
    std::string at_;
    bool mounted_ = false;
};

TEST(FileSafety, ASaveOnAFullFilesystemKeepsTheOldFiles) {
    Rig rig;
    const std::string folder = rig.dir.path + "small/";
    fs::create_directory(folder);
    SmallFilesystem small(folder);
    if (!small.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    rig.c.paths.work_dir = folder;
    apply_variant(rig.st(), 0);
    save_memory_file(rig.c);
    ASSERT_EQ(rig.dir.read("small/savmem.dat"), saved_variants()[0].bank);

    // savmem.dat and memory.txt hold a page each: the filesystem is full.
    apply_variant(rig.st(), 1);
    save_memory_file(rig.c);
    EXPECT_EQ(rig.dir.read("small/savmem.dat"), saved_variants()[0].bank);
    EXPECT_EQ(rig.dir.read("small/memory.txt"), saved_variants()[0].report);
    EXPECT_EQ(test::join(leftovers(folder)), "");

    // With room again the same save goes through.
    fs::remove(folder + "memory.txt");
    save_memory_file(rig.c);
    EXPECT_EQ(rig.dir.read("small/savmem.dat"), saved_variants()[1].bank);
    EXPECT_EQ(load_mismatch(folder, 1), "");
}

// ---- Read-only folder and files ------------------------------------------------

// A folder owned by the test with savmem.dat and memory.txt of variant 0,
// reachable for the unprivileged user.
struct SavedFolder {
    Rig rig;
    SavedFolder() {
        fs::permissions(rig.dir.path, fs::perms::owner_all | fs::perms::group_read |
                                          fs::perms::group_exec | fs::perms::others_read |
                                          fs::perms::others_exec);
        apply_variant(rig.st(), 0);
        save_memory_file(rig.c);
    }
    std::string path(const std::string& name) const { return rig.dir.path + name; }
    void give_to_nobody() const {
        if (::getuid() != 0) return;
        for (const char* name : {"", "savmem.dat", "memory.txt"})
            if (::chown(path(name).c_str(), nobody, nobody) != 0) ADD_FAILURE() << "chown " << name;
    }
};

void set_mode(const std::string& path, mode_t mode) { ASSERT_EQ(::chmod(path.c_str(), mode), 0); }

mode_t mode_of(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 0777;
}

TEST(FileSafety, AnUnreadableFileInAReadOnlyFolderKeepsTheDefaultsAndEndsTheLoad) {
    SavedFolder f;
    set_mode(f.path("savmem.dat"), 0000);
    set_mode(f.path(""), 0555);
    const ChildOutcome child = as_nobody([&]() -> std::string {
        Rig fresh;
        fresh.c.paths.work_dir = f.rig.dir.path;
        fresh.st().band_index = 9;
        const auto rows = fresh.st().band_table;
        load_memory_file(fresh.c);
        if (fresh.st().band_index != 9 || fresh.st().band_table != rows) return "defaults lost";
        return "ok";
    });
    set_mode(f.path(""), 0755);
    set_mode(f.path("savmem.dat"), 0644);
    expect_ok(child);
    EXPECT_EQ(f.rig.dir.read("savmem.dat"), saved_variants()[0].bank);
}

// A savmem.dat its owner made read-only stays as it is, as a file opened for
// writing would; the rename alone would replace it without asking.
TEST(FileSafety, AReadOnlySavmemInAWritableFolderIsNotReplaced) {
    SavedFolder f;
    f.give_to_nobody();
    set_mode(f.path("savmem.dat"), 0444);
    const ChildOutcome child = as_nobody([&]() -> std::string {
        apply_variant(f.rig.st(), 1);
        save_memory_file(f.rig.c);
        return "ok";
    });
    expect_ok(child);
    EXPECT_EQ(f.rig.dir.read("savmem.dat"), saved_variants()[0].bank);
    EXPECT_EQ(mode_of(f.path("savmem.dat")), 0444u);
    // memory.txt was writable and follows the state.
    EXPECT_EQ(f.rig.dir.read("memory.txt"), saved_variants()[1].report);
    EXPECT_EQ(test::join(leftovers(f.rig.dir.path)), "");
}

TEST(FileSafety, AReplacedFileKeepsItsPermissions) {
    SavedFolder f;
    set_mode(f.path("savmem.dat"), 0600);
    apply_variant(f.rig.st(), 3);
    save_memory_file(f.rig.c);
    EXPECT_EQ(f.rig.dir.read("savmem.dat"), saved_variants()[3].bank);
    EXPECT_EQ(mode_of(f.path("savmem.dat")), 0600u);
}

TEST(FileSafety, ALinkedSavmemStaysALinkAndItsTargetIsReplaced) {
    Rig rig;
    fs::create_directory(rig.dir.path + "store");
    rig.dir.write("store/savmem.dat", saved_variants()[0].bank);
    fs::create_symlink("store/savmem.dat", rig.dir.path + "savmem.dat");
    apply_variant(rig.st(), 4);
    save_memory_file(rig.c);
    EXPECT_TRUE(fs::is_symlink(rig.dir.path + "savmem.dat"));
    EXPECT_EQ(rig.dir.read("store/savmem.dat"), saved_variants()[4].bank);
    EXPECT_EQ(load_mismatch(rig.dir.path, 4), "");
}

TEST(FileSafety, ALinkPlantedAsTheTemporaryFileLeadsNoWriteAstray) {
    Rig rig;
    rig.dir.write("victim", "keep me");
    fs::create_symlink(rig.dir.path + "victim", rig.dir.path + "savmem.dat.new");
    fs::create_symlink(rig.dir.path + "victim", rig.dir.path + "memory.txt.new");
    apply_variant(rig.st(), 1);
    save_memory_file(rig.c);
    EXPECT_EQ(rig.dir.read("victim"), "keep me");
    EXPECT_EQ(rig.dir.read("savmem.dat"), saved_variants()[1].bank);
    EXPECT_EQ(rig.dir.read("memory.txt"), saved_variants()[1].report);
    EXPECT_EQ(test::join(leftovers(rig.dir.path)), "");
}

// ---- debug.dat that cannot be written -----------------------------------------

// In a child: the log is switched on and opened, then the radio is worked by
// keys and ticks as usual. "ok" when every key still acted.
std::string keys_with_log_on(Rig& rig) {
    rig.st().debug_log_on = 1;
    open_debug_log(rig.c);
    test::connect(rig);
    rig.radio->respond = [](const std::string& cmd) {
        return cmd == "FA;" ? std::string("FA014200000;") : std::string();
    };
    test::press(rig, {test::vk::f(1)});
    if (test::last_sent(rig, "PA0") != "PA01;") return "F1: " + test::join(rig.sent());
    if (!test::said(rig, "preamp")) return "F1 unspoken: " + test::join(rig.words());
    test::press(rig, {'Y'});  // a key without a rule re-sends the frequency
    if (test::last_sent(rig, "FA") != "FA014200000;") return "Y: " + test::join(rig.sent());
    for (int i = 0; i < 6; ++i) {
        rig.st().event_id = 275;
        handle_event(rig.c);
    }
    if (test::sent_with(rig, "FA;").empty()) return "no poll: " + test::join(rig.sent());
    write_log_line(rig.c, std::string(300, 'x'));
    close_debug_log(rig.c);
    return "ok";
}

TEST(FileSafety, ADebugDatThatIsAFolderStopsNothing) {
    Rig rig;
    fs::create_directory(rig.dir.path + "debug.dat");
    expect_ok(in_child([&] { return keys_with_log_on(rig); }));
    EXPECT_TRUE(fs::is_directory(rig.dir.path + "debug.dat"));
}

// In a folder that cannot be written neither the save nor the log stops
// anything: the old files stay, the next start loads them, keys still act.
TEST(FileSafety, AReadOnlyFolderKeepsItsFilesAndStopsNothing) {
    SavedFolder f;
    set_mode(f.path(""), 0555);
    const ChildOutcome child = as_nobody([&]() -> std::string {
        apply_variant(f.rig.st(), 1);
        save_memory_file(f.rig.c);
        const std::string mismatch = load_mismatch(f.rig.dir.path, 0);
        return mismatch.empty() ? keys_with_log_on(f.rig) : "load: " + mismatch;
    });
    set_mode(f.path(""), 0755);
    expect_ok(child);
    EXPECT_EQ(f.rig.dir.read("savmem.dat"), saved_variants()[0].bank);
    EXPECT_EQ(f.rig.dir.read("memory.txt"), saved_variants()[0].report);
    EXPECT_EQ(test::join(leftovers(f.rig.dir.path)), "");
    EXPECT_FALSE(f.rig.dir.exists("debug.dat"));
}

TEST(FileSafety, ADebugDatPastTheFileSizeLimitStopsNothing) {
    Rig rig;
    constexpr rlim_t limit = 40;  // the first header line and a bit
    const ChildOutcome child = in_child([&] {
        limit_file_size(limit);
        return keys_with_log_on(rig);
    });
    expect_ok(child);
    const std::string log = rig.dir.read("debug.dat");
    EXPECT_LE(log.size(), limit);
    EXPECT_EQ(log.rfind("VELORAN 3.5c  ", 0), 0u) << log;
}

}  // namespace
}  // namespace vlr
