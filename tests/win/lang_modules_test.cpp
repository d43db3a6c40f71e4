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
            const WCHAR* p =
                info ? static_cast<const WCHAR*>(LockResource(LoadResource(handle, info))) : nullptr;
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

// The pixel sizes of the images an icon resource holds (its group directory).
std::set<int> IconSizes(HMODULE module, unsigned id) {
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    std::set<int> sizes;
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));
    const BYTE* p = info ? static_cast<const BYTE*>(LockResource(LoadResource(module, info))) : nullptr;
    if (!p) return sizes;
    const WORD count = *reinterpret_cast<const WORD*>(p + 4);
    for (WORD i = 0; i < count; ++i) {
        const auto* e = reinterpret_cast<const GroupEntry*>(p + 6 + i * sizeof(GroupEntry));
        sizes.insert(e->width ? e->width : 256);
    }
    return sizes;
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof bm, &bm);
    return SIZE{bm.bmWidth, bm.bmHeight};
}

TEST(LanguageModules, PicturesComeForEveryDensity) {
    struct Density {
        unsigned offset;
        int percent;
    } const densities[] = {{0, 100}, {IDB_SCALED_150, 150}, {IDB_SCALED_200, 200}};
    struct Picture {
        unsigned id;
        int width, height; // at 100 %
    } const pictures[] = {{IDB_IMAGE_STRIP, 16 * 36, 16}, {IDB_BITMAP_124, 48, 48}, {IDB_BITMAP_745, 48, 48}};
    for (const char* name : {"zrpcres.dll", "zrpcres-de.dll", "zrpcres-xx.dll"}) {
        Module m(name);
        ASSERT_TRUE(m.handle) << name;
        for (const Picture& p : pictures) {
            for (const Density& d : densities) {
                HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(m.handle, MAKEINTRESOURCEA(p.id + d.offset),
                                                                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
                ASSERT_TRUE(bitmap) << name << " bitmap " << p.id << " at " << d.percent << " %";
                SIZE size = BitmapSize(bitmap);
                EXPECT_EQ(size.cx, p.width * d.percent / 100)
                    << name << " bitmap " << p.id << " at " << d.percent;
                EXPECT_EQ(size.cy, p.height * d.percent / 100)
                    << name << " bitmap " << p.id << " at " << d.percent;
                DeleteObject(bitmap);
            }
        }
        for (unsigned id = IDI_WORKING_FIRST; id <= IDI_WORKING_LAST; ++id) {
            EXPECT_EQ(IconSizes(m.handle, id), (std::set<int>{16, 24, 32, 48, 64})) << name << " icon " << id;
            // Each size comes as drawn, not stretched from another: the image the system picks for it
            // is the one of that size.
            for (int px : {16, 24, 32, 48, 64}) {
                HRSRC group = FindResourceA(m.handle, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));
                PBYTE dir = static_cast<PBYTE>(LockResource(LoadResource(m.handle, group)));
                int image = LookupIconIdFromDirectoryEx(dir, TRUE, px, px, LR_DEFAULTCOLOR);
                HRSRC info = FindResourceA(m.handle, MAKEINTRESOURCEA(image), MAKEINTRESOURCEA(3));
                ASSERT_TRUE(info) << name << " icon " << id << " at " << px;
                const auto* header =
                    static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(m.handle, info)));
                EXPECT_EQ(header->biWidth, px) << name << " icon " << id;
                EXPECT_EQ(header->biHeight, 2 * px) << name << " icon " << id << " (colour and mask rows)";
            }
        }
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
        const char* join;  // string 117
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
