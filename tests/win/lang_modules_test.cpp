// The language modules: English, German and the stretched one for layout checks hold the same
// resource numbers, keep every placeholder of the English texts, and a machine switches language
// through the ResourceDll setting. The switch changes what every process loading the library reads,
// so this file runs alone.
// ctest-serial
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/win/support/testsupport.h"
#include "zrpcres_ids.h"

namespace {

BOOL CALLBACK AddBlock(HMODULE, LPCSTR, LPSTR name, LONG_PTR blocks) {
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<unsigned>*>(blocks)->push_back((unsigned)(uintptr_t)name);
    return TRUE;
}

struct Module {
    HMODULE handle = nullptr;
    explicit Module(const char* name) {
        handle = LoadLibraryExA((zt::ProgramDir() + "\\" + name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    ~Module() {
        if (handle) FreeLibrary(handle);
    }
    // Every string of the module, read from its string blocks (16 strings a block, counted UTF-16).
    std::map<unsigned, std::wstring> Strings() const {
        std::map<unsigned, std::wstring> out;
        std::vector<unsigned> blocks;
        EnumResourceNamesA(handle, MAKEINTRESOURCEA(6), AddBlock, reinterpret_cast<LONG_PTR>(&blocks));
        for (unsigned block : blocks) {
            HRSRC info = FindResourceA(handle, MAKEINTRESOURCEA(block), MAKEINTRESOURCEA(6));
            const WCHAR* p = info ? static_cast<const WCHAR*>(LockResource(LoadResource(handle, info))) : nullptr;
            if (!p) continue;
            for (unsigned i = 0; i < 16; ++i) {
                unsigned length = *p++;
                if (length) out[(block - 1) * 16 + i] = std::wstring(p, length);
                p += length;
            }
        }
        return out;
    }
    bool Has(unsigned id, int type) const {
        return FindResourceA(handle, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type)) != nullptr;
    }
};

// The printf and FormatMessage placeholders of a text, in order.
std::vector<std::wstring> Placeholders(const std::wstring& text) {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%' || i + 1 >= text.size()) continue;
        size_t end = i + 1;
        if (text[end] == L'%') {
            ++i;
            continue;
        }
        if (iswdigit(text[end]) && end + 1 < text.size() && text[end + 1] == L'!') { // %1!lu!
            end = text.find(L'!', end + 2);
            if (end == std::wstring::npos) end = text.size() - 1;
        } else {
            while (end < text.size() && !iswalpha(text[end]))
                ++end;
            while (end < text.size() && (text[end] == L'l' || text[end] == L'h'))
                ++end;
        }
        out.push_back(text.substr(i, end - i + 1));
        i = end;
    }
    return out;
}

TEST(LanguageModules, AllHoldTheSameResources) {
    Module en("zrpcres.dll"), de("zrpcres-de.dll"), xx("zrpcres-xx.dll");
    ASSERT_TRUE(en.handle && de.handle && xx.handle);
    auto english = en.Strings();
    ASSERT_GT(english.size(), 100u);
    for (const Module* other : {&de, &xx}) {
        auto strings = other->Strings();
        std::set<unsigned> a, b;
        for (auto& kv : english)
            a.insert(kv.first);
        for (auto& kv : strings)
            b.insert(kv.first);
        EXPECT_EQ(a, b) << "string numbers differ";
        for (unsigned id : {IDD_WORKING, IDD_PASSWORD})
            EXPECT_TRUE(other->Has(id, 5)) << "dialog " << id;
        for (unsigned id : {IDB_IMAGE_STRIP, IDB_BITMAP_124, IDB_BITMAP_745})
            EXPECT_TRUE(other->Has(id, 2)) << "bitmap " << id;
        for (unsigned id = IDI_WORKING_FIRST; id <= IDI_WORKING_LAST; ++id)
            EXPECT_TRUE(other->Has(id, 14)) << "icon " << id;
    }
}

TEST(LanguageModules, EveryTranslationKeepsTheEnglishPlaceholders) {
    Module en("zrpcres.dll"), de("zrpcres-de.dll"), xx("zrpcres-xx.dll");
    ASSERT_TRUE(en.handle && de.handle && xx.handle);
    auto english = en.Strings(), german = de.Strings(), stretched = xx.Strings();
    size_t translated = 0;
    for (auto& [id, text] : english) {
        EXPECT_EQ(Placeholders(text), Placeholders(german[id])) << "string " << id;
        EXPECT_EQ(Placeholders(text), Placeholders(stretched[id])) << "string " << id;
        if (german[id] != text) ++translated;
    }
    // A few words are the same in both languages ("Token", "Status", "Name", ...); the rest is German.
    EXPECT_GT(translated, english.size() * 9 / 10);
}

TEST(LanguageModules, TextsTheKeyListCutsAtSixteenCharactersFitInThem) {
    // The key list shows the reserved and backup slots' texts in the 16-character name column, cut there;
    // a translation must say it within 16 (the stretched module is meant to show the cut).
    for (const char* name : {"zrpcres.dll", "zrpcres-de.dll"}) {
        Module module(name);
        ASSERT_TRUE(module.handle) << name;
        auto strings = module.Strings();
        for (unsigned id : {IDS_KEY_RESERVED, IDS_KEY_BACKUP}) {
            ASSERT_TRUE(strings.count(id)) << name << " string " << id;
            EXPECT_LE(strings[id].size(), 16u) << name << " string " << id;
        }
    }
}

TEST(LanguageModules, StretchedTextsAreLongerWithAccentsAtBothEnds) {
    Module en("zrpcres.dll"), xx("zrpcres-xx.dll");
    ASSERT_TRUE(en.handle && xx.handle);
    auto english = en.Strings(), stretched = xx.Strings();
    for (auto& [id, text] : english) {
        const std::wstring& s = stretched[id];
        EXPECT_GE(s.size() * 10, text.size() * 13) << "string " << id;
        EXPECT_EQ(s.substr(0, 3), L"[\u00C0\u00E9") << "string " << id;
        EXPECT_EQ(s.substr(s.size() - 3), L"\u00F1\u00DC]") << "string " << id;
        EXPECT_NE(s.find(text), std::wstring::npos) << "string " << id << " keeps the English text";
    }
}

TEST(LanguageModules, TheSettingSwitchesTheLanguageOfEveryNewProcess) {
    zt::RegistryValue setting(HKEY_CURRENT_USER, zt::kSettingsKey, "ResourceDll");
    const struct {
        const char* module;
        const char* join; // string 117
        const char* title; // string 118
    } cases[] = {
        {"zrpcres-de.dll", "beim", "Warnung"},
        {"zrpcres-xx.dll", "[\xC0\xE9while ~~\xF1\xDC]", "[\xC0\xE9Warning ~~\xF1\xDC]"},
        {"zrpcres.dll", "while", "Warning"},
    };
    for (const auto& c : cases) {
        setting.Set((zt::ProgramDir() + "\\" + c.module).c_str());
        std::string out;
        EXPECT_EQ(0, zt::RunProgram("frame_probe.exe string 117", &out)) << c.module;
        EXPECT_EQ(out, c.join) << c.module;
        EXPECT_EQ(0, zt::RunProgram("frame_probe.exe string 118", &out)) << c.module;
        EXPECT_EQ(out, c.title) << c.module;
    }
}

} // namespace
