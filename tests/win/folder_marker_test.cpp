// Marker-file queries, the parent and child searches, slow paths and over-long paths, on real folders
// (the test drives R: removable, N: network and O: optical are set up by ./run).
// ctest-lock: folderdrives registry
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"

namespace {

const char kMarker[] = "vktpdir.info";

bool MakeDir(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

void Protect(const std::string& folder, const std::string& record = std::string(127, 'M')) {
    ASSERT_TRUE(zt::WriteFile(folder + "\\" + kMarker, record)) << folder;
}

class FolderMarker : public ::testing::Test {
  protected:
    void SetUp() override { root = zt::MakeTempDir("marker"); }
    void TearDown() override { zt::RemoveTree(root); }
    // Makes root\a\b\c... and returns the full path.
    std::string Dirs(const std::string& relative) {
        std::string path = root;
        size_t start = 0;
        while (start <= relative.size()) {
            size_t end = relative.find('\\', start);
            if (end == std::string::npos) end = relative.size();
            path += "\\" + relative.substr(start, end - start);
            EXPECT_TRUE(MakeDir(path)) << path;
            start = end + 1;
        }
        return path;
    }
    std::string root;
};

TEST_F(FolderMarker, MarkerFileDecidesWithOrWithoutTrailingBackslash) {
    std::string plain = Dirs("plain"), marked = Dirs("marked"), dirMarked = Dirs("dirmarked");
    Protect(marked);
    ASSERT_TRUE(MakeDir(dirMarked + "\\" + kMarker)); // a subfolder of that name counts too
    zt::WriteFile(plain + "\\vktpdir.inf", "not quite");
    struct Case {
        std::string folder;
        BOOL expected;
    } cases[] = {
        {plain, FALSE},
        {plain + "\\", FALSE},
        {marked, TRUE},
        {marked + "\\", TRUE},
        {dirMarked, TRUE},
        {dirMarked + "\\", TRUE},
        {root + "\\missing", FALSE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected != FALSE, ZRPCFUNC_IsFolderProtected(c.folder.c_str()) != FALSE) << c.folder;
        EXPECT_EQ(c.expected != FALSE, ZRPCFUNC_IsFolderProtectedEx(c.folder.c_str(), nullptr) != FALSE)
            << c.folder;
    }
    EXPECT_FALSE(ZRPCFUNC_IsFolderProtected(nullptr));
}

TEST_F(FolderMarker, ExtendedQueryHandsOverTheRecord) {
    std::string full = Dirs("full"), shortOne = Dirs("short"), held = Dirs("held"), asDir = Dirs("asdir");
    std::string record;
    for (int i = 0; i < 200; ++i)
        record += (char)(i * 7 + 1);
    Protect(full, record);
    Protect(shortOne, "only ten b");
    Protect(held);
    ASSERT_TRUE(MakeDir(asDir + "\\" + kMarker));

    unsigned char out[127];
    std::memset(out, 0xEE, sizeof out);
    EXPECT_TRUE(ZRPCFUNC_IsFolderProtectedEx(full.c_str(), out));
    EXPECT_EQ(0, std::memcmp(out, record.data(), 127)) << "the first 127 bytes of the marker";

    std::memset(out, 0xEE, sizeof out);
    EXPECT_TRUE(ZRPCFUNC_IsFolderProtectedEx(shortOne.c_str(), out));
    EXPECT_EQ(std::string(127, '\0'), std::string((char*)out, 127)) << "a short marker gives a zeroed record";

    // A marker that another handle holds without sharing cannot be opened: still protected, record kept.
    HANDLE h =
        CreateFileA((held + "\\" + kMarker).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    std::memset(out, 0xEE, sizeof out);
    EXPECT_TRUE(ZRPCFUNC_IsFolderProtectedEx(held.c_str(), out));
    EXPECT_EQ(std::string(127, '\xEE'), std::string((char*)out, 127));
    CloseHandle(h);

    // A marker that is a folder cannot be read as a file either.
    std::memset(out, 0xEE, sizeof out);
    EXPECT_TRUE(ZRPCFUNC_IsFolderProtectedEx(asDir.c_str(), out));
    EXPECT_EQ(std::string(127, '\xEE'), std::string((char*)out, 127));

    // Not protected: false and the record untouched.
    std::memset(out, 0xEE, sizeof out);
    EXPECT_FALSE(ZRPCFUNC_IsFolderProtectedEx(root.c_str(), out));
    EXPECT_EQ(std::string(127, '\xEE'), std::string((char*)out, 127));
}

TEST_F(FolderMarker, ParentWalkLooksAtAncestorsOnly) {
    std::string c = Dirs("a\\b\\c");
    std::string a = root + "\\a", b = a + "\\b";
    EXPECT_FALSE(ZRPCFUNC_HasProtectedParent(c.c_str()));
    Protect(c);
    EXPECT_FALSE(ZRPCFUNC_HasProtectedParent(c.c_str())) << "the path itself is not examined";
    Protect(a);
    struct Case {
        std::string path;
        BOOL expected;
    } cases[] = {
        {c, TRUE}, {c + "\\", TRUE}, {c + "\\file.txt", TRUE}, {b, TRUE}, {a, FALSE}, {a + "\\", FALSE},
    };
    for (const Case& k : cases)
        EXPECT_EQ(k.expected != FALSE, ZRPCFUNC_HasProtectedParent(k.path.c_str()) != FALSE) << k.path;
    EXPECT_FALSE(ZRPCFUNC_HasProtectedParent(nullptr));
    EXPECT_FALSE(ZRPCFUNC_HasProtectedParent("nobackslash"));
}

// The walk goes up to the drive root; a UNC path's walk ends at its share and never falls back on the
// root of the current drive.
TEST(FolderMarkerDrive, ParentWalkReachesTheDriveRootButNotPastAShare) {
    ASSERT_EQ((UINT)DRIVE_REMOVABLE, GetDriveTypeA("R:\\")) << "./run sets up the test drives";
    std::string rootMarker = std::string("R:\\") + kMarker;
    ASSERT_TRUE(zt::WriteFile(rootMarker, "root"));
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    ASSERT_TRUE(SetCurrentDirectoryA("R:\\"));

    EXPECT_TRUE(ZRPCFUNC_HasProtectedParent("R:\\x"));
    EXPECT_TRUE(ZRPCFUNC_HasProtectedParent("R:\\x\\y\\z"));
    EXPECT_TRUE(ZRPCFUNC_HasProtectedParent("\\a\\b")) << "a rooted path ends at the current drive's root";
    EXPECT_FALSE(ZRPCFUNC_HasProtectedParent("\\\\server\\share\\a\\b"));
    EXPECT_FALSE(ZRPCFUNC_HasProtectedParent("\\\\server\\share"));

    SetCurrentDirectoryA(saved);
    DeleteFileA(rootMarker.c_str());
    EXPECT_FALSE(ZRPCFUNC_HasProtectedParent("R:\\x"));
}

// A file directly in a drive root is searched from that root ("R:\\"), not from "R:", which names the
// drive's current folder.
TEST(FolderMarkerDrive, ChildSearchOfAFileInADriveRootListsTheRoot) {
    ASSERT_EQ((UINT)DRIVE_REMOVABLE, GetDriveTypeA("R:\\")) << "./run sets up the test drives";
    const std::string guarded = "R:\\rootsearch", elsewhere = "R:\\rootsearch-cwd",
                      file = "R:\\rootsearch.txt";
    ASSERT_TRUE(MakeDir(guarded));
    ASSERT_TRUE(MakeDir(elsewhere));
    Protect(guarded);
    ASSERT_TRUE(zt::WriteFile(file, "f"));
    // The current folder of a drive other than the current one is the process's "=R:" variable.
    ASSERT_TRUE(SetEnvironmentVariableA("=R:", elsewhere.c_str()))
        << "R:'s current folder holds nothing protected";
    char current[MAX_PATH] = "";
    GetFullPathNameA("R:", sizeof current, current, nullptr);
    ASSERT_STREQ((elsewhere + "\\").c_str(), current);

    BOOL found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(file.c_str(), &found));
    EXPECT_TRUE(found);
    found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild("R:\\missing.txt", &found)) << "a missing file in the root too";
    EXPECT_TRUE(found);
    SetEnvironmentVariableA("=R:", nullptr);
    DeleteFileA(file.c_str());
    zt::RemoveTree(guarded);
    zt::RemoveTree(elsewhere);
}

TEST_F(FolderMarker, ChildSearchFindsDeepProtectionAndSkipsDotFolders) {
    std::string deep = Dirs("one\\two\\three");
    Dirs("other\\x");
    BOOL found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(root.c_str(), &found));
    EXPECT_FALSE(found);

