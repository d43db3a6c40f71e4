// The key store under several processes: a writer killed at many moments of its save leaves the store
// whole (old or new content), and two processes adding keys at once lose none.
// ctest-lock: keystore registry display
#include "tests/win/keystore_testing.h"

#include <set>

namespace {

using kst::Read;
using kst::StoreFile;

// A store of count keys from first on, in the form a store has after it was read back once.
std::string BigStore(uint32_t first, uint32_t count) {
    std::string text = "<backupdatabase>\n";
    for (uint32_t s = first; s < first + count; ++s) {
        char head[96];
        std::snprintf(head, sizeof head, "\t<publickey serial=\"%08X\" name=\"key %08X\">\n\t\t<packet>",
                      (unsigned)s, (unsigned)s);
        text += head;
        text += Collapsed(kst::UpdateText(kst::PublicKeyPacket(s, "k")));
        text += "</packet>\n\t</publickey>\n";
    }
    return text + "</backupdatabase>\n";
}

// Starts a program of the test folder; with saved, its standard output comes through that pipe.
HANDLE Start(const std::string& commandLine, HANDLE* saved = nullptr) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE writeEnd = nullptr;
    if (saved && !CreatePipe(saved, &writeEnd, &sa, 0)) return nullptr;
    if (saved) SetHandleInformation(*saved, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (saved) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = writeEnd;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi = {};
    std::string cmd = zt::ProgramDir() + "\\" + commandLine;
    std::vector<char> buffer(cmd.begin(), cmd.end());
    buffer.push_back(0);
    BOOL ok = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, saved != nullptr, 0, nullptr,
                             zt::ProgramDir().c_str(), &si, &pi);
    if (writeEnd) CloseHandle(writeEnd);
    if (!ok) return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Reads the pipe until the program has printed its first line (or ended); true when it did.
bool FirstLine(HANDLE pipe) {
    char c = 0;
    DWORD got = 0;
    while (ReadFile(pipe, &c, 1, &got, nullptr) && got)
        if (c == '\n') return true;
    return false;
}

DWORD Finish(HANDLE process, DWORD timeoutMs) {
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    else
        TerminateProcess(process, 99);
    CloseHandle(process);
    return code;
}

class KeyStoreProcesses : public kst::StoreTest {};

TEST_F(KeyStoreProcesses, WriterKilledAtAnyMomentLeavesTheOldOrTheNewStore) {
    const std::string initial = BigStore(0x10, 3000);
    WriteStore(initial);
    const std::string a(200, 'a'), b = "b";
    // The only contents the store may ever have: as it was, with comment a, with comment b.
    ASSERT_EQ(zt::RunProgram("keystore_worker.exe comment 10 " + a), 0);
    const std::string withA = Read(StoreFile());
    ASSERT_EQ(zt::RunProgram("keystore_worker.exe comment 10 " + b), 0);
    const std::string withB = Read(StoreFile());
    ASSERT_NE(withA, withB);
    WriteStore(initial);

    int midSave = 0;
    std::set<int> states;
    for (int i = 0; i < 24; ++i) {
        // Kills at moments chosen by what the writer has done, not by the clock alone, so that they
        // fall where they should however fast this machine runs the writer.
        HANDLE saved = nullptr;
        HANDLE writer =
            Start("keystore_worker.exe comments 10 " + a + " " + b, i % 3 == 0 ? &saved : nullptr);
        ASSERT_NE(writer, nullptr);
        if (i % 3 == 0) {
            // After its first change, somewhere in a later one.
            EXPECT_TRUE(FirstLine(saved)) << "the writer ended before its first change (" << i << ")";
            CloseHandle(saved);
            Sleep(7 * i);
        } else if (i % 3 == 1) {
            // At a moment of the clock: while starting, loading or saving.
            Sleep(150 + 31 * i);
        } else {
            // The moment its new store file appears: in the middle of a save however fast saves are.
            for (DWORD start = GetTickCount(); kst::TempFiles().empty() && GetTickCount() - start < 120000;)
                Sleep(0);
        }
        TerminateProcess(writer, 77);
        EXPECT_EQ(Finish(writer, 10000), 77u) << "killed while still writing (" << i << ")";
        const std::string now = Read(StoreFile());
        int state = now == initial ? 0 : now == withA ? 1 : now == withB ? 2 : -1;
        ASSERT_NE(state, -1) << "torn store after kill " << i << ": " << now.size() << " bytes";
        states.insert(state);
        if (!kst::TempFiles().empty()) ++midSave;
    }
    EXPECT_GE(midSave, 1) << "no kill fell inside a save";
    EXPECT_TRUE(states.count(1) || states.count(2)) << "the writer never completed a change";

    // A writer that died holding the lock does not stop the next change.
    EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x10, const_cast<char*>("after")), 0u);
    char comment[ZRPC_DB_NOTE_MAX + 1] = "";
    EXPECT_EQ(ZRPCFUNC_DB_GetComments(0x10, comment), 0u);
    EXPECT_STREQ(comment, "after");
    // ... and the next writer clears away what the killed ones left.
    EXPECT_TRUE(kst::TempFiles().empty());
}

