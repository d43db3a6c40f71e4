// Remote update files through the DLL: writers, readers, packet check, the target reader (ordinal 9)
// and the zrpc dlu commands.
#include <gtest/gtest.h>

#include "tests/common/ktfile_fixture.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"

namespace {

using ktfixture::kExpected14;
using ktfixture::Packet;

bool SamePacket(const _tNewTransferPacket* a, const _tNewTransferPacket& b) {
    return a && std::memcmp(a, &b, sizeof b) == 0;
}

ZRPC_ReadKTFileTargetFn TargetReader() {
    FARPROC proc =
        GetProcAddress(GetModuleHandleA("zrpcfunc.dll"), MAKEINTRESOURCEA(ZRPC_ORDINAL_READKTFILETARGET));
    return reinterpret_cast<ZRPC_ReadKTFileTargetFn>(reinterpret_cast<void*>(proc));
}

class KtFile : public ::testing::Test {
  protected:
    void SetUp() override { dir = zt::MakeTempDir("ktfile"); }
    void TearDown() override { zt::RemoveTree(dir); }
    std::string Path(const char* name) const { return dir + "\\" + name; }
    std::string dir;
};

TEST_F(KtFile, WrittenFileMatchesTheFixedLayoutAndReadsBack) {
    _tNewTransferPacket p = Packet(14);
    const std::string path = Path("issue.dlu");
    ASSERT_EQ(ZRPCFUNC_WriteKTFile(nullptr, &p, path.c_str(), "Receiver", 0x00C0FFEE), 0ul);
    std::string bytes;
    ASSERT_TRUE(zt::ReadFile(path, bytes));
    EXPECT_EQ(bytes, kExpected14);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(&p)[0], 0xA0); // the caller's packet is left scrambled

    _tNewTransferPacket* back = reinterpret_cast<_tNewTransferPacket*>(1);
    ASSERT_EQ(ZRPCFUNC_ReadKTFile(&back, path.c_str()), 0ul);
    EXPECT_TRUE(SamePacket(back, Packet(14)));
    ASSERT_NE(GlobalHandle(back), nullptr);
    EXPECT_GE(GlobalSize(GlobalHandle(back)), 377u);
    EXPECT_EQ(ZRPCFUNC_CheckKTValidatePacket(back, 14), 0ul);
    ZRPC_FreeGlobal(back);
}

TEST_F(KtFile, MemoryFileEqualsTheDiskFile) {
    for (uint32_t type : {12u, 14u}) {
        _tNewTransferPacket forDisk = Packet(type), forMemory = Packet(type);
        const std::string path = Path(type == 12 ? "pub.dlu" : "issue.dlu");
        ASSERT_EQ(ZRPCFUNC_WriteKTFile(nullptr, &forDisk, path.c_str(), "Name", 0x42), 0ul);
        char* text = nullptr;
        unsigned long length = 0;
        ASSERT_EQ(ZRPCFUNC_CreateMemKTFile(&forMemory, &text, &length, "Name", 0x42), 0ul);
        std::string disk;
        ASSERT_TRUE(zt::ReadFile(path, disk));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::string(text, length), disk);
        EXPECT_EQ(text[length], 0);
        EXPECT_GE(GlobalSize(GlobalHandle(text)), length + 1);
        EXPECT_EQ(std::memcmp(&forDisk, &forMemory, sizeof forDisk), 0); // both left scrambled alike

        _tNewTransferPacket* back = nullptr;
        ASSERT_EQ(ZRPCFUNC_ReadMemKTFile(&back, text, length), 0ul);
        EXPECT_TRUE(SamePacket(back, Packet(type)));
        ZRPC_FreeGlobal(back);
        ZRPC_FreeGlobal(text);
    }
}

TEST_F(KtFile, WritersRefuseOtherTypesAndBadArguments) {
    for (uint32_t type : {13u, 16u, 0u}) {
        _tNewTransferPacket p = Packet(type);
        const std::string path = Path("refused.dlu");
        EXPECT_EQ(ZRPCFUNC_WriteKTFile(nullptr, &p, path.c_str(), nullptr, 0), 3ul) << type;
        EXPECT_FALSE(zt::FileExists(path));
        char* text = reinterpret_cast<char*>(1);
        unsigned long length = 0;
        EXPECT_EQ(ZRPCFUNC_CreateMemKTFile(&p, &text, &length, nullptr, 0), 3ul) << type;
        EXPECT_EQ(text, nullptr);
        EXPECT_TRUE(SamePacket(&p, Packet(type))) << "packet touched";
    }
    _tNewTransferPacket p = Packet(12);
    EXPECT_EQ(ZRPCFUNC_WriteKTFile(nullptr, nullptr, Path("x.dlu").c_str(), nullptr, 0), 3ul);
    EXPECT_EQ(ZRPCFUNC_WriteKTFile(nullptr, &p, nullptr, nullptr, 0), 3ul);
    EXPECT_EQ(ZRPCFUNC_CreateMemKTFile(&p, nullptr, nullptr, nullptr, 0), 3ul);
    // A folder that does not exist: not created, packet untouched.
    EXPECT_EQ(ZRPCFUNC_WriteKTFile(nullptr, &p, Path("no\\such\\folder.dlu").c_str(), nullptr, 0), 2ul);
    EXPECT_TRUE(SamePacket(&p, Packet(12)));
}

