// The settings that name the language module, and start-up with and without it. These tests change
// ResourceDll, which every process loading the library reads, so they run alone.
// ctest-serial
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"

namespace {

TEST(Settings, FindResDllNameReadsTheValueOrGivesTheDefault) {
    zt::RegistryValue value(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    char name[255];

    value.Set("C:\\lang\\other.dll");
    EXPECT_EQ(ZRPCFUNC_FindResDLLName(name), 1);
    EXPECT_STREQ(name, "C:\\lang\\other.dll");

    value.Set(nullptr);
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(ZRPCFUNC_FindResDLLName(name), 0);
    EXPECT_STREQ(name, "zrpcres.dll");

    value.Set(""); // one byte: counts as missing
    EXPECT_EQ(ZRPCFUNC_FindResDLLName(name), 0);
    EXPECT_STREQ(name, "zrpcres.dll");

    std::string tooLong(300, 'a'); // does not fit the 255-byte buffer: missing
    value.Set(tooLong.c_str());
    EXPECT_EQ(ZRPCFUNC_FindResDLLName(name), 0);
    EXPECT_STREQ(name, "zrpcres.dll");
}

TEST(Settings, FindHelpChmNameReadsTheValueOrGivesTheDefault) {
    zt::RegistryValue value(HKEY_CURRENT_USER, zt::kSettingsKey, "HelpChm");
    char name[255];
    value.Set("manual.chm");
    EXPECT_EQ(ZRPCFUNC_FindHelpCHMName(name), 1);
    EXPECT_STREQ(name, "manual.chm");
    value.Set(nullptr);
    EXPECT_EQ(ZRPCFUNC_FindHelpCHMName(name), 0);
    EXPECT_STREQ(name, "zrphelp.chm");
}

TEST(Startup, LoadsWithTheLanguageModuleNamedInTheSettings) {
    EXPECT_EQ(zt::RunProgram("frame_probe.exe load"), 0);
}

// The language module is loaded on the first call that needs it, never while the system loads the
// library (the loader lock is held then): a missing module no longer fails the load; the first call
// says why, and the texts stay missing.
TEST(Startup, WithoutItsLanguageModuleTheFirstCallSaysWhyAndTextsStayMissing) {
    zt::RegistryValue value(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    value.Set("C:\\nowhere\\missing-lang.dll");
    zt::BoxAnswerer answer(IDOK, /*anyProcess=*/true);
    EXPECT_EQ(zt::RunProgram("frame_probe.exe load"), 0);
    EXPECT_TRUE(answer.Seen().empty()) << "nothing is said before a call needs the module";
    std::string printed = "<not run>";
    EXPECT_EQ(zt::RunProgram("frame_probe.exe string 117", &printed), 1);
    EXPECT_EQ(printed, "");
    ASSERT_TRUE(answer.WaitFor(1));
    auto seen = answer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Error loading resource dll : C:\\nowhere\\missing-lang.dll");
    EXPECT_EQ(seen[0].title, "Corvane+");
    EXPECT_EQ(seen[0].buttons.size(), 1u);
}

// Runs command with folder as its current folder; the exit code (99 when it could not run) and what it
// printed.
DWORD RunIn(std::string command, const std::string& folder, std::string& printed) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    const std::string outFile = zt::MakeTempDir("probeout") + "\\out.txt";
    HANDLE out = CreateFileA(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return 99;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    BOOL started =
        CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &si, &pi);
    CloseHandle(out);
    if (!started) return 99;
    DWORD code = 99;
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 98); // a box nobody answers: ended, not left behind
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    printed.clear();
    zt::ReadFile(outFile, printed);
    zt::RemoveTree(outFile.substr(0, outFile.rfind('\\')));
    return code;
}

bool Copy(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

// A relative name (and the default one) is taken from the library's own folder first, not from the
// program's: here the program lies in another folder that holds a module of the same name.
TEST(Startup, RelativeNamesLoadFromTheLibrarysFolder) {
    const std::string bin = zt::ProgramDir(), other = zt::MakeTempDir("langelsewhere");
    ASSERT_TRUE(Copy(bin + "\\frame_probe.exe", other + "\\frame_probe.exe"));
    ASSERT_TRUE(Copy(bin + "\\zrpcres.dll", other + "\\zrpcres.dll"));
    zt::RegistryValue value(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    for (const char* setting : {"zrpcres.dll", static_cast<const char*>(nullptr)}) {
        value.Set(setting);
        std::string printed;
        EXPECT_EQ(0u, RunIn("\"" + other + "\\frame_probe.exe\" lang \"" + bin + "\\zrpcfunc.dll\"", other,
                            printed));
        EXPECT_EQ(0, lstrcmpiA(printed.c_str(), (bin + "\\zrpcres.dll").c_str()))
            << (setting ? setting : "(no setting)") << ": " << printed;
    }
    zt::RemoveTree(other);
}

// Where the library's folder holds no language module, the program's folder is searched next; the
// current folder never is, even when it holds the module.
class StartupFolders : public ::testing::Test {
  protected:
    void SetUp() override {
        bin = zt::ProgramDir();
        library = zt::MakeTempDir("langlib");
        program = zt::MakeTempDir("langprog");
        current = zt::MakeTempDir("langcwd");
        ASSERT_TRUE(Copy(bin + "\\zrpcfunc.dll", library + "\\zrpcfunc.dll"));
        ASSERT_TRUE(Copy(bin + "\\frame_probe.exe", program + "\\frame_probe.exe"));
    }
    void TearDown() override {
        for (const std::string& f : {library, program, current})
            zt::RemoveTree(f);
    }
    // The probe in the program's folder, loading the library's copy, run in the current folder.
    DWORD Probe(std::string& printed) {
        return RunIn("\"" + program + "\\frame_probe.exe\" lang \"" + library + "\\zrpcfunc.dll\"", current,
                     printed);
    }
    std::string bin, library, program, current;
};

TEST_F(StartupFolders, BesideTheProgramWhenNotBesideTheLibrary) {
    ASSERT_TRUE(Copy(bin + "\\zrpcres.dll", program + "\\zrpcres.dll"));
    ASSERT_TRUE(Copy(bin + "\\zrpcres.dll", current + "\\zrpcres.dll"));
    zt::RegistryValue value(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    for (const char* setting : {"zrpcres.dll", static_cast<const char*>(nullptr)}) {
        value.Set(setting);
        std::string printed;
        EXPECT_EQ(0u, Probe(printed)) << printed;
        EXPECT_EQ(0, lstrcmpiA(printed.c_str(), (program + "\\zrpcres.dll").c_str()))
            << (setting ? setting : "(no setting)") << ": " << printed;
    }
}

TEST_F(StartupFolders, NeverFromTheCurrentFolder) {
    ASSERT_TRUE(Copy(bin + "\\zrpcres.dll", current + "\\zrpcres.dll"));
    zt::RegistryValue value(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    value.Set("zrpcres.dll");
    zt::BoxAnswerer answer(IDOK, /*anyProcess=*/true);
    std::string printed;
    EXPECT_EQ(11u, Probe(printed)) << "no text without the module: " << printed;
    ASSERT_TRUE(answer.WaitFor(1));
    auto seen = answer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Error loading resource dll : zrpcres.dll");
}

TEST(Startup, WithoutTheValueTheDefaultNameIsFoundBesideTheProgram) {
    zt::RegistryValue value(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    value.Set(nullptr);
    EXPECT_EQ(zt::RunProgram("frame_probe.exe load"), 0);
}

} // namespace
