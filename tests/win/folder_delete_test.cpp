// Deletion of protected folder trees, checked on real folders and on the filter stand-in's record of
// what the library told the filter; the file-in-use test; the unsupported copy and move.
// The deletion's two debugging message boxes are answered from another thread.
// ctest-lock: display
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "standins/filter/filterstandin.h"
#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"
#include "zrpctest.h"

namespace {

const char kMarker[] = "vktpdir.info";

bool MakeDir(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}
bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
// The "\\?\" form of a path (ASCII), which is not held to 260 characters.
std::wstring Long(const std::string& path) {
    return L"\\\\?\\" + std::wstring(path.begin(), path.end());
}

class FolderDelete : public ::testing::Test {
  protected:
    void SetUp() override {
        root = zt::MakeTempDir("delete");
        ASSERT_TRUE(filter.Install());
    }
    void TearDown() override {
        filter.Uninstall();
        EXPECT_TRUE(filter.Faults().empty()) << ::testing::PrintToString(filter.Faults());
        zt::RemoveTree(root);
    }
    // root\relative as a folder, protected or not, with a file in it.
    std::string Folder(const std::string& relative, bool isProtected, bool withFile = true) {
        std::string path = root + "\\" + relative;
        EXPECT_TRUE(MakeDir(path)) << path;
        if (isProtected) {
            EXPECT_TRUE(zt::WriteFile(path + "\\" + kMarker, std::string(127, 'k')));
        }
        if (withFile) {
            EXPECT_TRUE(zt::WriteFile(path + "\\data.bin", "content"));
        }
        return path;
    }
    std::string Removed(const std::string& folder) { return "removed(" + folder + "\\)"; }

