// ZRPCFUNC_WriteKTFile, ZRPCFUNC_CreateMemKTFile, ZRPCFUNC_ReadKTFile, ZRPCFUNC_ReadMemKTFile and
// ZRPCFUNC_CheckKTValidatePacket: the remote update file on disk and in global-heap blocks.
#include <windows.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/win_globalblock.h"
#include "base/wipe.h"
#include "crypto/base64.h"
#include "frame/win_frame.h"
#include "include/zrpcfunc.h"
#include "include/zrpcres_ids.h"
#include "updatefile/ktformat.h"
#include "updatefile/win_ktfile.h"

using namespace zrpc::kt;

namespace {

bool FileExists(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

unsigned long ReadMem(_tNewTransferPacket** packet, const char* data, size_t length) {
    *packet = nullptr;
    if (!data) return kNoMemory;
    zrpc::WipedString base64;
    uint32_t rc = ExtractData(data, length, base64.text);
    if (rc != kOk) return rc;
    size_t capacity = DecodedCapacity(base64.text.size());
    uint8_t* block = static_cast<uint8_t*>(zrpc::AllocGlobalBlock(capacity));
    if (!block) return kNoMemory;
    rc = DecodeData(base64.text, block, capacity, nullptr);
    if (rc == kBadFormat) {
        zrpc::FreeGlobalBlock(block, capacity);
        return rc;
    }
    // On success, and on a text that ends inside a group, the block is the caller's.
    *packet = reinterpret_cast<_tNewTransferPacket*>(block);
    return rc;
}

} // namespace

unsigned long zrpc::kt::WriteUpdateFile(HWND owner, _tNewTransferPacket* packet, const char* path,
                                        const char* name, unsigned long target) {
    if (!packet || !path) return kBadArgument;
    if (!WritableType(packet->type)) return kBadArgument;
    if (FileExists(path)) {
        std::string format;
        zrpc::LangString(IDS_OVERWRITE_QUESTION, format, 511);
        std::string question = zrpc::FillPlaceholder(format, path);
        if (MessageBoxA(owner, question.c_str(), "Corvane+", MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL)
            return kDeclined;
    }
    // Created first: a file that cannot be created leaves the caller's packet as it was.
    zrpc::WholeFileWriter file(path);
    if (!file.Created()) return kNotCreated;
    zrpc::WipedString text;
    BuildText(*packet, name, target, text.text);
    return file.Write(text.text.data(), text.text.size()) && file.Commit() ? kOk : kNotCreated;
}

ZRPC_API unsigned long ZRPCFUNC_WriteKTFile(HWND owner, _tNewTransferPacket* packet, const char* path,
                                            const char* name, unsigned long target) {
    return zrpc::Guard<unsigned long>(kBadArgument,
                                      [&] { return WriteUpdateFile(owner, packet, path, name, target); });
}

ZRPC_API unsigned long ZRPCFUNC_CreateMemKTFile(_tNewTransferPacket* packet, char** text,
                                                unsigned long* length, const char* name,
                                                unsigned long target) {
    return zrpc::Guard<unsigned long>(kNoMemory, [&]() -> unsigned long {
        if (!packet || !text || !length) return kBadArgument;
        *text = nullptr;
        if (!WritableType(packet->type)) return kBadArgument;
        zrpc::WipedString built;
        BuildText(*packet, name, target, built.text);
        char* block = static_cast<char*>(zrpc::AllocGlobalBlock(built.text.size() + 1));
        if (!block) return kNoMemory;
        std::memcpy(block, built.text.data(), built.text.size());
        *text = block;
        *length = (unsigned long)built.text.size();
        return kOk;
    });
}

ZRPC_API unsigned long ZRPCFUNC_ReadKTFile(_tNewTransferPacket** packet, const char* path) {
    return zrpc::Guard<unsigned long>(kNoMemory, [&]() -> unsigned long {
        if (!packet) return kBadArgument;
        *packet = nullptr;
        if (!path) return kNotRead;
        zrpc::FileBytes data;
        unsigned long rc = zrpc::kt::ReadUpdateFile(path, data);
        if (rc == kOk && data.size() == 0) return kNoMemory; // an empty file gives no data
        return rc == kOk ? ReadMem(packet, data.data(), data.size()) : rc;
    });
}

ZRPC_API unsigned long ZRPCFUNC_ReadMemKTFile(_tNewTransferPacket** packet, const char* data,
                                              unsigned long length) {
    return zrpc::Guard<unsigned long>(kNoMemory, [&]() -> unsigned long {
        if (!packet) return kBadArgument;
        return ReadMem(packet, data, length);
    });
}

ZRPC_API unsigned long ZRPCFUNC_CheckKTValidatePacket(_tNewTransferPacket* packet, unsigned long type) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&] { return (unsigned long)CheckPacket(packet, type); });
}
