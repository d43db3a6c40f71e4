// Shared by the key store tests: the store's files under the installation folder, packets, and the
// remote update text the store keeps for them.
#ifndef ZRPC_TESTS_KEYSTORE_TESTING_H
#define ZRPC_TESTS_KEYSTORE_TESTING_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/win/support/testsupport.h"
#include "tests/common/collapsed.h"
#include "zrpcfunc.h"

namespace kst {

inline std::string InstallDir() {
    char path[MAX_PATH] = "";
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, zt::kClientKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD size = sizeof path - 1;
        RegQueryValueExA(key, "strInstallDir", nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size);
        RegCloseKey(key);
    }
    std::string dir = path;
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    return dir;
}

inline std::string StoreFile() {
    return InstallDir() + "KeyStore.xml";
}
// The temporary file a change writes beside the store.
inline std::string TempFile() {
    return InstallDir() + "TempStore.xml";
}
// The temporary file of a writer of an earlier version, named by its process id.
inline std::string OldTempFile(DWORD pid) {
    return InstallDir() + "TempStore." + std::to_string(pid) + ".xml";
}
// The names of the temporary files of either kind in the store's folder.
inline std::vector<std::string> TempFiles() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((InstallDir() + "TempStore*.xml").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}
inline std::string PreviousFile() {
    return InstallDir() + "Previous.dat";
}

inline void RemoveStoreFiles() {
    std::vector<std::string> files = {StoreFile(), PreviousFile()};
    for (const std::string& name : TempFiles())
        files.push_back(InstallDir() + name);
    for (const std::string& f : files) {
        SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (GetFileAttributesA(f.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            zt::RemoveTree(f);
        else
            DeleteFileA(f.c_str());
    }
}

inline std::string Read(const std::string& path) {
    std::string data;
    if (!zt::ReadFile(path, data)) return "<missing>";
    return data;
}

// A public-key packet as a token makes it (type 12, or 16 for a backup key).
inline _tNewTransferPacket PublicKeyPacket(uint32_t serial, const char* name, uint32_t type = 12) {
    _tNewTransferPacket p;
    std::memset(&p, 0, sizeof p);
    p.size = ZRPC_PACKET_SIZE;
    p.version = ZRPC_PACKET_VERSION;
    p.type = type;
    p.serial = p.secondSerial = serial;
    std::memcpy(p.name, name, strnlen(name, sizeof p.name));
    uint32_t s = serial * 2654435761u + 12345u;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&p);
    for (size_t i = 200; i < sizeof p; ++i) {
        s = s * 1103515245u + 12345u;
        bytes[i] = (uint8_t)(s >> 16);
    }
    return p;
}

// The remote update text the library makes for a packet (on a copy).
inline std::string UpdateText(_tNewTransferPacket packet, const char* name = nullptr,
                              unsigned long target = 0) {
    char* text = nullptr;
    unsigned long length = 0;
    EXPECT_EQ(ZRPCFUNC_CreateMemKTFile(&packet, &text, &length, name, target), 0u);
    std::string out(text ? text : "", length);
    ZRPC_FreeGlobal(text);
    return out;
}

// Puts the store files out of the way before and after each test.
class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ZRPCFUNC_DB_Disconnect();
        RemoveStoreFiles();
    }
    void TearDown() override {
        ZRPCFUNC_DB_Disconnect();
        RemoveStoreFiles();
    }
    // Adds a key without any question; asserts success.
    static void Add(uint32_t serial, const char* name, uint32_t type = 12) {
        _tNewTransferPacket p = PublicKeyPacket(serial, name, type);
        ASSERT_EQ(ZRPCFUNC_DB_AddPublicKey(nullptr, &p, 0), 0u) << name;
    }
    static void WriteStore(const std::string& text) { ASSERT_TRUE(zt::WriteFile(StoreFile(), text)); }
};

} // namespace kst

#endif
