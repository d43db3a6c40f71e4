// The folder scans that answer a rule question (protected folders below, system files below) follow
// junctions and symbolic links below their start, as they follow folders, and enter every folder once:
// a link round a loop back into the tree ends at once.
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

TEST_F(ScanLinks, LinksBelowTheStartAreFollowed) {
    if (!Link(tree + "\\a\\out", outside)) GTEST_SKIP() << "no folder links on this platform";
    // Through the link the tree holds a protected folder and a program.
    BOOL found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(tree.c_str(), &found));
    EXPECT_TRUE(found);
    char offending[MAX_PATH] = "untouched";
    EXPECT_EQ(59u, ZRPCFUNC_IsFolderEncryptable(tree.c_str(), offending, 0x05));
    EXPECT_EQ(56u, ZRPCFUNC_IsFolderEncryptable(tree.c_str(), offending, 0x04));
    EXPECT_EQ(tree + "\\a\\out\\setup.exe", std::string(offending)) << "named by the path it was met on";
    EXPECT_EQ(58u, ZRPCFUNC_IsFolderEncryptable(tree.c_str(), nullptr, 0)) << "no scan asked for";
    // The same found from the real folder, and from the link itself.
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

    // What lies beyond a loop, through another link, is still found.
    if (!Link(tree + "\\a\\zout", outside)) GTEST_SKIP() << "no folder links on this platform";
    found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(tree.c_str(), &found));
    EXPECT_TRUE(found);
    EXPECT_EQ(59u, ZRPCFUNC_IsFolderEncryptable(tree.c_str(), nullptr, 0x05));
    EXPECT_EQ(56u, ZRPCFUNC_IsFolderEncryptable(tree.c_str(), nullptr, 0x04));
}

} // namespace
