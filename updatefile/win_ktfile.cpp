// ZRPCFUNC_WriteKTFile, ZRPCFUNC_CreateMemKTFile, ZRPCFUNC_ReadKTFile, ZRPCFUNC_ReadMemKTFile and
// ZRPCFUNC_CheckKTValidatePacket: the remote update file on disk and in global-heap blocks.
#include <windows.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "crypto/base64.h"
#include "crypto/win_globalblock.h"
#include "frame/win_frame.h"
#include "include/zrpcfunc.h"
#include "include/zrpcres_ids.h"
#include "updatefile/ktformat.h"
#include "updatefile/win_file.h"

using namespace zrpc::kt;

namespace {

// Wipes a string's characters before it goes.
struct WipedString {
    std::string text;
    ~WipedString() {
        if (!text.empty()) zrpc::WipeMemory(&text[0], text.size());
    }
};

// The overwrite question's text: the language string with path in place of its "%s" ("%%" gives "%").
std::string QuestionText(const std::string& format, const char* path) {
    std::string out;
    bool placed = false;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (format[i + 1] == 's' && !placed) {
                out += path;
                placed = true;
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

bool FileExists(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

bool WriteAll(HANDLE file, const std::string& text) {
    size_t at = 0;
    while (at < text.size()) {
        DWORD wrote = 0;
        DWORD chunk = (DWORD)(text.size() - at < 0x100000 ? text.size() - at : 0x100000);
        if (!WriteFile(file, text.data() + at, chunk, &wrote, nullptr) || wrote == 0) return false;
        at += wrote;
    }
    return true;
}

unsigned long ReadMem(_tNewTransferPacket** packet, const char* data, size_t length) {
    *packet = nullptr;
    if (!data) return kNoMemory;
    WipedString base64;
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

namespace zrpc {

uint32_t ReadWholeFile(const char* path, std::vector<char>& data) {
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return kNotRead;
    uint32_t rc = kOk;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        rc = kNotRead;
    } else if (high != 0 || size > 0x7FFFFFFFu) {
        rc = kNoMemory;
    } else {
        try {
            data.assign(size, 0);
        } catch (const std::bad_alloc&) {
            rc = kNoMemory;
        }
        DWORD got = 0;
        if (rc == kOk && size && (!ReadFile(file, data.data(), size, &got, nullptr) || got != size))
            rc = kNotRead;
    }
    CloseHandle(file);
    return rc;
}

} // namespace zrpc

ZRPC_API unsigned long ZRPCFUNC_WriteKTFile(HWND owner, _tNewTransferPacket* packet, const char* path,
                                            const char* name, unsigned long target) {
    return zrpc::Guard<unsigned long>(kBadArgument, [&]() -> unsigned long {
        if (!packet || !path) return kBadArgument;
        if (!WritableType(packet->type)) return kBadArgument;
        if (FileExists(path)) {
            std::string format;
            zrpc::LangString(IDS_OVERWRITE_QUESTION, format, 511);
            std::string question = QuestionText(format, path);
            if (MessageBoxA(owner, question.c_str(), "Corvane+", MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL)
                return kDeclined;
        }
        HANDLE file =
            CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return kNotCreated;
        WipedString text;
        BuildText(*packet, name, target, text.text);
        bool written = WriteAll(file, text.text);
        CloseHandle(file);
        return written ? kOk : kNotCreated;
    });
}

ZRPC_API unsigned long ZRPCFUNC_CreateMemKTFile(_tNewTransferPacket* packet, char** text,
                                                unsigned long* length, const char* name,
                                                unsigned long target) {
    return zrpc::Guard<unsigned long>(kNoMemory, [&]() -> unsigned long {
        if (!packet || !text || !length) return kBadArgument;
        *text = nullptr;
        if (!WritableType(packet->type)) return kBadArgument;
        WipedString built;
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
        std::vector<char> data;
        uint32_t rc = zrpc::ReadWholeFile(path, data);
        if (rc == kOk) rc = ReadMem(packet, data.data(), data.size());
        if (!data.empty()) zrpc::WipeMemory(data.data(), data.size());
        return rc;
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
