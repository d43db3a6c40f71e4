// The overwrite question of ZRPCFUNC_WriteKTFile, answered from another thread.
// ctest-lock: display
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"

namespace {

_tNewTransferPacket Packet() {
    _tNewTransferPacket p;
    std::memset(&p, 0x33, sizeof p);
    p.size = 377;
    p.version = 0x00010006;
    p.type = 12;
    return p;
}

class KtQuestion : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = zt::MakeTempDir("ktquestion");
        path = dir + "\\existing.dlu";
        ASSERT_TRUE(zt::WriteFile(path, "old contents"));
    }
    void TearDown() override { zt::RemoveTree(dir); }
    std::string dir, path;
};

TEST_F(KtQuestion, CancelGives20AndLeavesFileAndPacket) {
    zt::BoxAnswerer answer(IDCANCEL);
    _tNewTransferPacket p = Packet();
    const _tNewTransferPacket before = p;
    EXPECT_EQ(ZRPCFUNC_WriteKTFile(nullptr, &p, path.c_str(), nullptr, 0), 20ul);
    std::string bytes;
    ASSERT_TRUE(zt::ReadFile(path, bytes));
    EXPECT_EQ(bytes, "old contents");
    EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);

    std::vector<zt::SeenBox> seen = answer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, "Corvane+");
    EXPECT_NE(seen[0].text.find(path), std::string::npos) << seen[0].text;
    EXPECT_EQ(seen[0].buttons.size(), 2u);
}

TEST_F(KtQuestion, OkReplacesTheFile) {
    zt::BoxAnswerer answer(IDOK);
    _tNewTransferPacket p = Packet();
    EXPECT_EQ(ZRPCFUNC_WriteKTFile(nullptr, &p, path.c_str(), nullptr, 0), 0ul);
    EXPECT_EQ(answer.Seen().size(), 1u);
    _tNewTransferPacket* back = nullptr;
    ASSERT_EQ(ZRPCFUNC_ReadKTFile(&back, path.c_str()), 0ul);
    const _tNewTransferPacket expected = Packet();
    EXPECT_EQ(std::memcmp(back, &expected, sizeof *back), 0);
    ZRPC_FreeGlobal(back);
}

TEST_F(KtQuestion, NoQuestionForANewFile) {
    zt::BoxAnswerer answer(IDCANCEL);
    _tNewTransferPacket p = Packet();
    EXPECT_EQ(ZRPCFUNC_WriteKTFile(nullptr, &p, (dir + "\\new.dlu").c_str(), nullptr, 0), 0ul);
    Sleep(200);
    EXPECT_TRUE(answer.Seen().empty());
}

} // namespace
