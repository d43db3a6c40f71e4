// The encryptability rules over a described machine: each rule's answer, their order, and which
// questions a decided rule spares (the tree walks above all).
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "folders/rules.h"
#include "folders/treescan.h"

using namespace zrpc::folders;

namespace {

// A machine with a fixed drive, a local profile and the usual special folders.
class FakeMachine : public FolderEnvironment {
  public:
    DriveKind drive = DriveKind::Fixed;
    bool roaming = false;
    bool protectedBelow = false;
    unsigned long systemCode = 0;
    std::string systemFile;
    std::map<Special, std::string> folders = {{kDocuments, "C:\\USERS\\ANN\\DOCUMENTS"},
                                              {kDesktop, "C:\\USERS\\ANN\\DESKTOP\\"},
                                              {kCommonDesktop, "C:\\USERS\\PUBLIC\\DESKTOP"},
                                              {kProgramFiles, "C:\\PROGRAM FILES"},
                                              {kWindows, "C:\\WINDOWS"}};
    int walksBelow = 0, systemWalks = 0;

    DriveKind Drive() override { return drive; }
    bool ProfileIsTemporaryOrRoaming() override { return roaming; }
    bool SpecialFolder(Special which, std::string& location) override {
        auto it = folders.find(which);
        if (it == folders.end()) return false;
        location = it->second;
        return true;
    }
    bool ProtectedFolderBelow() override {
        ++walksBelow;
        return protectedBelow;
    }
    unsigned long SystemFile(std::string& file) override {
        ++systemWalks;
        file = systemFile;
        return systemCode;
    }
};

unsigned long Rule(FakeMachine& m, const std::string& folder, unsigned long flags,
                   std::string* file = nullptr) {
    std::string offending = "stale";
    unsigned long code = FolderRuleResult(folder, flags, m, offending);
    if (file) *file = offending;
    return code;
}

} // namespace

TEST(FolderRuleOrder, LocationsOnAFixedDrive) {
    struct {
        const char* folder;
        unsigned long flags;
        unsigned long code;
    } cases[] = {
        {"C:\\", 0, 1},                            // a drive's root
        {"C:\\USERS\\ANN\\DOCUMENTS\\A\\", 0, 0},  // inside the documents
        {"C:\\USERS\\ANN\\DOCUMENTS\\", 0, 1},     // the documents folder itself: in the profiles root
        {"C:\\USERS\\ANN\\DOCUMENTS\\", 0x40, 58}, // ... and with that rule off, no rule applies
        {"C:\\USERS\\ANN\\DESKTOP\\X\\", 0, 0},    // inside the desktop (given with its separator)
        {"C:\\USERS\\BOB\\", 0, 1},                // another profile
        {"C:\\USERS\\BOB\\", 0x40, 58},            // rule 6 off
        {"C:\\USERS2\\", 0, 58},                   // a sibling whose name begins the same way
        {"C:\\PROGRAM FILES\\", 0, 1},             // the program files themselves
        {"C:\\PROGRAM FILES\\APP\\", 0, 1},
        {"C:\\PROGRAM FILES (X86)\\", 0, 58},
        {"C:\\WINDOWS\\SYSTEM32\\", 0, 1},
        {"C:\\DATA\\", 0, 58},
        {"D:\\DATA\\", 0x08 | 0x10, 58}, // accepting other drives does not touch a fixed one
    };
    for (const auto& c : cases) {
        FakeMachine m;
        EXPECT_EQ(Rule(m, c.folder, c.flags), c.code) << c.folder << " flags " << c.flags;
        EXPECT_EQ(m.walksBelow + m.systemWalks, 0) << c.folder; // no walk unless asked
    }
}

TEST(FolderRuleOrder, DrivesAreAcceptedOnlyWhenAskedAndBeforeTheRoot) {
    struct {
        DriveKind drive;
        unsigned long flags;
        unsigned long code;
    } cases[] = {{DriveKind::Removable, 0x08, 0}, {DriveKind::Removable, 0x10, 1},
                 {DriveKind::Removable, 0, 1},    {DriveKind::Remote, 0x10, 0},
                 {DriveKind::Remote, 0x08, 1},    {DriveKind::Other, 0x18, 1}};
    for (const auto& c : cases) {
        FakeMachine m;
        m.drive = c.drive;
        EXPECT_EQ(Rule(m, "R:\\", c.flags), c.code) << (int)c.drive << " flags " << c.flags;
    }
}