TEST_F(KtFile, ReaderResultsAndOutPointer) {
    _tNewTransferPacket p = Packet(12);
    char* text = nullptr;
    unsigned long length = 0;
    ASSERT_EQ(ZRPCFUNC_CreateMemKTFile(&p, &text, &length, nullptr, 0), 0ul);
    const std::string good(text, length);
    ZRPC_FreeGlobal(text);
    const size_t begin = good.find("-- BEGIN"), end = good.find("-- END");

    const struct {
        const char* what;
        std::string data;
        unsigned long rc;
        bool blockHandedOut;
    } cases[] = {
        {"no first line", good.substr(48), 5, false},
        {"no begin marker", good.substr(0, begin) + good.substr(begin + 3), 1, false},
        {"no end marker", good.substr(0, end), 1, false},
        {"data ends inside a group", good.substr(0, end - 3) + "\r\n" + good.substr(end), 1, true},
        {"data too short for a packet", good.substr(0, begin + 25) + "QUJD\r\n" + good.substr(end), 5, false},
        {"binary", std::string("\0\x01\x02\xff", 4), 5, false},
        {"good", good, 0, true},
    };
    for (const auto& c : cases) {
        _tNewTransferPacket* out = reinterpret_cast<_tNewTransferPacket*>(1);
        EXPECT_EQ(ZRPCFUNC_ReadMemKTFile(&out, c.data.data(), (unsigned long)c.data.size()), c.rc) << c.what;
        EXPECT_EQ(out != nullptr, c.blockHandedOut) << c.what;
        if (out) {
            // A handed-out block always holds at least a whole packet.
            EXPECT_GE(GlobalSize(GlobalHandle(out)), 377u) << c.what;
            ZRPC_FreeGlobal(out);
        }
        const std::string path = Path("case.dlu");
        ASSERT_TRUE(zt::WriteFile(path, c.data));
        out = reinterpret_cast<_tNewTransferPacket*>(1);
        EXPECT_EQ(ZRPCFUNC_ReadKTFile(&out, path.c_str()), c.rc) << c.what << " (file)";
        EXPECT_EQ(out != nullptr, c.blockHandedOut) << c.what << " (file)";
        ZRPC_FreeGlobal(out);
    }

    _tNewTransferPacket* out = reinterpret_cast<_tNewTransferPacket*>(1);
    EXPECT_EQ(ZRPCFUNC_ReadMemKTFile(&out, nullptr, 10), 6ul);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<_tNewTransferPacket*>(1);
    EXPECT_EQ(ZRPCFUNC_ReadKTFile(&out, Path("missing.dlu").c_str()), 1ul);
    EXPECT_EQ(out, nullptr);
    // An empty file gives no data.
    ASSERT_TRUE(zt::WriteFile(Path("empty.dlu"), ""));
    out = reinterpret_cast<_tNewTransferPacket*>(1);
    EXPECT_EQ(ZRPCFUNC_ReadKTFile(&out, Path("empty.dlu").c_str()), 6ul);
    EXPECT_EQ(out, nullptr);
}

TEST_F(KtFile, ReaderOpensWithoutSharing) {
    _tNewTransferPacket p = Packet(12);
    const std::string path = Path("locked.dlu");
    ASSERT_EQ(ZRPCFUNC_WriteKTFile(nullptr, &p, path.c_str(), nullptr, 0), 0ul);
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    _tNewTransferPacket* out = nullptr;
    EXPECT_EQ(ZRPCFUNC_ReadKTFile(&out, path.c_str()), 1ul);
    EXPECT_EQ(out, nullptr);
    CloseHandle(writer);
    EXPECT_EQ(ZRPCFUNC_ReadKTFile(&out, path.c_str()), 0ul);
    ZRPC_FreeGlobal(out);
}

TEST(KtPacketCheck, Rules) {
    _tNewTransferPacket p = Packet(12);
    EXPECT_EQ(ZRPCFUNC_CheckKTValidatePacket(nullptr, 12), 3ul);
    EXPECT_EQ(ZRPCFUNC_CheckKTValidatePacket(&p, 12), 0ul);
    EXPECT_EQ(ZRPCFUNC_CheckKTValidatePacket(&p, 14), 5ul);
    p.type = 77;
    EXPECT_EQ(ZRPCFUNC_CheckKTValidatePacket(&p, 0xFFFFFFFFul), 0ul);
    p.version = 0x00010007;
    EXPECT_EQ(ZRPCFUNC_CheckKTValidatePacket(&p, 0xFFFFFFFFul), 5ul);
    p = Packet(12);
    p.size = 0;
    EXPECT_EQ(ZRPCFUNC_CheckKTValidatePacket(&p, 12), 5ul);
}