    std::string root;
    FilterStandIn filter;
};

TEST_F(FolderDelete, OnlyIfProtectedLeavesAnUnprotectedFolderAndTheFilterAlone) {
    std::string top = Folder("top", false);
    zt::BoxAnswerer boxes(IDOK);
    EXPECT_EQ(1u, ZRPCFUNC_DeleteEncryptedFolder(top.c_str(), 0x01, 0));
    EXPECT_TRUE(Exists(top + "\\data.bin"));
    EXPECT_EQ(0, filter.OpenCount());
    EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(FolderDelete, WithoutFlagsAnUnprotectedFolderIsKept) {
    std::string top = Folder("top", false);
    zt::BoxAnswerer boxes(IDOK);
    EXPECT_EQ(0u, ZRPCFUNC_DeleteEncryptedFolder(top.c_str(), 0, 0));
    EXPECT_TRUE(Exists(top + "\\data.bin"));
    EXPECT_EQ("open register begin end close", filter.Trace());
    EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(FolderDelete, MissingFilterTouchesNothing) {
    std::string top = Folder("top", true);
    filter.SetPresent(false);
    EXPECT_EQ(1u, ZRPCFUNC_DeleteEncryptedFolder(top.c_str(), 0, 0));
    EXPECT_TRUE(Exists(top + "\\" + kMarker));
    EXPECT_TRUE(Exists(top + "\\data.bin"));
    // The platform's own device does not exist under Wine either.
    filter.Uninstall();
    EXPECT_EQ(1u, ZRPCFUNC_DeleteEncryptedFolder(top.c_str(), 0x04, 0));
    EXPECT_TRUE(Exists(top + "\\" + kMarker));
}

TEST_F(FolderDelete, ProtectedTreeGoesInnermostFirst) {
    std::string top = Folder("top", true), a = Folder("top\\a", true), b = Folder("top\\a\\b", true);
    // Read-only files and a file whose name begins with a dot go too.
    ASSERT_TRUE(zt::WriteFile(b + "\\locked.txt", "r/o"));
    SetFileAttributesA((b + "\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(zt::WriteFile(top + "\\.profile", "dot"));
    SetFileAttributesA((top + "\\data.bin").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    zt::BoxAnswerer boxes(IDOK);

    // Given with a trailing backslash: announced with exactly one.
    EXPECT_EQ(0u, ZRPCFUNC_DeleteEncryptedFolder((top + "\\").c_str(), 0, 0));
    EXPECT_FALSE(Exists(top));
    EXPECT_EQ("open register begin " + Removed(b) + " " + Removed(a) + " " + Removed(top) + " end close",
              filter.Trace());
    for (const FilterStandIn::Event& e : filter.Events())
        if (e.kind == FilterStandIn::Event::FolderRemoved) {
            EXPECT_FALSE(e.pathExisted) << e.path;
        }
    EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(FolderDelete, PathWithoutTrailingBackslashIsAnnouncedWithOne) {
    std::string top = Folder("plain", true);
    EXPECT_EQ(0u, ZRPCFUNC_DeleteEncryptedFolder(top.c_str(), 0x01, 0));
    EXPECT_FALSE(Exists(top));
    EXPECT_EQ(std::vector<std::string>{top + "\\"}, filter.RemovedFolders());
}

TEST_F(FolderDelete, ForceQuietTakesUnprotectedSubfoldersAndAnnouncesEach) {
    std::string top = Folder("top", true);
    std::vector<std::string> folders = {top, Folder("top\\s1", false), Folder("top\\s1\\inner", false),
                                        Folder("top\\s2", false, false), Folder("top\\s3", true)};
    zt::BoxAnswerer boxes(IDOK);
    EXPECT_EQ(0u, ZRPCFUNC_DeleteEncryptedFolder(top.c_str(), 0x04, 0));
    EXPECT_FALSE(Exists(top));
    EXPECT_TRUE(boxes.Seen().empty());

    std::vector<std::string> removed = filter.RemovedFolders();
    ASSERT_EQ(folders.size(), removed.size()) << filter.Trace();
    std::set<std::string> expected;
    for (const std::string& f : folders)
        expected.insert(f + "\\");
    EXPECT_EQ(expected, std::set<std::string>(removed.begin(), removed.end()));
    // Every folder is announced after everything inside it.
    for (size_t i = 0; i < removed.size(); ++i)
        for (size_t j = i + 1; j < removed.size(); ++j)
            EXPECT_NE(0u, removed[j].find(removed[i])) << removed[i] << " announced before " << removed[j];
    EXPECT_EQ(top + "\\", removed.back());
}

// A walk that could not remove the folder answers 65, a code of its own: not 1, which says that nothing
// was touched (the filter missing, or an unprotected folder with bit 0x01), while here the marker and
// part of the content are gone.
TEST_F(FolderDelete, UnprotectedSubfolderStopsTheParentWithABox) {
    std::string top = Folder("top", true), sub = Folder("top\\sub", false);
    zt::BoxAnswerer boxes(IDOK);
    EXPECT_EQ(65u, ZRPCFUNC_DeleteEncryptedFolder(top.c_str(), 0, 0)) << "the top folder is still there";
    ASSERT_TRUE(boxes.WaitFor(1));
    std::vector<zt::SeenBox> seen = boxes.Seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(top, seen[0].title);
    EXPECT_EQ("Failed remove directory : 00000091", seen[0].text) << "ERROR_DIR_NOT_EMPTY";
    EXPECT_EQ(std::vector<std::string>{"OK"}, seen[0].buttons);

    EXPECT_TRUE(Exists(sub + "\\data.bin")) << "a subfolder without a marker stays";
    EXPECT_FALSE(Exists(top + "\\" + kMarker)) << "the marker goes first";
    EXPECT_FALSE(Exists(top + "\\data.bin"));
    EXPECT_EQ("open register begin end close", filter.Trace());
}

TEST_F(FolderDelete, UndeletableMarkerLeavesTheFolderWhole) {
    std::string top = Folder("top", true), sub = Folder("top\\sub", true);
    HANDLE held =
        CreateFileA((top + "\\" + kMarker).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    zt::BoxAnswerer boxes(IDOK);
    EXPECT_EQ(61u, ZRPCFUNC_DeleteEncryptedFolder(top.c_str(), 0, 0)) << "the marker is in use";
    CloseHandle(held);
    EXPECT_TRUE(Exists(top + "\\data.bin"));
    EXPECT_TRUE(Exists(sub + "\\" + kMarker));
    EXPECT_EQ("open register begin end close", filter.Trace());
    EXPECT_TRUE(boxes.Seen().empty());
}

// A folder that could not be removed: 65 with or without bit 0x04. Without it the filter is not told
// and a box says why; with it (force and quiet) the filter is told all the same, since the folder's
// marker is gone and it is no longer protected, and no box is shown.
TEST_F(FolderDelete, FileHeldOpenKeepsItsFolder) {
    struct Case {
        unsigned long flags;
        bool box, announced;
    } cases[] = {{0, true, false}, {0x04, false, true}};
    for (const Case& c : cases) {
        filter.Clear();
        std::string top = Folder("held", true);
        HANDLE held =
            CreateFileA((top + "\\data.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        zt::BoxAnswerer boxes(IDOK);
        EXPECT_EQ(65u, ZRPCFUNC_DeleteEncryptedFolder(top.c_str(), c.flags, 0)) << "a file in use stayed";
        if (c.box) {
            EXPECT_TRUE(boxes.WaitFor(1));
        }
        CloseHandle(held);
        EXPECT_TRUE(Exists(top + "\\data.bin"));
        EXPECT_FALSE(Exists(top + "\\" + kMarker)) << "the marker went first";
        EXPECT_EQ(c.box ? 1u : 0u, boxes.Seen().size()) << c.flags;
        EXPECT_EQ(c.announced ? std::vector<std::string>{top + "\\"} : std::vector<std::string>{},
                  filter.RemovedFolders())
            << c.flags;
        zt::RemoveTree(top);
    }
}

// Folders whose names begin with a dot are passed over, with all they hold; files whose names begin
// with a dot go. The folder holding them then cannot be removed: 65, and a box without bit 0x04.
TEST_F(FolderDelete, DotFoldersAreLeft) {
    for (unsigned long flags : {0x04ul, 0ul}) {
        filter.Clear();
        std::string top = Folder("top", true), dotted = Folder("top\\.keep", true),
                    dots = Folder("top\\..x", false), plain = Folder("top\\plain", true);
        ASSERT_TRUE(zt::WriteFile(top + "\\.profile", "dot"));
        zt::BoxAnswerer boxes(IDOK);
        EXPECT_EQ(65u, ZRPCFUNC_DeleteEncryptedFolder(top.c_str(), flags, 0)) << flags;
        EXPECT_TRUE(Exists(dotted + "\\" + kMarker)) << flags;
        EXPECT_TRUE(Exists(dotted + "\\data.bin")) << flags;
        EXPECT_TRUE(Exists(dots + "\\data.bin")) << flags;
        EXPECT_FALSE(Exists(plain)) << flags;
        EXPECT_FALSE(Exists(top + "\\.profile")) << flags;
        EXPECT_FALSE(Exists(top + "\\" + kMarker)) << flags;
        std::vector<std::string> removed = filter.RemovedFolders();
        if (flags & 0x04) {
            EXPECT_EQ((std::vector<std::string>{plain + "\\", top + "\\"}), removed);
            EXPECT_TRUE(boxes.Seen().empty());
        } else {
            EXPECT_EQ(std::vector<std::string>{plain + "\\"}, removed);
            ASSERT_TRUE(boxes.WaitFor(1));
            EXPECT_EQ(top, boxes.Seen()[0].title);
            EXPECT_EQ("Failed remove directory : 00000091", boxes.Seen()[0].text);
        }
        zt::RemoveTree(top);
    }
}

// A folder given with a path over 259 characters deletes nothing (a cut-down path there would name the
// protected parent). Entries below a folder are not held to 259 characters: one whose path passes it
// goes with the rest, under its whole name.
TEST_F(FolderDelete, OverlongPathsAreNeverCutDown) {
    std::string deep = root;
    while (deep.size() + 21 < 240) {
        deep += "\\" + std::string(20, 'd');
        ASSERT_TRUE(MakeDir(deep));
    }
    ASSERT_TRUE(zt::WriteFile(deep + "\\" + kMarker, "m"));
    std::string longName(262 - deep.size(), 'f');
    std::string longFile = deep + "\\" + longName;
    ASSERT_GT(longFile.size(), 259u);
    // A file whose name differs from the long one in its last letter only: a cut-down name would hit it.
    ASSERT_TRUE(zt::WriteFile(deep + "\\short.txt", "s"));
    HANDLE h = CreateFileW(Long(longFile).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);

    zt::BoxAnswerer boxes(IDOK);
    std::string beyond = deep + "\\" + std::string(40, 'x');
    for (unsigned long flags : {0ul, 0x04ul}) {
        EXPECT_EQ(3u, ZRPCFUNC_DeleteEncryptedFolder(beyond.c_str(), flags, 0)) << "refused";
        EXPECT_TRUE(Exists(deep + "\\" + kMarker)) << "the parent keeps its marker";
        EXPECT_TRUE(Exists(deep + "\\short.txt"));
    }
    EXPECT_TRUE(boxes.Seen().empty());

    EXPECT_EQ(0u, ZRPCFUNC_DeleteEncryptedFolder(deep.c_str(), 0, 0));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Long(longFile).c_str()));
    EXPECT_FALSE(Exists(deep));
    EXPECT_EQ(std::vector<std::string>{deep + "\\"}, filter.RemovedFolders());
    EXPECT_TRUE(boxes.Seen().empty());
}

// Every spelling of a drive or share root, and every text that is not a full path, is refused before
// anything is touched. The current folder lies on S:, a drive that ./run maps to a scratch folder of
// the build tree made for this test alone, so that a deletion that escaped would only empty that.
TEST_F(FolderDelete, RootsAndRelativePathsAreRefused) {
    if (GetDriveTypeA("S:\\") == DRIVE_NO_ROOT_DIR) GTEST_SKIP() << "scratch drive S: is not mapped";
    const std::string drive = "S:\\harden";
    zt::RemoveTree(drive);
    ASSERT_TRUE(MakeDir(drive));
    const std::string sentinel = drive + "\\sentinel", cwd = drive + "\\cwd";
    ASSERT_TRUE(MakeDir(sentinel));
    ASSERT_TRUE(MakeDir(cwd));
    for (const std::string& d : {std::string("S:"), drive, sentinel, cwd})
        ASSERT_TRUE(zt::WriteFile((d == "S:" ? std::string("S:") : d) + "\\" + kMarker, "m"));
    ASSERT_TRUE(zt::WriteFile(sentinel + "\\keep.txt", "keep"));
    char saved[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof saved, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(cwd.c_str()));
    char now[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof now, now);
    ASSERT_EQ('S', now[0]) << "the current folder must be on the scratch drive";

    zt::BoxAnswerer boxes(IDOK);
    const char* spellings[] = {"",
                               ".",
                               "..",
                               "cwd",
                               "harden\\cwd",
                               "\\harden",
                               "S:",
                               "S:cwd",
                               "S:\\",
                               "S:/",
                               "s:\\\\",
                               "S:\\.",
                               "S:\\harden\\..",
                               "S:\\harden\\cwd\\..\\..\\",
                               "S:/harden/..",
                               "\\\\?\\S:\\",
                               "\\\\.\\S:",
                               "\\\\server\\share",
                               "\\\\server\\share\\",
                               "\\\\server",
                               "//server/share/"};
    for (const char* path : spellings)
        for (unsigned long flags : {0x04ul, 0ul, 0x05ul}) {
            EXPECT_EQ(3u, ZRPCFUNC_DeleteEncryptedFolder(path, flags, 0)) << "\"" << path << "\" " << flags;
            ASSERT_TRUE(Exists(sentinel + "\\keep.txt")) << "\"" << path << "\" " << flags;
            ASSERT_TRUE(Exists(cwd + "\\" + kMarker)) << "\"" << path << "\" " << flags;
            ASSERT_TRUE(Exists(std::string("S:\\") + kMarker)) << "\"" << path << "\" " << flags;
        }
    EXPECT_EQ(0, filter.OpenCount()) << "the filter is not even opened";
    EXPECT_TRUE(boxes.Seen().empty());

    // A full path to a folder of the drive still goes.
    EXPECT_EQ(0u, ZRPCFUNC_DeleteEncryptedFolder("S:\\harden\\cwd\\..\\sentinel", 0x04, 0));
    EXPECT_FALSE(Exists(sentinel));
    EXPECT_TRUE(Exists(cwd));

    SetCurrentDirectoryA(saved);
    DeleteFileA((std::string("S:\\") + kMarker).c_str());
    zt::RemoveTree(drive);
}

// Links inside a protected tree, or given as the tree itself, are removed as links where the platform
// can remove a link, and left otherwise: what they point to is never touched.
class FolderDeleteLinks : public FolderDelete {
  protected:
    void SetUp() override {
        FolderDelete::SetUp();
        outside = Folder("outside", true);
        ASSERT_TRUE(zt::WriteFile(outside + "\\sentinel.txt", "keep"));
        Folder("outside\\inner", true);
    }
    void TearDown() override {
        for (const std::string& l : links)
            zt::RemoveFolderLink(l);
        FolderDelete::TearDown();
    }
    bool Link(const std::string& link, const std::string& target) {
        links.push_back(link);
        return zt::MakeFolderLink(link, target);
    }
    void ExpectOutsideWhole() {
        EXPECT_TRUE(Exists(outside + "\\sentinel.txt"));
        EXPECT_TRUE(Exists(outside + "\\" + kMarker));
        EXPECT_TRUE(Exists(outside + "\\data.bin"));
        EXPECT_TRUE(Exists(outside + "\\inner\\" + kMarker));
        EXPECT_TRUE(Exists(outside + "\\inner\\data.bin"));
    }
    std::string outside;
    std::vector<std::string> links;
};

TEST_F(FolderDeleteLinks, LinkInsideTheTreeIsNotFollowed) {
    std::string top = Folder("top", true);
    Folder("top\\sub", true);
    if (!Link(top + "\\sub\\out", outside)) GTEST_SKIP() << "no folder links on this platform";
    zt::BoxAnswerer boxes(IDOK);
    unsigned long rc = ZRPCFUNC_DeleteEncryptedFolder(top.c_str(), 0x04, 0);
    ExpectOutsideWhole();
    EXPECT_FALSE(Exists(top + "\\data.bin"));
    EXPECT_FALSE(Exists(top + "\\sub\\data.bin"));
    for (const std::string& f : filter.RemovedFolders())
        EXPECT_EQ(std::string::npos, f.find("outside")) << f;
    if (Exists(top + "\\sub\\out")) {
        // The platform could not remove the link itself (Wine with a Linux link): the folders holding it
        // stay, and that is reported.
        EXPECT_EQ(65u, rc);
    } else {
        EXPECT_EQ(0u, rc);
        EXPECT_FALSE(Exists(top));
    }
    EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(FolderDeleteLinks, LinkGivenAsTheTreeIsNotFollowed) {
    std::string link = root + "\\given";
    if (!Link(link, outside)) GTEST_SKIP() << "no folder links on this platform";
    zt::BoxAnswerer boxes(IDOK);
    for (unsigned long flags : {0x04ul, 0ul, 0x01ul}) {
        unsigned long rc = ZRPCFUNC_DeleteEncryptedFolder(link.c_str(), flags, 0);
        ExpectOutsideWhole();
        // Removed as a link (0), or, where the platform cannot remove a link itself, left (65).
        EXPECT_EQ(Exists(link) ? 65u : 0u, rc) << flags;
        EXPECT_TRUE(filter.RemovedFolders().empty()) << flags;
    }
    EXPECT_TRUE(boxes.Seen().empty());
}

// A link to a folder that is not protected is such a folder: without bits it is left as it is (0), with
// bit 0x01 the deletion answers 1 at once. Inside a tree the same holds for a link without bit 0x04.
TEST_F(FolderDeleteLinks, LinkToAnUnprotectedFolderIsLeftWithoutBits) {
    std::string plainTarget = Folder("plaintarget", false);
    std::string link = root + "\\toplain";
    if (!Link(link, plainTarget)) GTEST_SKIP() << "no folder links on this platform";
    zt::BoxAnswerer boxes(IDOK);
    EXPECT_EQ(0u, ZRPCFUNC_DeleteEncryptedFolder(link.c_str(), 0, 0));
    EXPECT_EQ("open register begin end close", filter.Trace());
    EXPECT_EQ(1u, ZRPCFUNC_DeleteEncryptedFolder(link.c_str(), 0x01, 0));
    EXPECT_TRUE(Exists(link));
    EXPECT_TRUE(Exists(plainTarget + "\\data.bin"));

    filter.Clear();
    std::string top = Folder("top", true);
    if (!Link(top + "\\inner", plainTarget)) GTEST_SKIP() << "no folder links on this platform";
    EXPECT_EQ(65u, ZRPCFUNC_DeleteEncryptedFolder(top.c_str(), 0, 0)) << "the link keeps its folder";
    EXPECT_TRUE(Exists(top + "\\inner"));
    EXPECT_TRUE(Exists(plainTarget + "\\data.bin"));
    EXPECT_FALSE(Exists(top + "\\data.bin"));
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(top, boxes.Seen()[0].title);
}

TEST(FolderFileInUse, SharingDecidesAndReadOnlyIsKept) {
    std::string dir = zt::MakeTempDir("inuse");
    std::string freeFile = dir + "\\free.txt", held = dir + "\\held.txt", readOnly = dir + "\\ro.txt",
                heldReadOnly = dir + "\\roheld.txt";
    for (const std::string& f : {freeFile, held, readOnly, heldReadOnly})
        ASSERT_TRUE(zt::WriteFile(f, "x"));
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(heldReadOnly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    // Another handle that lets everybody read and write still keeps an exclusive open out.
    HANDLE h1 = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    HANDLE h2 = CreateFileA(heldReadOnly.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h1);
    ASSERT_NE(INVALID_HANDLE_VALUE, h2);
    DWORD heldReadOnlyAttributes = GetFileAttributesA(heldReadOnly.c_str());

    struct Case {
        std::string file;
        unsigned long expected;
    } cases[] = {{freeFile, 0}, {held, 61}, {readOnly, 0}, {heldReadOnly, 61}, {dir + "\\missing.txt", 1}};
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ZRPCFUNC_IsFileInUse(c.file.c_str())) << c.file;
    EXPECT_EQ(1u, ZRPCFUNC_IsFileInUse(nullptr));

    EXPECT_EQ((DWORD)FILE_ATTRIBUTE_READONLY, GetFileAttributesA(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(heldReadOnlyAttributes, GetFileAttributesA(heldReadOnly.c_str()));
    CloseHandle(h1);
    CloseHandle(h2);
    zt::RemoveTree(dir);
}

TEST(FolderCopyMove, AreNotSupported) {
    typedef unsigned long (*Any)(const char*, const char*, unsigned long);
    EXPECT_EQ(13u, ZRPCFUNC_CopyEncryptedFolder());
    EXPECT_EQ(13u, ZRPCFUNC_MoveEncryptedFolder("C:\\a", "C:\\b", 7));
    HMODULE dll = GetModuleHandleA("zrpcfunc.dll");
    Any copy = reinterpret_cast<Any>(
        reinterpret_cast<void (*)()>(GetProcAddress(dll, "ZRPCFUNC_CopyEncryptedFolder")));
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(13u, copy(nullptr, "x", 1));
}

} // namespace
