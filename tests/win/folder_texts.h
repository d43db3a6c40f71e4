// The folder exports with names in every script, as a client hands them in: 8-bit text in the code page
// the program runs with. Two programs run these cases: folder_texts_test, in the code page the machine
// gives (1252 here), and folder_texts_utf8_test, which declares UTF-8 as its code page in its manifest.
// Names the code page cannot hold are made with the platform's UTF-16 calls below a folder the client
// can name: the library meets them when it lists the folder.
#ifndef ZRPC_TESTS_FOLDER_TEXTS_H
#define ZRPC_TESTS_FOLDER_TEXTS_H

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "standins/filter/filterstandin.h"
#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"

namespace {

// The code page the program is meant to run with: 65001 (UTF-8) or 1252.
UINT ExpectedCodePage();

bool Utf8() {
    return GetACP() == CP_UTF8;
}

// Folder names in several scripts: Cyrillic, Greek, Chinese, an emoji (two UTF-16 units), and Latin
// letters with accents.
const wchar_t* const kNames[] = {L"\x0414\x043E\x043A\x0443\x043C\x0435\x043D\x0442\x044B", // Документы
                                 L"\x0395\x03BB\x03BB\x03B7\x03BD\x03B9\x03BA\x03AC", // Ελληνικά
                                 L"\x6587\x4EF6\x5939",                               // 文件夹
                                 L"\xD83D\xDCC1 Ordner",                              // 📁 Ordner
                                 L"caf\x00E9 \x00D1"
                                 L"and\x00FA"}; // café Ñandú

// The program's 8-bit form of a UTF-16 text; false when its code page cannot hold it exactly.
bool Ansi(const std::wstring& text, std::string& out) {
    out.clear();
    if (text.empty()) return true;
    BOOL usedDefault = FALSE;
    const bool utf8 = Utf8();
    int n = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, text.data(), (int)text.size(),
                                nullptr, 0, nullptr, utf8 ? nullptr : &usedDefault);
    if (n <= 0 || usedDefault) return false;
    out.resize((size_t)n);
    WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, text.data(), (int)text.size(), &out[0], n,
                        nullptr, nullptr);
    return true;
}

std::string A(const std::wstring& text) {
    std::string out;
    EXPECT_TRUE(Ansi(text, out)) << "the code page holds the text";
    return out;
}

std::wstring W(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring out(n > 0 ? (size_t)n : 0, L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), &out[0], n);
    return out;
}

std::wstring Long(const std::wstring& path) {
    return L"\\\\?\\" + path;
}

