// The key store's files on Windows: where the store lives, the lock that keeps changes of several
// processes apart, loading, and the replace protocol that every change goes through.
#ifndef ZRPC_KEYSTORE_STORE_FILES_H
#define ZRPC_KEYSTORE_STORE_FILES_H

#include <windows.h>

#include <string>

#include "keystore/store_check.h"
#include "keystore/store_doc.h"

namespace zks {

// Paths hold at most this many characters (plus the terminator).
constexpr size_t kMaxPath = MAX_PATH - 1;

// The store's path: the installation folder from the registry, a backslash when the folder lacks one,
// then "KeyStore.xml". False when the setting is missing or empty, or the path would not fit.
bool StorePath(std::string& path);
// True when path names an existing file (not a folder).
bool IsFile(const std::string& path);

// What stands at the store's path.
enum class StoreFile { missing, folder, readOnly, file };
StoreFile StoreFileAt(const std::string& path);
// The answer of a change for a store file that cannot be changed: kNoStore where there is no file
// (nothing, or a folder in its place), kAccessDenied for a read-only file, kOk for a file that can.
unsigned long ChangeRefusal(StoreFile state);

// Loads a store file into doc (built on demand: the records of an entry are made when it is asked
// about; for a change, the entries it leaves alone are written back as they stand): false, with doc
// empty, when the file gives no text or holds no backupdatabase element. whole (optional) tells whether
// the file is a complete store (no NUL byte, StoreDoc::Whole): only such a store may be changed.
bool LoadStore(const std::string& path, StoreDoc& doc, StoreUse use, bool* whole = nullptr);

// Replaces the store with the document, under the store lock: writes "TempStore.xml" beside it (and
// deletes the "TempStore.<process id>.xml" files earlier versions left), gives the present store file
// the second name "Previous.dat" (a copy where the file system has no links), then moves the new file
// over the store in one step. At every moment the store holds either the old or the new content; a
// failed replacement leaves no temporary file. True only when the replacement completed.
bool SaveStore(const StoreDoc& doc, const std::string& path);

// Keeps modifying operations of all processes on one store apart: a named mutex derived from the
// store's path, held for the lifetime of the object. Re-entrant on one thread.
class StoreLock {
  public:
    explicit StoreLock(const std::string& path);
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    bool Held() const { return m_held; }

  private:
    HANDLE m_mutex = nullptr;
    bool m_held = false;
};

// One modifying operation: under the lock, checks that the store exists and may be changed
// (ChangeRefusal), loads it (loadFailure when that fails; kFileError when the file is not a complete
// store, see StoreDoc::Whole), runs change(doc, save) and, when it answers 0 with save set, saves
// (kFileError when saving fails). A store that could not be loaded whole is never written.
template <class Change> unsigned long ModifyStore(unsigned long loadFailure, Change&& change) {
    std::string path;
    if (!StorePath(path)) return kNoStore;
    StoreLock lock(path);
    if (!lock.Held()) return kFileError;
    if (unsigned long refused = ChangeRefusal(StoreFileAt(path))) return refused;
    StoreDoc doc;
    bool whole = false;
    if (!LoadStore(path, doc, StoreUse::change, &whole)) return loadFailure;
    if (!whole) return kFileError;
    bool save = false;
    unsigned long rc = change(doc, save);
    if (rc == kOk && save && !SaveStore(doc, path)) rc = kFileError;
    return rc;
}

// Files an issue-data packet (type 14, set by the caller) as an update of the stored public key
// publicKeySerial; key is the wrapped key's record. 0 also when that update is already filed.
unsigned long StoreUpdate(uint32_t publicKeySerial, uint32_t keySerial, const _tToken_KeyEx* key,
                          const _tNewTransferPacket* packet);

// Writes an empty store to path (reported as a long change meanwhile). True when written.
bool CreateStoreFile(HWND parent, const char* path);

} // namespace zks

#endif
