// The library's entry does nothing heavy under the loader lock: a program loads the library on one
// thread while another thread keeps loading and freeing other libraries (loader_probe.exe), then calls
// it from two threads at once. One case changes ResourceDll, which every process loading the library
// reads, so the file runs alone.
// ctest-serial
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/win/support/testsupport.h"

namespace {

// The probe's "name: value" lines, each name with its values in order.
std::map<std::string, std::vector<std::string>> Lines(const std::string& output) {
    std::map<std::string, std::vector<std::string>> out;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t colon = line.find(": ");
        if (colon != std::string::npos) out[line.substr(0, colon)].push_back(line.substr(colon + 2));
    }
    return out;
}

constexpr DWORD kProbeTimeoutMs = 600000;

TEST(Loader, LoadsBesideOtherLoadsAndStartsOnceOnTheFirstCalls) {
    std::string output;
    ASSERT_EQ(zt::RunProgram("loader_probe.exe threads", &output, kProbeTimeoutMs), 0) << output;
    auto lines = Lines(output);
    using V = std::vector<std::string>;
    EXPECT_EQ(lines["language module loaded by the load"], V{"no"}) << "nothing is loaded in the entry";
    EXPECT_EQ(lines["language module loaded by the first calls"], V{"yes"});
    EXPECT_EQ(lines["string right"], V({"yes", "yes"})) << output;
    EXPECT_EQ(lines["algorithm right"], V({"yes", "yes"})) << output;
    EXPECT_EQ(lines["cache answered"], V({"yes", "yes"}));
    EXPECT_EQ(lines["colour right"], V({"yes", "yes"}));
    // Two first calls at once load the module once: freeing the library frees it.
    EXPECT_EQ(lines["language module loaded after the library was freed"], V{"no"});
    EXPECT_EQ(lines["other loads went on"], V{"yes"});
}

TEST(Loader, WithoutTheLanguageModuleTheFirstCallSaysWhyOnceWhileOtherLoadsGoOn) {
    zt::RegistryValue value(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    value.Set("C:\\nowhere\\missing-lang.dll");
    std::string output;
    ASSERT_EQ(zt::RunProgram("loader_probe.exe nolang", &output, kProbeTimeoutMs), 0) << output;
    auto lines = Lines(output);
    using V = std::vector<std::string>;
    EXPECT_EQ(lines["boxes during the load"], V{"0"});
    EXPECT_EQ(lines["string"], V({"0 untouched", "0 untouched"})) << "as before start-up: 0, text untouched";
    EXPECT_EQ(lines["later string"], V{"0 unchanged"});
    EXPECT_EQ(lines["boxes"], V{"1"}) << output;
    EXPECT_EQ(lines["box title"], V{"Corvane+"});
    EXPECT_EQ(lines["box text"], V{"Error loading resource dll : C:\\nowhere\\missing-lang.dll"});
    EXPECT_EQ(lines["loader free while the box was up"], V{"yes"});
}

} // namespace
