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

TEST(Startup, RefusesToLoadWithoutItsLanguageModuleAndSaysWhy) {
    zt::RegistryValue value(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    value.Set("C:\\nowhere\\missing-lang.dll");
    zt::BoxAnswerer answer(IDOK, /*anyProcess=*/true);
    EXPECT_EQ(zt::RunProgram("frame_probe.exe load"), 10);
    ASSERT_TRUE(answer.WaitFor(1));
    auto seen = answer.Seen();
    EXPECT_EQ(seen[0].text, "Error loading resource dll : C:\\nowhere\\missing-lang.dll");
    EXPECT_EQ(seen[0].title, "Corvane+");
    EXPECT_EQ(seen[0].buttons.size(), 1u);
}

TEST(Startup, WithoutTheValueTheDefaultNameIsFoundBesideTheProgram) {
    zt::RegistryValue value(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    value.Set(nullptr);
    EXPECT_EQ(zt::RunProgram("frame_probe.exe load"), 0);
}

} // namespace
