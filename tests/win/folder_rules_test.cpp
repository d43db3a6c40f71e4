// The encryptability rules against the real special folders of the test prefix (documents, desktop,
// all-users desktop, program files, Windows), the test drives R: removable, O: optical and N: network
// (set up by ./run), the profile type through its test seam, and system files in real trees.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"
#include "zrpctest.h"

namespace {

bool MakeDir(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string Special(int id) {
    char path[MAX_PATH] = "";
    EXPECT_TRUE(SHGetSpecialFolderPathA(nullptr, path, id, FALSE)) << id;
    return path;
}

// Where an existing folder leads, through junctions and symbolic links: the platform's final path.
std::string FinalPath(const std::string& path) {
    typedef DWORD(WINAPI * FinalFn)(HANDLE, LPSTR, DWORD, DWORD);
    auto final = zt::Proc<FinalFn>(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA");
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    char out[MAX_PATH * 2] = "";
    DWORD n = final && h != INVALID_HANDLE_VALUE ? final(h, out, sizeof out, 0) : 0;
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    std::string result = n > 0 && n < sizeof out ? out : path;
    return result.compare(0, 4, "\\\\?\\") == 0 ? result.substr(4) : result;
}

bool BeginsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           lstrcmpiA(text.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0;
}

std::string Windows() {
    char path[MAX_PATH] = "";
    GetWindowsDirectoryA(path, sizeof path);
    return path;
}

DWORD g_profileFlags = 0;
BOOL WINAPI FakeProfileType(DWORD* flags) {
    *flags = g_profileFlags;
    return TRUE;
}
BOOL WINAPI FailingProfileType(DWORD* flags) {
    *flags = 2;
    return FALSE;
}

unsigned long Encryptable(const std::string& folder, unsigned long flags, std::string* offending = nullptr) {
    char file[MAX_PATH];
    std::memset(file, 0, sizeof file);
    unsigned long code = ZRPCFUNC_IsFolderEncryptable(folder.c_str(), file, flags);
    if (offending) *offending = file;
    return code;
}

class FolderRules : public ::testing::Test {
  protected:
    void SetUp() override {
        ZRPCTEST_SetProfileTypeSource(nullptr);
        char unique[40];
        std::snprintf(unique, sizeof unique, "zrpc-rules-%lu", GetCurrentProcessId());
        documentsSub = Special(CSIDL_PERSONAL) + "\\" + unique;
        desktopSub = Special(CSIDL_DESKTOPDIRECTORY) + "\\" + unique;
        ASSERT_TRUE(MakeDir(documentsSub));
        ASSERT_TRUE(MakeDir(desktopSub));
        tree = zt::MakeTempDir("rules");
    }
    void TearDown() override {
        ZRPCTEST_SetProfileTypeSource(nullptr);
        zt::RemoveTree(documentsSub);
        zt::RemoveTree(desktopSub);
        zt::RemoveTree(tree);
    }
    std::string Dir(const std::string& relative) {
        std::string path = tree + "\\" + relative;
        EXPECT_TRUE(MakeDir(path)) << path;
        return path;
    }
    std::string documentsSub, desktopSub, tree;
};

TEST_F(FolderRules, SystemLocationsAndUserFolders) {
    std::string documents = Special(CSIDL_PERSONAL), desktop = Special(CSIDL_DESKTOPDIRECTORY);
    std::string common = Special(CSIDL_COMMON_DESKTOPDIRECTORY), programs = Special(CSIDL_PROGRAM_FILES);
    std::string profiles = common.substr(0, common.rfind('\\'));
    profiles = profiles.substr(0, profiles.rfind('\\'));
    ASSERT_EQ(0u, documents.find(profiles)) << "Wine names the user's documents below the profiles root";
    // The rules compare locations: where Wine makes the documents folder a link to the Linux home, it
    // lies outside the profiles root.
    const unsigned long documentsItself = BeginsWithNoCase(FinalPath(documents), profiles + "\\") ? 1 : 58;
    struct Case {
        std::string folder;
        unsigned long flags, expected;
    } cases[] = {
        {"C:\\", 0, 1},
        {"C:\\", 0x08 | 0x10, 1},
        {documentsSub, 0, 0},
        {documentsSub + "\\", 0, 0},
        {documentsSub + "\\deeper\\still", 0, 0},
        {desktopSub, 0, 0},
        {documents, 0, documentsItself}, // the documents folder itself, below the profiles root or not
        {documents + "\\", 0, documentsItself},
        {documents, 0x40, 58}, // ... and is nothing special without that rule
        {desktop, 0x40, 58},
        {common + "\\sub", 0, 1}, // the all-users desktop lies below the profiles root too
        {common + "\\sub", 0x40, 58},
        {profiles, 0, 1},
        {profiles + "2\\x", 0, 58}, // a sibling whose name begins the same way is no profile
        {programs, 0, 1},
        {programs + "\\Corvane+", 0x40, 1},
        {programs + "2", 0, 58},
        {Windows(), 0, 1},
        {Windows() + "\\system32", 0x40, 1},
        {tree, 0, 58},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Encryptable(c.folder, c.flags)) << c.folder << " " << c.flags;
}

// The system locations are compared as locations, not as spellings: every way of writing the Windows
// or program files folder (or a folder inside them) is one.
TEST_F(FolderRules, SystemLocationsInEverySpelling) {
    const std::string windows = Windows(), programs = Special(CSIDL_PROGRAM_FILES);
    std::string slashes = windows;
    for (char& c : slashes)
        if (c == '\\') c = '/';
    std::string upper = windows;
    CharUpperBuffA(&upper[0], (DWORD)upper.size());
    char shortName[MAX_PATH] = "";
    DWORD n = GetShortPathNameA(programs.c_str(), shortName, sizeof shortName);
    const std::string drive = windows.substr(0, 2);
    const std::string spellings[] = {
        slashes,
        slashes + "/system32",
        windows + ".",
        windows + "\\.",
        windows + "\\system32\\..",
        drive + "\\x\\..\\" + windows.substr(3),
        "\\\\?\\" + windows,
        "\\\\?\\" + windows + "\\system32",
        upper,
        drive + "\\.\\" + windows.substr(3) + "\\",
        programs + "\\Corvane+\\..",
    };
    for (const std::string& folder : spellings)
        EXPECT_EQ(1u, Encryptable(folder, 0x40)) << folder;
    if (n > 0 && n < sizeof shortName && programs != shortName) {
        EXPECT_EQ(1u, Encryptable(std::string(shortName) + "\\x", 0x40)) << shortName;
    }
    EXPECT_EQ(1u, Encryptable(tree + "\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..", 0))
        << "a drive root";
}

TEST_F(FolderRules, DriveTypesAcceptTheirRootsOnlyWhenAsked) {
    ASSERT_EQ((UINT)DRIVE_REMOVABLE, GetDriveTypeA("R:\\")) << "./run sets up the test drives";
    ASSERT_EQ((UINT)DRIVE_CDROM, GetDriveTypeA("O:\\"));
    ASSERT_EQ((UINT)DRIVE_REMOTE, GetDriveTypeA("N:\\"));
    struct Case {
        const char* folder;
        unsigned long flags, expected;
    } cases[] = {
        {"R:\\", 0x08, 0},          {"R:\\", 0, 1},     {"R:\\", 0x10, 1}, {"O:\\", 0x08, 0},
        {"O:\\", 0x10, 1},          {"N:\\", 0x10, 0},  {"N:\\", 0x08, 1}, {"N:\\", 0x18 | 0x100, 0},
        {"C:\\", 0xFF00 | 0x08, 1}, {"R:\\", 0x100, 1}, // only the low byte of the flags counts
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Encryptable(c.folder, c.flags)) << c.folder << " " << c.flags;
}

TEST_F(FolderRules, TemporaryOrRoamingProfileInsideUserFolders) {
    ZRPCTEST_SetProfileTypeSource(FakeProfileType);
    struct Case {
        DWORD profile;
        unsigned long expected;
    } cases[] = {{0, 0}, {1, 75}, {2, 75}, {1 | 2, 75}, {4, 0}, {4 | 2, 75}};
    for (const Case& c : cases) {
        g_profileFlags = c.profile;
        EXPECT_EQ(c.expected, Encryptable(documentsSub, 0)) << c.profile;
        EXPECT_EQ(c.expected, Encryptable(desktopSub, 0)) << c.profile;
        EXPECT_EQ(58u, Encryptable(tree, 0)) << "elsewhere the profile does not matter";
    }
    ZRPCTEST_SetProfileTypeSource(FailingProfileType);
    EXPECT_EQ(0u, Encryptable(documentsSub, 0)) << "a failed query counts as a local profile";
}

TEST_F(FolderRules, ProtectedFolderBelowComesFirst) {
    Dir("a");
    Dir("a\\b");
    ASSERT_TRUE(zt::WriteFile(tree + "\\a\\b\\vktpdir.info", "m"));
    ASSERT_TRUE(zt::WriteFile(tree + "\\a\\setup.exe", "x"));
    EXPECT_EQ(59u, Encryptable(tree, 0x01));
    EXPECT_EQ(59u, Encryptable(tree, 0x01 | 0x04));
    EXPECT_EQ(58u, Encryptable(tree, 0));
    EXPECT_EQ(56u, Encryptable(tree, 0x04));
    // Before the drive, user-folder and system-location rules.
    std::string inDocuments = documentsSub + "\\p";
    ASSERT_TRUE(MakeDir(inDocuments));
    ASSERT_TRUE(zt::WriteFile(inDocuments + "\\vktpdir.info", "m"));
    EXPECT_EQ(59u, Encryptable(documentsSub, 0x01));
    EXPECT_EQ(0u, Encryptable(documentsSub, 0));
    // A protected folder inside a dot-named folder is not looked for; the folder's own marker does not count.
    std::string other = Dir("other");
    Dir("other\\.hidden");
    ASSERT_TRUE(zt::WriteFile(other + "\\.hidden\\vktpdir.info", "m"));
    ASSERT_TRUE(zt::WriteFile(other + "\\vktpdir.info", "m"));
    EXPECT_EQ(58u, Encryptable(other, 0x01));
}

TEST_F(FolderRules, SystemFilesInTheTree) {
    struct Case {
        const char* file; // relative to the tree
        unsigned long expected;
    } cases[] = {
        {"sub\\setup.EXE", 56},
        {"User32.DLL", 1},
        {"deep\\er\\KERNEL32.dll", 1},
        {"x\\win.com", 1},
        {"user.dll", 1},
        {"driver.SYS", 56},
        {"old.vxd", 56},
        {"db.mdb", 56},
        {"v.386", 56},
        {"lib.dll", 56},
        {"exe", 0},
        {"notes.exe.txt", 0},
        {"setup.exe_", 0},
        {".hidden\\tool.exe", 56},
    };
    for (const Case& c : cases) {
        std::string top = zt::MakeTempDir("sysfile");
        std::string file = top + "\\" + c.file;
        for (size_t slash = file.find('\\', top.size() + 1); slash != std::string::npos;
             slash = file.find('\\', slash + 1))
            MakeDir(file.substr(0, slash));
        ASSERT_TRUE(zt::WriteFile(file, "x")) << file;
        std::string offending = "untouched";
        unsigned long code = Encryptable(top, 0x04, &offending);
        EXPECT_EQ(c.expected ? c.expected : 58, code) << c.file;
        EXPECT_EQ(c.expected ? file : std::string(), offending) << c.file;
        EXPECT_EQ(58u, Encryptable(top, 0)) << "only with bit 0x04";
        EXPECT_EQ(c.expected ? c.expected : 58, ZRPCFUNC_IsFolderEncryptable(top.c_str(), nullptr, 0x05))
            << c.file;
        zt::RemoveTree(top);
    }
}

TEST_F(FolderRules, FilesOfAFolderComeBeforeItsSubfolders) {
    Dir("aaa");
    ASSERT_TRUE(zt::WriteFile(tree + "\\aaa\\first.dll", "x"));
    ASSERT_TRUE(zt::WriteFile(tree + "\\zzz.sys", "x"));
    std::string offending;
    EXPECT_EQ(56u, Encryptable(tree, 0x04, &offending));
    EXPECT_EQ(tree + "\\zzz.sys", offending);
    EXPECT_EQ(56u, Encryptable(tree, 0x05, &offending));
    EXPECT_EQ(tree + "\\zzz.sys", offending);
    // A core file found later does not change the first find.
    ASSERT_TRUE(zt::WriteFile(tree + "\\aaa\\user32.dll", "x"));
    EXPECT_EQ(56u, Encryptable(tree, 0x04, &offending));
}

TEST_F(FolderRules, SystemLocationWinsOverTheScan) {
    // Rules 7 and 8 come before the scan: the Windows folder answers 1 at once.
    char file[MAX_PATH] = "untouched";
    EXPECT_EQ(1u, ZRPCFUNC_IsFolderEncryptable(Windows().c_str(), file, 0x04));
    EXPECT_STREQ("untouched", file);
}

TEST_F(FolderRules, BadArguments) {
    EXPECT_EQ(3u, ZRPCFUNC_IsFolderEncryptable(nullptr, nullptr, 0));
    EXPECT_EQ(3u, ZRPCFUNC_IsFolderEncryptable("", nullptr, 0));
    std::string tooLong = tree + "\\" + std::string(300, 'x');
    EXPECT_EQ(3u, Encryptable(tooLong, 0x05));
    std::string exactly259(259 - tree.size() - 1, 'y');
    EXPECT_EQ(58u, Encryptable(tree + "\\" + exactly259, 0x05)) << "259 characters are a path like any other";
    EXPECT_EQ(3u, Encryptable(tree + "\\" + exactly259 + "y", 0x05)) << "260 are too many";
}

// Relative and drive-relative texts name the location the current folder gives them, and a link given
// as the folder names where it leads: the system locations are not escaped by another spelling.
TEST_F(FolderRules, RelativePathsAndLinksNameTheirLocations) {
    const std::string windows = Windows(), drive = windows.substr(0, 2);
    const std::string leaf = windows.substr(windows.rfind('\\') + 1);
    char saved[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof saved, saved);
    ASSERT_TRUE(SetCurrentDirectoryA((windows.substr(0, windows.rfind('\\')) + "\\").c_str()));
    struct Case {
        std::string folder;
        unsigned long expected;
    } relative[] = {
        {leaf, 1},         {leaf + "\\system32", 1},      {drive + leaf, 1},
        {".\\" + leaf, 1}, {"\\" + windows.substr(3), 1},
    };
    for (const Case& c : relative)
        EXPECT_EQ(c.expected, Encryptable(c.folder, 0x40)) << c.folder;
    ASSERT_TRUE(SetCurrentDirectoryA(windows.c_str()));
    EXPECT_EQ(1u, Encryptable(".", 0x40));
    EXPECT_EQ(1u, Encryptable("system32", 0x40));
    ASSERT_TRUE(SetCurrentDirectoryA(tree.c_str()));
    EXPECT_EQ(58u, Encryptable(".", 0x40));
    SetCurrentDirectoryA(saved);

    // Links inside the tree to the system locations, and to a folder inside the documents.
    struct LinkCase {
        std::string name, target;
        unsigned long expected;
    } links[] = {
        {"w", windows, 1},
        {"p", Special(CSIDL_PROGRAM_FILES), 1},
        {"d", documentsSub, 0},
    };
    for (const LinkCase& l : links) {
        const std::string link = tree + "\\" + l.name;
        if (!zt::MakeFolderLink(link, l.target)) GTEST_SKIP() << "no folder links on this platform";
        EXPECT_EQ(l.expected, Encryptable(link, 0x40)) << link << " -> " << l.target;
        EXPECT_EQ(l.expected, Encryptable(link + "\\sub", 0x40)) << link << " -> " << l.target;
        EXPECT_TRUE(zt::RemoveFolderLink(link)) << link;
    }
}

} // namespace