bool MakeDirW(const std::wstring& path) {
    return CreateDirectoryW(Long(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool WriteFileW(const std::wstring& path, const std::string& data) {
    HANDLE h = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(h, data.data(), (DWORD)data.size(), &written, nullptr);
    CloseHandle(h);
    return ok && written == data.size();
}

bool ExistsW(const std::wstring& path) {
    return GetFileAttributesW(Long(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTreeW(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(Long(path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = path + L"\\" + name;
            SetFileAttributesW(Long(full).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTreeW(full);
            else
                DeleteFileW(Long(full).c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(Long(path).c_str());
}

// Whether two paths (one in the program's code page, one UTF-16) name the same file: the same volume
// and file number.
bool SameFile(const std::string& ansi, const std::wstring& wide) {
    auto identity = [](HANDLE h, BY_HANDLE_FILE_INFORMATION& info) {
        bool ok = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION a, b;
    return identity(
               CreateFileA(ansi.c_str(), 0, 7, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr),
               a) &&
           identity(CreateFileW(Long(wide).c_str(), 0, 7, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                nullptr),
                    b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

class FolderTexts : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(ExpectedCodePage(), GetACP());
        root = W(zt::MakeTempDir("texts"));
        ASSERT_TRUE(filter.Install());
    }
    void TearDown() override {
        filter.Uninstall();
        EXPECT_TRUE(filter.Faults().empty()) << ::testing::PrintToString(filter.Faults());
        RemoveTreeW(root);
    }
    void Protect(const std::wstring& folder) {
        ASSERT_TRUE(WriteFileW(folder + L"\\vktpdir.info", std::string(127, 'k')));
    }

    std::wstring root;
    FilterStandIn filter;
};

TEST_F(FolderTexts, TheProgramRunsWithItsCodePage) {
    EXPECT_EQ(ExpectedCodePage(), GetACP());
    // Every name of every script is 8-bit text under UTF-8; under 1252 the Latin one only.
    size_t held = 0;
    for (const wchar_t* name : kNames) {
        std::string ansi;
        held += Ansi(name, ansi) ? 1 : 0;
    }
    EXPECT_EQ(Utf8() ? 5u : 1u, held);
}

// Folders named in the code page: every export answers for them as for an ASCII name.
TEST_F(FolderTexts, FoldersNamedInTheCodePage) {
    for (const wchar_t* name : kNames) {
        std::string probe;
        if (!Ansi(name, probe)) continue;
        filter.Clear();
        const std::wstring folder = root + L"\\" + name, inner = folder + L"\\" + name,
                           program = inner + L"\\" + name + L".exe";
        ASSERT_TRUE(MakeDirW(folder));
        ASSERT_TRUE(MakeDirW(inner));
        ASSERT_TRUE(WriteFileW(program, "x"));
        Protect(folder);
        Protect(inner);
        const std::string a = A(folder);

        EXPECT_TRUE(ZRPCFUNC_IsFolderProtected(a.c_str()));
        EXPECT_TRUE(ZRPCFUNC_HasProtectedParent(A(inner + L"\\x").c_str()));
        BOOL found = FALSE;
        EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(a.c_str(), &found));
        EXPECT_TRUE(found);
        char offending[MAX_PATH] = "";
        EXPECT_EQ(59u, ZRPCFUNC_IsFolderEncryptable(a.c_str(), offending, 0x05));
        EXPECT_EQ(56u, ZRPCFUNC_IsFolderEncryptable(a.c_str(), offending, 0x04));
        EXPECT_EQ(A(program), offending);
        EXPECT_EQ(0u, ZRPCFUNC_IsFileInUse(A(program).c_str()));
        HANDLE held =
            CreateFileW(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(61u, ZRPCFUNC_IsFileInUse(A(program).c_str()));
        CloseHandle(held);

        EXPECT_EQ(0u, ZRPCFUNC_DeleteEncryptedFolder(a.c_str(), 0, 0));
        EXPECT_FALSE(ExistsW(folder));
        EXPECT_EQ((std::vector<std::string>{A(inner) + "\\", a + "\\"}), filter.RemovedFolders());
    }
}

// A tree a client names in plain letters, holding folders and files in every script: the scans find
// what it holds, the system file is named in a form the program's buffer and code page hold, and the
// deletion removes all of it, telling the filter of every folder the code page can name.
TEST_F(FolderTexts, NamesInEveryScriptBelowAFolder) {
    const std::wstring mixed = root + L"\\mixed";
    ASSERT_TRUE(MakeDirW(mixed));
    std::set<std::string> announceable = {A(mixed) + "\\"};
    std::wstring program;
    for (const wchar_t* name : kNames) {
        const std::wstring folder = mixed + L"\\" + name;
        ASSERT_TRUE(MakeDirW(folder));
        ASSERT_TRUE(WriteFileW(folder + L"\\" + name + L".txt", "text"));
        std::string ansi;
        if (Ansi(folder + L"\\", ansi)) announceable.insert(ansi);
    }
    const std::wstring greek = mixed + L"\\" + kNames[1], chinese = mixed + L"\\" + kNames[2];
    program = chinese + L"\\" + kNames[2] + L".exe";
    ASSERT_TRUE(WriteFileW(program, "x"));
    const std::string a = A(mixed);

    BOOL found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(a.c_str(), &found));
    EXPECT_FALSE(found);
    Protect(greek);
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(a.c_str(), &found));
    EXPECT_TRUE(found) << "a protected folder named in Greek";
    EXPECT_EQ(59u, ZRPCFUNC_IsFolderEncryptable(a.c_str(), nullptr, 0x01));

    char offending[MAX_PATH];
    std::memset(offending, 0, sizeof offending);
    EXPECT_EQ(56u, ZRPCFUNC_IsFolderEncryptable(a.c_str(), offending, 0x04));
    EXPECT_LT(std::strlen(offending), sizeof offending);
    EXPECT_TRUE(SameFile(offending, program)) << offending;
    EXPECT_EQ(std::string::npos, std::string(offending).find('?')) << "no stand-in characters: " << offending;
    if (Utf8()) {
        EXPECT_EQ(A(program), offending) << "UTF-8 names it as it is";
    }

    EXPECT_EQ(0u, ZRPCFUNC_DeleteEncryptedFolder(a.c_str(), 0x04, 0));
    EXPECT_FALSE(ExistsW(mixed));
    std::vector<std::string> removed = filter.RemovedFolders();
    EXPECT_EQ(announceable, std::set<std::string>(removed.begin(), removed.end()));
    EXPECT_EQ(a + "\\", removed.back());
}

// Paths are measured in characters, not in the bytes the code page spends on them: a path of 180
// characters is one like any other, whichever letters it has, and every export gives it the same
// answers; 260 characters are refused by all. A system file whose path does not fit the program's
// buffer of 260 bytes is named by its short form.
TEST_F(FolderTexts, LongPathsInAnyLetters) {
    const wchar_t letter = Utf8() ? L'\x03BB' : L'\x00E9'; // λ: two bytes in UTF-8; é: one in 1252
    const std::wstring folder = root + L"\\" + std::wstring(180 - root.size() - 1, letter);
    ASSERT_EQ(180u, folder.size());
    ASSERT_TRUE(MakeDirW(folder));
    const std::string a = A(folder);
    if (Utf8()) {
        ASSERT_GT(a.size() + std::strlen("\\vktpdir.info"), 259u) << "past the limit in bytes";
    }

    EXPECT_FALSE(ZRPCFUNC_IsFolderProtected(a.c_str()));
    Protect(folder);
    EXPECT_TRUE(ZRPCFUNC_IsFolderProtected(a.c_str()));
    unsigned char record[127] = {};
    EXPECT_TRUE(ZRPCFUNC_IsFolderProtectedEx(a.c_str(), record));
    EXPECT_EQ('k', record[0]);
    EXPECT_TRUE(ZRPCFUNC_HasProtectedParent((a + "\\x").c_str()));
    BOOL found = FALSE;
    EXPECT_TRUE(ZRPCFUNC_HasProtectedChild(A(root).c_str(), &found));
    EXPECT_TRUE(found);
    EXPECT_EQ(59u, ZRPCFUNC_IsFolderEncryptable(A(root).c_str(), nullptr, 0x01));

    const std::wstring program = folder + L"\\setup.exe";
    ASSERT_TRUE(WriteFileW(program, "x"));
    char offending[MAX_PATH];
    std::memset(offending, 0, sizeof offending);
    EXPECT_EQ(56u, ZRPCFUNC_IsFolderEncryptable(a.c_str(), offending, 0x04));
    EXPECT_LT(std::strlen(offending), sizeof offending);
    EXPECT_TRUE(SameFile(offending, program)) << offending;
    if (!Utf8()) {
        EXPECT_EQ(A(program), offending);
    }
    EXPECT_EQ(0u, ZRPCFUNC_IsFileInUse(A(program).c_str()));

    // A missing folder of 259 characters, and paths of 260.
    const std::wstring longest = root + L"\\" + std::wstring(259 - root.size() - 1, letter);
    EXPECT_EQ(1u, ZRPCFUNC_IsFileInUse(A(longest).c_str()));
    EXPECT_EQ(58u, ZRPCFUNC_IsFolderEncryptable(A(longest).c_str(), nullptr, 0x05));
    EXPECT_EQ(0u, ZRPCFUNC_DeleteEncryptedFolder(A(longest).c_str(), 0x04, 0));
    const std::string tooLong = A(longest + letter);
    EXPECT_EQ(3u, ZRPCFUNC_IsFileInUse(tooLong.c_str()));
    EXPECT_EQ(3u, ZRPCFUNC_IsFolderEncryptable(tooLong.c_str(), nullptr, 0x05));
    EXPECT_EQ(3u, ZRPCFUNC_DeleteEncryptedFolder(tooLong.c_str(), 0x04, 0));
    EXPECT_FALSE(ZRPCFUNC_IsFolderProtected(tooLong.c_str()));
    found = FALSE;
    EXPECT_FALSE(ZRPCFUNC_HasProtectedChild(tooLong.c_str(), &found));

    filter.Clear();
    EXPECT_EQ(0u, ZRPCFUNC_DeleteEncryptedFolder(a.c_str(), 0, 0));
    EXPECT_FALSE(ExistsW(folder));
    EXPECT_EQ(std::vector<std::string>{a + "\\"}, filter.RemovedFolders());
}

} // namespace

#endif