TEST(FolderRuleOrder, ProfileKindDecidesInsideTheUserFolders) {
    FakeMachine m;
    m.roaming = true;
    EXPECT_EQ(Rule(m, "C:\\USERS\\ANN\\DESKTOP\\NOTES\\", 0), 75u);
    EXPECT_EQ(Rule(m, "C:\\DATA\\", 0), 58u); // elsewhere the profile does not matter
}

TEST(FolderRuleOrder, UnknownSpecialFoldersDecideNothing) {
    FakeMachine m;
    m.folders.clear();
    EXPECT_EQ(Rule(m, "C:\\WINDOWS\\", 0), 58u);
    m.folders[FolderEnvironment::kCommonDesktop] = "DESKTOP"; // too short to cut two components from
    EXPECT_EQ(Rule(m, "C:\\X\\", 0), 58u);
}

TEST(FolderRuleOrder, ProtectedFolderBelowComesFirstAndSystemFilesLast) {
    FakeMachine m;
    m.protectedBelow = true;
    m.systemCode = 56;
    m.systemFile = "C:\\WINDOWS\\A.EXE";
    m.drive = DriveKind::Removable;
    // Rule 1 wins over an accepted drive and a system location.
    EXPECT_EQ(Rule(m, "C:\\WINDOWS\\", 0x01 | 0x04 | 0x08), 59u);
    EXPECT_EQ(m.walksBelow, 1);
    EXPECT_EQ(m.systemWalks, 0);

    // Without a protected folder below, a system location answers before the system-file walk.
    m = FakeMachine();
    m.systemCode = 56;
    m.systemFile = "C:\\WINDOWS\\A.EXE";
    EXPECT_EQ(Rule(m, "C:\\WINDOWS\\", 0x01 | 0x04), 1u);
    EXPECT_EQ(m.systemWalks, 0);

    // Elsewhere the walk decides, and names its file.
    std::string file;
    EXPECT_EQ(Rule(m, "C:\\DATA\\", 0x04, &file), 56u);
    EXPECT_EQ(file, "C:\\WINDOWS\\A.EXE");
    m.systemCode = 0;
    EXPECT_EQ(Rule(m, "C:\\DATA\\", 0x04, &file), 58u);
    EXPECT_EQ(file, ""); // no stale file name with an answer that names none
}

TEST(FolderRuleOrder, SystemFileNames) {
    struct {
        const char* name;
        unsigned code;
    } cases[] = {{"kernel32.dll", 1},    {"KERNEL32.DLL", 1}, {"win.com", 1},   {"user.dll", 1},
                 {"User32.Dll", 1},      {"setup.exe", 56},   {"a.b.SYS", 56},  {"x.vxd", 56},
                 {"db.mdb", 56},         {"old.386", 56},     {"notes.txt", 0}, {"exe", 0},
                 {"archive.exe.bak", 0}, {".dll", 56},        {"", 0},          {"kernel32.dll.txt", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(SystemFileCode(c.name), c.code) << c.name;
        // The same name as the platform lists it, in UTF-16 and not terminated.
        std::wstring wide(c.name, c.name + std::strlen(c.name));
        wide += L"#";
        EXPECT_EQ(SystemFileCode(wide.data(), wide.size() - 1), c.code) << c.name;
    }
    EXPECT_EQ(SystemFileCode(nullptr), 0u);
    EXPECT_EQ(SystemFileCode(nullptr, 0), 0u);
    // Names in other scripts: only the extension's ASCII letters decide.
    EXPECT_EQ(SystemFileCode(L"\u6587\u4EF6.EXE", 6), 56u);
    EXPECT_EQ(SystemFileCode(L"\u0395.\u0395xe", 5), 0u);
    EXPECT_EQ(SystemFileCode(L"k\u00E9rnel32.dll", 12), 56u)
        << "not the core file, an extension all the same";
}