TEST_F(KtFile, TargetReaderByOrdinal) {
    ZRPC_ReadKTFileTargetFn read = TargetReader();
    ASSERT_NE(read, nullptr);
    _tNewTransferPacket p = Packet(14);
    const std::string written = Path("issue.dlu");
    ASSERT_EQ(ZRPCFUNC_WriteKTFile(nullptr, &p, written.c_str(), "Bob", 0xDEADBEEF), 0ul);

    const struct {
        const char* what;
        std::string file; // empty: use the written file
        unsigned long rc;
        unsigned long target;
        std::string name;
    } cases[] = {
        {"written file", "", 0, 0xDEADBEEF, std::string("Bob\0\0\0\0-- BEGIN ", 16)},
        {"no TARGET", "NAME=Bob\r\n", 1, 0x55555555, std::string(16, '\x55')},
        {"TARGET= at the very end", "NAME=Al\nTARGET=", 0, 0, std::string("Al\0TARGET=\0\0\0\0\0\0", 16)},
        {"NAME= at the very end", "TARGET=0000abcdNAME=", 0, 0xABCD, std::string(16, '\0')},
        {"long name", "TARGET=1\r\nNAME=0123456789ABCDEFGHIJ\r\n", 0, 1, "0123456789ABCDEF"},
    };
    for (const auto& c : cases) {
        std::string path = written;
        if (!c.file.empty()) {
            path = Path("target.dlu");
            ASSERT_TRUE(zt::WriteFile(path, c.file));
        }
        char name[18];
        std::memset(name, 0x55, sizeof name);
        unsigned long target = 0x55555555;
        EXPECT_EQ(read(path.c_str(), name, &target), c.rc) << c.what;
        EXPECT_EQ(target, c.target) << c.what;
        EXPECT_EQ(std::string(name, 16), c.name) << c.what;
        EXPECT_EQ(name[16], 0x55) << c.what << ": 17th byte written";
    }

    char name[17] = {0};
    unsigned long target = 0;
    EXPECT_EQ(read(written.c_str(), nullptr, &target), 3ul);
    EXPECT_EQ(read(written.c_str(), name, nullptr), 3ul);
    EXPECT_EQ(read(Path("missing.dlu").c_str(), name, &target), 1ul);
}

TEST_F(KtFile, ToolWritesReadsAndRefusesToOverwrite) {
    _tNewTransferPacket p = Packet(14);
    const std::string packet = Path("packet.bin"), file = Path("tool.dlu"), back = Path("back.bin");
    ASSERT_TRUE(zt::WriteFile(packet, std::string(reinterpret_cast<char*>(&p), sizeof p)));

    std::string out;
    ASSERT_EQ(zt::RunProgram("zrpc.exe dlu write \"" + packet + "\" \"" + file +
                                 "\" --name Receiver --target C0FFEE",
                             &out),
              0)
        << out;
    std::string bytes;
    ASSERT_TRUE(zt::ReadFile(file, bytes));
    EXPECT_EQ(bytes, kExpected14);

    ASSERT_EQ(zt::RunProgram("zrpc.exe dlu read \"" + file + "\" --out \"" + back + "\"", &out), 0);
    EXPECT_NE(out.find("TYPE=0000000E"), std::string::npos) << out;
    EXPECT_NE(out.find("SERIAL=1234ABCD"), std::string::npos) << out;
    EXPECT_NE(out.find("NAME=Receiver token"), std::string::npos) << out;
    std::string decoded;
    ASSERT_TRUE(zt::ReadFile(back, decoded));
    EXPECT_EQ(decoded, std::string(reinterpret_cast<char*>(&p), sizeof p));

    ASSERT_EQ(zt::RunProgram("zrpc.exe dlu target \"" + file + "\"", &out), 0);
    EXPECT_NE(out.find("TARGET=00C0FFEE"), std::string::npos) << out;
    EXPECT_NE(out.find("NAME=Receiver"), std::string::npos) << out;

    EXPECT_EQ(zt::RunProgram("zrpc.exe dlu check \"" + back + "\" --type 14", &out), 0);
    EXPECT_EQ(zt::RunProgram("zrpc.exe dlu check \"" + back + "\" --type 12", &out), 5);

    // Existing output: refused with 20 (no question), unchanged; --force replaces it.
    EXPECT_EQ(zt::RunProgram("zrpc.exe dlu write \"" + packet + "\" \"" + file + "\"", &out), 20);
    ASSERT_TRUE(zt::ReadFile(file, bytes));
    EXPECT_EQ(bytes, kExpected14);
    EXPECT_EQ(zt::RunProgram("zrpc.exe dlu write \"" + packet + "\" \"" + file + "\" --force", &out), 0);
    ASSERT_TRUE(zt::ReadFile(file, bytes));
    EXPECT_EQ(bytes.find("TARGET="), std::string::npos);
}

} // namespace