TEST_F(KeyStoreProcesses, ConcurrentAddsLoseNoKey) {
    WriteStore(BigStore(0x10, 1000));
    HANDLE first = Start("keystore_worker.exe add 100000 40");
    HANDLE second = Start("keystore_worker.exe add 200000 40");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Finish(first, 300000), 0u);
    EXPECT_EQ(Finish(second, 300000), 0u);

    ASSERT_EQ(ZRPCFUNC_DB_Connect(), 0u);
    std::set<unsigned long> serials;
    unsigned long serial;
    unsigned char name[16];
    for (unsigned long rc = ZRPCFUNC_DB_GetFirstPublicKey(&serial, name); rc == 0;
         rc = ZRPCFUNC_DB_GetNextPublicKey(&serial, name))
        serials.insert(serial);
    EXPECT_EQ(serials.size(), 1080u);
    for (unsigned long i = 0; i < 40; ++i) {
        EXPECT_TRUE(serials.count(0x100000 + i)) << std::hex << 0x100000 + i;
        EXPECT_TRUE(serials.count(0x200000 + i)) << std::hex << 0x200000 + i;
    }
}

} // namespace

// Writers are kept apart by the store lock, so a change writes "TempStore.xml"; what a writer stopped
// in the middle of a save left is cleared away by the next change: "TempStore.xml", and the
// "TempStore.<process id>.xml" of earlier versions' writers that are gone.
TEST_F(KeyStoreProcesses, ChangesWriteTempStoreAndClearLeftovers) {
    WriteStore(BigStore(0x10, 3));
    // A writer that ended, and one that still runs (held before its first instruction).
    PROCESS_INFORMATION ended = {}, running = {};
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string cmd = zt::ProgramDir() + "\\keystore_worker.exe";
    for (PROCESS_INFORMATION* pi : {&ended, &running}) {
        std::vector<char> line(cmd.begin(), cmd.end());
        line.push_back(0);
        ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                                   pi == &running ? CREATE_SUSPENDED : 0, nullptr, zt::ProgramDir().c_str(),
                                   &si, pi));
        CloseHandle(pi->hThread);
    }
    WaitForSingleObject(ended.hProcess, 10000);
    for (DWORD pid : {ended.dwProcessId, running.dwProcessId}) {
        HANDLE f =
            CreateFileA(kst::OldTempFile(pid).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        CloseHandle(f);
    }
    ASSERT_TRUE(zt::WriteFile(kst::TempFile(), "<backupdatabase>\n\t<publickey serial=\"000000"));
    SetFileAttributesA(kst::TempFile().c_str(), FILE_ATTRIBUTE_READONLY);
    // Not a writer's file: a name that only looks alike.
    const std::string other = kst::InstallDir() + "TempStore.notes.xml";
    CloseHandle(CreateFileA(other.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

    EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x10, const_cast<char*>("one")), 0u);
    std::set<std::string> left;
    for (const std::string& name : kst::TempFiles())
        left.insert(name);
    EXPECT_EQ(left, (std::set<std::string>{"TempStore." + std::to_string(running.dwProcessId) + ".xml",
                                           "TempStore.notes.xml"}));
    EXPECT_FALSE(zt::FileExists(kst::TempFile())) << "the new file went into place";
    char comment[ZRPC_DB_NOTE_MAX + 1] = "";
    EXPECT_EQ(ZRPCFUNC_DB_GetComments(0x10, comment), 0u);
    EXPECT_STREQ(comment, "one");

    TerminateProcess(running.hProcess, 0);
    WaitForSingleObject(running.hProcess, 10000);
    CloseHandle(running.hProcess);
    CloseHandle(ended.hProcess);
    EXPECT_EQ(ZRPCFUNC_DB_SetComments(0x10, const_cast<char*>("two")), 0u);
    EXPECT_EQ(kst::TempFiles(), std::vector<std::string>{"TempStore.notes.xml"});
    DeleteFileA(other.c_str());
}
