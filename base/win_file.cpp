#include "base/win_file.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "base/wipe.h"

namespace zrpc {

namespace {

constexpr std::size_t kLargest = 0x40000000; // 1 GiB: no file of this library is that large
constexpr DWORD kIoBlock = 1 << 20;

void WipeAndFree(char* block, std::size_t size) {
    if (!block) return;
    Wipe(block, size);
    std::free(block);
}

} // namespace

char* FileBytes::Release() {
    char* block = m_data;
    m_data = nullptr;
    m_size = 0;
    return block;
}

void FileBytes::Clear() {
    WipeAndFree(m_data, m_size + 1);
    m_data = nullptr;
    m_size = 0;
}

FileRead ReadWholeFile(const char* path, bool shareWithWriters, FileBytes& out) {
    out.Clear();
    if (!path) return FileRead::NotRead;
    DWORD share = shareWithWriters ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FileRead::NotRead;
    FileRead rc = FileRead::Ok;
    LARGE_INTEGER length;
    std::size_t capacity = 0, size = 0;
    if (!GetFileSizeEx(file, &length)) {
        rc = FileRead::NotRead;
    } else if (length.QuadPart >= (LONGLONG)kLargest) {
        rc = FileRead::NoMemory;
    } else if (length.QuadPart > 0) {
        capacity = (std::size_t)length.QuadPart;
    }
    char* block = rc == FileRead::Ok ? static_cast<char*>(std::malloc(capacity + 1)) : nullptr;
    if (rc == FileRead::Ok && !block) rc = FileRead::NoMemory;
    // The size the file had, then whatever it still gives (a shared file may grow meanwhile).
    while (rc == FileRead::Ok && size < capacity) {
        DWORD got = 0;
        DWORD want = (DWORD)(capacity - size < kIoBlock * 64 ? capacity - size : kIoBlock * 64);
        if (!ReadFile(file, block + size, want, &got, nullptr)) rc = FileRead::NotRead;
        if (rc != FileRead::Ok || got == 0) break;
        size += got;
    }
    char tail[1 << 16];
    for (DWORD got = 0; rc == FileRead::Ok;) {
        if (!ReadFile(file, tail, sizeof tail, &got, nullptr)) rc = FileRead::NotRead;
        if (rc != FileRead::Ok || got == 0) break;
        std::size_t grown = size + got;
        char* bigger = grown < kLargest ? static_cast<char*>(std::malloc(grown + 1)) : nullptr;
        if (!bigger) {
            rc = FileRead::NoMemory;
            break;
        }
        std::memcpy(bigger, block, size);
        std::memcpy(bigger + size, tail, got);
        WipeAndFree(block, capacity + 1);
        block = bigger;
        size = capacity = grown;
    }
    Wipe(tail, sizeof tail);
    CloseHandle(file);
    if (rc != FileRead::Ok) {
        WipeAndFree(block, capacity + 1);
        return rc;
    }
    block[size] = 0;
    out.m_data = block;
    out.m_size = size;
    return rc;
}

WholeFileWriter::WholeFileWriter(const char* path) : m_path(path ? path : "") {
    if (!path) return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) m_file = file;
}

WholeFileWriter::~WholeFileWriter() {
    Abandon();
}

void WholeFileWriter::Abandon() {
    if (!m_file) return;
    CloseHandle(m_file);
    m_file = nullptr;
    DeleteFileA(m_path.c_str());
}

bool WholeFileWriter::Write(const char* data, std::size_t size) {
    if (!m_file || (!data && size)) m_ok = false;
    for (std::size_t at = 0; m_ok && at < size;) {
        DWORD n = (DWORD)(size - at < kIoBlock ? size - at : kIoBlock), wrote = 0;
        m_ok = WriteFile(m_file, data + at, n, &wrote, nullptr) && wrote == n;
        at += wrote;
    }
    return m_ok;
}

bool WholeFileWriter::Commit() {
    if (!m_file) return false;
    bool ok = m_ok && FlushFileBuffers(m_file) != FALSE;
    if (!ok) {
        Abandon();
        return false;
    }
    ok = CloseHandle(m_file) != FALSE;
    m_file = nullptr;
    if (!ok) DeleteFileA(m_path.c_str());
    return ok;
}

bool WriteWholeFile(const char* path, const char* data, std::size_t size, bool* createFailed) {
    WholeFileWriter writer(path);
    if (createFailed) *createFailed = !writer.Created();
    return writer.Created() && writer.Write(data, size) && writer.Commit();
}

} // namespace zrpc
