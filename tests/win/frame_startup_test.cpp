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

// A relative name (and the default one) is taken from the library's own folder, not from the
// program's: here the program lies in another folder that holds a module of the same name.
TEST(Startup, RelativeNamesLoadFromTheLibrarysFolder) {
    const std::string bin = zt::ProgramDir(), other = zt::MakeTempDir("langelsewhere");
    ASSERT_TRUE(CopyFileA((bin + "\\frame_probe.exe").c_str(), (other + "\\frame_probe.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((bin + "\\zrpcres.dll").c_str(), (other + "\\zrpcres.dll").c_str(), FALSE));
    zt::RegistryValue value(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    for (const char* setting : {"zrpcres.dll", static_cast<const char*>(nullptr)}) {
        value.Set(setting);
        std::string command = "\"" + other + "\\frame_probe.exe\" lang \"" + bin + "\\zrpcfunc.dll\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi;
        SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
        std::string outFile = other + "\\out.txt";
        HANDLE out =
            CreateFileA(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(out, INVALID_HANDLE_VALUE);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = out;
        si.hStdError = out;
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, other.c_str(),
                                   &si, &pi));
        CloseHandle(out);
        ASSERT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        EXPECT_EQ(code, 0u);
        std::string printed;
        ASSERT_TRUE(zt::ReadFile(outFile, printed));
        EXPECT_EQ(0, lstrcmpiA(printed.c_str(), (bin + "\\zrpcres.dll").c_str()))
            << (setting ? setting : "(no setting)") << ": " << printed;
    }
    zt::RemoveTree(other);
}

TEST(Startup, WithoutTheValueTheDefaultNameIsFoundBesideTheProgram) {
    zt::RegistryValue value(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    value.Set(nullptr);
    EXPECT_EQ(zt::RunProgram("frame_probe.exe load"), 0);
}

} // namespace