    Protect(deep);
    found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(root.c_str(), &found));
    EXPECT_EQ(1, found);
    found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild((root + "\\").c_str(), &found));
    EXPECT_EQ(1, found);
    found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(deep.c_str(), &found));
    EXPECT_FALSE(found) << "the folder's own marker is not below it";

    // The folder of a file is searched.
    ASSERT_TRUE(zt::WriteFile(root + "\\file.txt", "x"));
    found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild((root + "\\file.txt").c_str(), &found));
    EXPECT_EQ(1, found);
}

TEST_F(FolderMarker, ChildSearchDoesNotEnterDotFolders) {
    std::string hidden = Dirs(".hidden\\inner"), dotted = Dirs("..dots");
    Protect(hidden);
    Protect(dotted);
    Protect(root + "\\.hidden");
    BOOL found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(root.c_str(), &found));
    EXPECT_FALSE(found);
    // The file system ignores case: so does every marker question.
    std::string upper = Dirs("upper\\inner");
    ASSERT_TRUE(zt::WriteFile(upper + "\\VKTPDIR.INFO", "m"));
    EXPECT_TRUE(ZRPCFUNC_IsFolderProtected(upper.c_str()));
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild((root + "\\upper").c_str(), &found));
    EXPECT_EQ(1, found);
    found = FALSE;
    zt::RemoveTree(root + "\\upper");
    // A marker in a folder whose name merely contains a dot still counts.
    std::string named = Dirs("name.with.dots");
    Protect(named);
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(root.c_str(), &found));
    EXPECT_EQ(1, found);
}

