// Installing Veloran: cmake --install puts every part in place, the installed
// program runs from there, the desktop launcher prepares its folder, and the
// Debian package declares what it needs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/fakes.hpp"

namespace vlr::test {
namespace {

namespace fs = std::filesystem;

std::string env_or(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

std::string binary_dir() { return env_or("VELORAN_BINARY_DIR", "."); }
std::string source_dir() { return env_or("VELORAN_SOURCE_DIR", "."); }

bool have_tool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; its standard output and exit status.
struct Outcome {
    std::string out;
    int status = -1;
};
Outcome run(const std::string& command) {
    Outcome r;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string shell_word(const std::string& s) { return "'" + s + "'"; }

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool is_executable(const fs::path& p) {
    return ::access(p.c_str(), X_OK) == 0 && fs::is_regular_file(p);
}

// One installation per test program: installing is the slow part.
class Installed : public ::testing::Test {
protected:
    static inline TempDir* prefix_dir = nullptr;
    static inline std::string install_log;
    static inline int install_status = -1;

    static void SetUpTestSuite() {
        prefix_dir = new TempDir;
        Outcome r = run("cmake --install " + shell_word(binary_dir()) + " --prefix " +
                        shell_word(prefix_dir->path));
        install_log = r.out;
        install_status = r.status;
    }
    static void TearDownTestSuite() {
        delete prefix_dir;
        prefix_dir = nullptr;
    }
    void SetUp() override { ASSERT_EQ(install_status, 0) << install_log; }
    static fs::path prefix() { return prefix_dir->path; }
};

TEST_F(Installed, EveryPartIsInItsPlace) {
    for (const char* program :
         {"bin/veloran", "bin/veloran-emulator", "bin/veloran-start", "bin/veloran-render-voice",
          "share/veloran/scripts/render-voice.sh"})
        EXPECT_TRUE(is_executable(prefix() / program)) << program;
    EXPECT_EQ(read_file(prefix() / "share/veloran/voice/words.tsv"),
              read_file(fs::path(source_dir()) / "voice/words.tsv"));
    EXPECT_EQ(read_file(prefix() / "share/doc/veloran/veloran.cfg.sample"),
              read_file(fs::path(source_dir()) / "veloran.cfg.sample"));
    // The rendered words go along when the build has them.
    if (fs::exists(fs::path(binary_dir()) / "wave/point.wav")) {
        EXPECT_TRUE(fs::exists(prefix() / "share/veloran/wave/point.wav"));
    }

    const std::string entry = read_file(prefix() / "share/applications/veloran.desktop");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
    for (const char* line : {"\nType=Application\n", "\nTerminal=false\n",
                             "\nCategories=HamRadio;Utility;\n", "\nExec=veloran-start\n"})
        EXPECT_NE(entry.find(line), std::string::npos) << line;
}

TEST_F(Installed, ProgramStartsOnTheSimulatedRadio) {
    TempDir work;
    fs::copy_file(prefix() / "share/doc/veloran/veloran.cfg.sample", work.path + "veloran.cfg");

    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        if (::chdir(work.path.c_str()) != 0) ::_exit(126);
        ::setenv("SDL_VIDEODRIVER", "dummy", 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        const std::string program = (prefix() / "bin/veloran").string();
        ::execl(program.c_str(), program.c_str(), "--simulate", "--transcript",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);

    // Every word is printed; the first frequency answer brings "connected".
    std::string transcript;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (transcript.find("connected\n") == std::string::npos &&
           std::chrono::steady_clock::now() < limit) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buf[512];
        ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        transcript.append(buf, static_cast<std::size_t>(n));
    }
    ::kill(pid, SIGTERM);  // the window's close request: an orderly end
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(out[0]);

    EXPECT_EQ(transcript.rfind("vlr.wav\n3.wav\npoint\n5\n", 0), 0u) << transcript;
    EXPECT_NE(transcript.find("connected\n"), std::string::npos) << transcript;
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The orderly end saved the memory banks in the working folder.
    EXPECT_TRUE(work.exists("savmem.dat"));
}

TEST_F(Installed, LauncherRunsInTheUsersFolderWithTheVoiceLinked) {
    // The voice may not be rendered in this build; an empty folder stands in.
    fs::create_directories(prefix() / "share/veloran/wave");
    TempDir home;
    const std::string folder = home.path + "radio";
    Outcome r =
        run("VELORAN_HOME=" + shell_word(folder) + " SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy " +
            shell_word((prefix() / "bin/veloran-start").string()) + " --transcript");
    // No veloran.cfg in the new folder yet: the program says so and ends.
    EXPECT_NE(r.out.find("cfgnf\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.status, 0) << r.out;
    ASSERT_TRUE(fs::is_symlink(folder + "/wave"));
    EXPECT_TRUE(fs::equivalent(folder + "/wave", prefix() / "share/veloran/wave"));
}

TEST_F(Installed, RendererFindsItsInstalledTable) {
    if (!have_tool("espeak-ng") || !have_tool("sox"))
        GTEST_SKIP() << "espeak-ng or sox not installed";
    TempDir out;
    Outcome r = run(shell_word((prefix() / "bin/veloran-render-voice").string()) + " " +
                    shell_word(out.path + "w") + " noperm");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_GT(fs::file_size(out.path + "w/noperm.wav"), 1000u);
}

TEST(DebianPackage, DeclaresItsRuntimePackagesAndHoldsTheProgram) {
    if (!have_tool("dpkg-deb") || !have_tool("cpack"))
        GTEST_SKIP() << "dpkg-deb or cpack not installed";
    TempDir out;
    Outcome r = run("cpack -G DEB --config " + shell_word(binary_dir() + "/CPackConfig.cmake") +
                    " -B " + shell_word(out.path));
    ASSERT_EQ(r.status, 0) << r.out;
    fs::path deb;
    for (const auto& e : fs::directory_iterator(out.path))
        if (e.path().extension() == ".deb") deb = e.path();
    ASSERT_FALSE(deb.empty()) << r.out;

    const std::string depends = run("dpkg-deb -f " + shell_word(deb.string()) + " Depends").out;
    for (const char* package : {"libsdl2-2.0-0", "libsdl2-ttf-2.0-0", "libfontconfig1",
                                "fonts-liberation2", "espeak-ng", "sox"})
        EXPECT_NE(depends.find(package), std::string::npos)
            << package << " missing from: " << depends;

    const std::string files = run("dpkg-deb -c " + shell_word(deb.string())).out;
    for (const char* file :
         {"./usr/bin/veloran\n", "./usr/bin/veloran-start\n",
          "./usr/share/applications/veloran.desktop\n", "./usr/share/veloran/voice/words.tsv\n",
          "./usr/share/doc/veloran/veloran.cfg.sample\n"})
        EXPECT_NE(files.find(file), std::string::npos) << file << " missing from:\n" << files;
}

}  // namespace
}  // namespace vlr::test
