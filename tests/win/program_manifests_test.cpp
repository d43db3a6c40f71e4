// The project's own programs declare per-monitor v2 awareness of the screen's density in their
// manifests (resource type 24, number 1), and the screens tool's UTF-8 twin UTF-8 as its code page.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/win/support/testsupport.h"

namespace {

// The text of the program's manifest, empty when it has none.
std::string ManifestOf(const char* program) {
    HMODULE module =
        LoadLibraryExA((zt::ProgramDir() + "\\" + program).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return "";
    std::string text;
    if (HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
        const char* p = static_cast<const char*>(LockResource(LoadResource(module, info)));
        if (p) text.assign(p, SizeofResource(module, info));
    }
    FreeLibrary(module);
    return text;
}

TEST(ProgramManifests, EveryProgramIsAwareOfEachScreensDensity) {
    struct Program {
        const char* name;
        bool utf8;
    } const programs[] = {{"zrpc.exe", false},
                          {"zrpc-gallery.exe", false},
                          {"zrpc-cgallery.exe", false},
                          {"zrpc_screens.exe", false},
                          {"zrpc_screens_utf8.exe", true}};
    for (const Program& p : programs) {
        std::string m = ManifestOf(p.name);
        ASSERT_FALSE(m.empty()) << p.name << " has no manifest";
        EXPECT_NE(m.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos) << p.name;
        EXPECT_NE(m.find(">true/pm</dpiAware>"), std::string::npos)
            << p.name << " (systems before the v2 name)";
        EXPECT_EQ(m.find(">UTF-8</activeCodePage>") != std::string::npos, p.utf8) << p.name;
    }
}

} // namespace