TEST_F(FolderMarker, ChildSearchArguments) {
    BOOL found = 7;
    EXPECT_FALSE(ZRPCFUNC_HasProtectedChild(nullptr, &found));
    EXPECT_FALSE(ZRPCFUNC_HasProtectedChild(root.c_str(), nullptr));
    EXPECT_FALSE(ZRPCFUNC_HasProtectedChild((root + "\\missing\\").c_str(), &found));
    EXPECT_EQ(7, found) << "left alone when the folder cannot be listed";
    found = 1;
    Dirs("plain");
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(root.c_str(), &found));
    EXPECT_EQ(1, found) << "never cleared";
}

TEST(FolderSlowPath, NetworkUncShortAndNullPathsAreSlow) {
    ASSERT_EQ((UINT)DRIVE_REMOTE, GetDriveTypeA("N:\\")) << "./run sets up the test drives";
    std::string local = zt::ProgramDir();
    struct Case {
        const char* path;
        BOOL expected;
    } cases[] = {
        {nullptr, TRUE},        {"", TRUE},      {"C:", TRUE},      {"\\\\server\\share\\dir", TRUE},
        {"\\\\server", TRUE},   {"N:\\", TRUE},  {"N:\\dir", TRUE}, {"C:\\", FALSE},
        {"C:\\windows", FALSE}, {"R:\\", FALSE}, {"O:\\x", FALSE},  {local.c_str(), FALSE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected != FALSE, ZRPCFUNC_IsSlowPath(c.path) != FALSE) << (c.path ? c.path : "(null)");
}

// Paths whose built form would pass 259 characters are refused, never cut down: a cut-down marker
// path below would name the file "vktpdir.inf" that lies there.
TEST_F(FolderMarker, OverlongBuiltPathsAreRefusedNotTruncated) {
    std::string deep = root;
    while (deep.size() + 21 < 235) {
        deep += "\\" + std::string(20, 'd');
        ASSERT_TRUE(MakeDir(deep)) << deep;
    }
    // deep + "\" + name is exactly 247 characters: its marker path is 260, one too many.
    std::string name(246 - deep.size(), 'n');
    std::string folder = deep + "\\" + name;
    ASSERT_EQ(247u, folder.size());
    ASSERT_TRUE(MakeDir(folder));
    ASSERT_TRUE(zt::WriteFile(folder + "\\vktpdir.inf", "truncated marker name"));
    ASSERT_EQ(259u, (folder + "\\vktpdir.inf").size());

    EXPECT_FALSE(ZRPCFUNC_IsFolderProtected(folder.c_str()));
    unsigned char record[127];
    std::memset(record, 0xEE, sizeof record);
    EXPECT_FALSE(ZRPCFUNC_IsFolderProtectedEx(folder.c_str(), record));
    EXPECT_EQ(std::string(127, '\xEE'), std::string((char*)record, 127));
    EXPECT_FALSE(ZRPCFUNC_HasProtectedParent((folder + "\\x").c_str()));
    // The child search does not take the folder for protected either (its marker path does not fit).
    BOOL found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(deep.c_str(), &found));
    EXPECT_FALSE(found);

    std::string tooLong = deep + "\\" + std::string(300, 'x');
    EXPECT_FALSE(ZRPCFUNC_IsFolderProtected(tooLong.c_str()));
    EXPECT_FALSE(ZRPCFUNC_HasProtectedParent(tooLong.c_str()));
    EXPECT_FALSE(ZRPCFUNC_HasProtectedChild(tooLong.c_str(), &found));
}

TEST_F(FolderMarker, ToolAnswersOnRealFolders) {
    std::string top = Dirs("tool\\inner");
    Protect(top);
    std::string out;
    std::string zrpc = "\"" + zt::ProgramDir() + "\\zrpc.exe\" folder ";
    EXPECT_EQ(0, zt::RunProgram(zrpc + "protected \"" + top + "\"", &out));
    EXPECT_NE(std::string::npos, out.find("protected: yes")) << out;
    EXPECT_EQ(0, zt::RunProgram(zrpc + "child \"" + root + "\\tool\"", &out));
    EXPECT_NE(std::string::npos, out.find("protected child: yes")) << out;
    EXPECT_EQ(0, zt::RunProgram(zrpc + "parent \"" + top + "\\x\"", &out));
    EXPECT_NE(std::string::npos, out.find("protected parent: yes")) << out;
    EXPECT_EQ(0, zt::RunProgram(zrpc + "encryptable \"" + root + "\\tool\" --flags 1", &out));
    EXPECT_EQ(0u, out.find("59: a protected folder lies below")) << out;
    EXPECT_EQ(0, zt::RunProgram(zrpc + "slow \\\\server\\share", &out));
    EXPECT_NE(std::string::npos, out.find("slow path: yes")) << out;
    EXPECT_EQ(13, zt::RunProgram(zrpc + "filter-flags", &out)) << "no filter device under Wine";
}

} // namespace
