// Whole-file reading and writing for the library's files (update files, the key store).
#ifndef ZRPC_BASE_WIN_FILE_H
#define ZRPC_BASE_WIN_FILE_H

#include <cstddef>
#include <string>

namespace zrpc {

enum class FileRead { Ok, NotRead, NoMemory };
class FileBytes;

// Reads path whole into out. With shareWithWriters the file stays open to other processes for
// reading, writing and deleting (one that replaces it meanwhile), and whatever it holds when the end
// is reached is read, even if it grew; without, nobody else may open it meanwhile. NotRead when it
// cannot be opened or read, NoMemory when it is larger than 1 GiB or no block is obtained.
FileRead ReadWholeFile(const char* path, bool shareWithWriters, FileBytes& out);

// A whole file's bytes in a std::malloc block one byte longer than the content, that byte 0. The
// bytes are wiped when the object goes, unless the block was released to a new owner.
class FileBytes {
  public:
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes() { Clear(); }

    const char* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    // Hands the block (std::malloc, size() + 1 bytes) to the caller, who frees it.
    char* Release();
    // Wipes and frees the block.
    void Clear();

  private:
    friend FileRead ReadWholeFile(const char*, bool, FileBytes&);
    char* m_data = nullptr;
    std::size_t m_size = 0;
};

// A file written whole: the constructor creates (or replaces) it, Write adds bytes, Commit flushes them
// to the disk and closes it. A file that is not committed, or whose writing failed, is deleted.
class WholeFileWriter {
  public:
    explicit WholeFileWriter(const char* path);
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;
    ~WholeFileWriter();

    bool Created() const { return m_file != nullptr; }
    bool Write(const char* data, std::size_t size);
    bool Commit();

  private:
    void Abandon();
    void* m_file = nullptr; // the open handle, null when not created or closed
    std::string m_path;
    bool m_ok = true;
};

// Creates or replaces path with size bytes of data and flushes them to the disk. On any failure the
// partial file is deleted and false comes back; createFailed (when given) tells whether the file
// could not even be created.
bool WriteWholeFile(const char* path, const char* data, std::size_t size, bool* createFailed = nullptr);

} // namespace zrpc

#endif
