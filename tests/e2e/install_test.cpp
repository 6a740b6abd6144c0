// Installing Veloran: cmake --install puts every part in place, the installed
// program runs from there, the desktop launcher prepares its folder, and the
// Debian package declares what it needs.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/e2e_harness.hpp"

using namespace vlr::e2e;
namespace fs = std::filesystem;

namespace {

TEST(Installed, EveryPartInPlaceAndEachRunsFromThere) {
    vlr::test::TempDir prefix;
    std::string log;
    ASSERT_EQ(run_tool({"cmake", "--install", binary_dir(), "--prefix", prefix.path}, {}, &log), 0)
        << log;
    for (const char* program :
         {"bin/veloran", "bin/veloran-emulator", "bin/veloran-start", "bin/veloran-render-voice",
          "share/veloran/scripts/render-voice.sh"})
        EXPECT_EQ(::access((prefix.path + program).c_str(), X_OK), 0) << program;
    auto source = [](const std::string& name) {
        std::ifstream in(source_dir() + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(prefix.read("share/veloran/voice/words.tsv"), source("voice/words.tsv"));
    EXPECT_EQ(prefix.read("share/doc/veloran/veloran.cfg.sample"), source("veloran.cfg.sample"));
    if (fs::exists(binary_dir() + "/wave/point.wav"))
        EXPECT_TRUE(prefix.exists("share/veloran/wave/point.wav"));
    const std::string entry = prefix.read("share/applications/veloran.desktop");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
    for (const char* line : {"\nType=Application\n", "\nTerminal=false\n",
                             "\nCategories=HamRadio;Utility;\n", "\nExec=veloran-start\n"})
        EXPECT_NE(entry.find(line), std::string::npos) << line;

    // The installed program on its simulated radio, ended as closing the window does.
    WorkFolder work;
    fs::copy_file(prefix.path + "share/doc/veloran/veloran.cfg.sample", work.path + "veloran.cfg");
    Process veloran;
    ASSERT_TRUE(veloran.start({prefix.path + "bin/veloran", "--simulate", "--transcript"},
                              work.path, no_devices));
    EXPECT_TRUE(veloran.out.wait_for("connected")) << veloran.out.joined();
    veloran.signal(SIGTERM);
    EXPECT_EQ(veloran.wait_exit(), 0);
    EXPECT_EQ(veloran.out.joined().rfind("vlr.wav 3.wav point 5", 0), 0u) << veloran.out.joined();
    EXPECT_TRUE(work.exists("savmem.dat"));

    // The launcher makes the user's folder with the voice linked; without a
    // veloran.cfg there yet the program says so and ends.
    fs::create_directories(prefix.path + "share/veloran/wave");
    const std::string folder = work.path + "radio";
    auto env = no_devices;
    env["VELORAN_HOME"] = folder;
    std::string out;
    EXPECT_EQ(run_tool({prefix.path + "bin/veloran-start", "--transcript"}, env, &out), 0) << out;
    EXPECT_NE(out.find("cfgnf\n"), std::string::npos) << out;
    ASSERT_TRUE(fs::is_symlink(folder + "/wave"));
    EXPECT_TRUE(fs::equivalent(folder + "/wave", prefix.path + "share/veloran/wave"));

    if (installed("espeak-ng") && installed("sox")) {  // the renderer finds its installed table
        EXPECT_EQ(run_tool({prefix.path + "bin/veloran-render-voice", work.path + "w", "noperm"},
                           {}, &out),
                  0)
            << out;
        EXPECT_GT(fs::file_size(work.path + "w/noperm.wav"), 1000u);
    }
}

TEST(DebianPackage, DeclaresItsRuntimePackagesAndHoldsTheProgram) {
    if (!installed("dpkg-deb") || !installed("cpack"))
        GTEST_SKIP() << "dpkg-deb or cpack not installed";
    vlr::test::TempDir out;
    std::string log, depends, files;
    ASSERT_EQ(run_tool({"cpack", "-G", "DEB", "--config", binary_dir() + "/CPackConfig.cmake", "-B",
                        out.path},
                       {}, &log),
              0)
        << log;
    fs::path deb;
    for (const auto& e : fs::directory_iterator(out.path))
        if (e.path().extension() == ".deb") deb = e.path();
    ASSERT_FALSE(deb.empty()) << log;
    run_tool({"dpkg-deb", "-f", deb.string(), "Depends"}, {}, &depends);
    for (const char* package : {"libsdl2-2.0-0", "libsdl2-ttf-2.0-0", "libfontconfig1",
                                "fonts-liberation2", "espeak-ng", "sox", "libspeechd2"})
        EXPECT_NE(depends.find(package), std::string::npos)
            << package << " missing from: " << depends;
    run_tool({"dpkg-deb", "-c", deb.string()}, {}, &files);
    for (const char* file :
         {"./usr/bin/veloran\n", "./usr/bin/veloran-start\n",
          "./usr/share/applications/veloran.desktop\n", "./usr/share/veloran/voice/words.tsv\n",
          "./usr/share/doc/veloran/veloran.cfg.sample\n"})
        EXPECT_NE(files.find(file), std::string::npos) << file << " missing from:\n" << files;
}

}  // namespace
