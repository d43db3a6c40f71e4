// The folder scans (protected folders below, system files below) do not follow junctions or symbolic
// links: not out of the tree, and not round a loop back into it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"

namespace {

bool MakeDir(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

class ScanLinks : public ::testing::Test {
  protected:
    void SetUp() override {
        root = zt::MakeTempDir("scanlinks");
        outside = root + "\\outside";
        tree = root + "\\tree";
        ASSERT_TRUE(MakeDir(outside));
        ASSERT_TRUE(MakeDir(outside + "\\guarded"));
        ASSERT_TRUE(zt::WriteFile(outside + "\\guarded\\vktpdir.info", "m"));
        ASSERT_TRUE(zt::WriteFile(outside + "\\setup.exe", "x"));
        ASSERT_TRUE(MakeDir(tree));
        ASSERT_TRUE(MakeDir(tree + "\\a"));
        ASSERT_TRUE(zt::WriteFile(tree + "\\a\\notes.txt", "n"));
    }
    void TearDown() override {
        for (const std::string& l : links)
            EXPECT_TRUE(zt::RemoveFolderLink(l)) << l;
        zt::RemoveTree(root);
    }
    bool Link(const std::string& link, const std::string& target) {
        links.push_back(link);
        return zt::MakeFolderLink(link, target);
    }
    std::string root, outside, tree;
    std::vector<std::string> links;
};

TEST_F(ScanLinks, LinkOutOfTheTreeIsNotFollowed) {
    if (!Link(tree + "\\a\\out", outside)) GTEST_SKIP() << "no folder links on this platform";
    // Followed, the link would show a protected folder and a program below the tree.
    BOOL found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(tree.c_str(), &found));
    EXPECT_FALSE(found);
    char offending[MAX_PATH] = "untouched";
    for (unsigned long flags : {0x04ul, 0x05ul}) {
        EXPECT_EQ(58u, ZRPCFUNC_IsFolderEncryptable(tree.c_str(), offending, flags)) << flags;
        EXPECT_STREQ("untouched", offending);
    }
    // The same tree scanned through its real folder still finds what is there, and so does a scan
    // that starts at the link itself: only links met below the start are not followed.
    for (const std::string& start : {outside, tree + "\\a\\out"}) {
        found = FALSE;
        EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(start.c_str(), &found)) << start;
        EXPECT_TRUE(found) << start;
        EXPECT_EQ(56u, ZRPCFUNC_IsFolderEncryptable(start.c_str(), offending, 0x04)) << start;
    }
}

// Two links back up the tree: followed, the scans would run until the paths reach 259 characters,
// branching twice at every level.
TEST_F(ScanLinks, LoopsEndAtOnce) {
    if (!Link(tree + "\\a\\up", tree) || !Link(tree + "\\a\\again", tree + "\\a"))
        GTEST_SKIP() << "no folder links on this platform";
    DWORD start = GetTickCount();
    BOOL found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(tree.c_str(), &found));
    EXPECT_FALSE(found);
    EXPECT_EQ(58u, ZRPCFUNC_IsFolderEncryptable(tree.c_str(), nullptr, 0x05));
    DWORD spent = GetTickCount() - start;
    EXPECT_LT(spent, 10000u) << "the scans followed the loops";
}

} // namespace
