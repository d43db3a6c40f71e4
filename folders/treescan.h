// A depth-first walk of a folder tree that lists every folder once and answers two questions on the
// way: whether a protected folder lies below the start (a folder holding the marker file), and which
// is the first file with a system name or extension (files of a folder before its subfolders, in the
// order the file system lists them).
#ifndef ZRPC_FOLDERS_TREESCAN_H
#define ZRPC_FOLDERS_TREESCAN_H

#include <string>
#include <vector>

#include "folders/pathbuf.h"

namespace zrpc {
namespace folders {

// What the system-file test makes of a bare file name: 1 for a core system file ("kernel32.dll",
// "win.com", "user.dll", "user32.dll"), 56 for a program, driver or database extension (".exe",
// ".dll", ".sys", ".vxd", ".mdb", ".386", taken from the last '.'), else 0. Case is ignored.
unsigned SystemFileCode(const char* name);

class TreeScan {
  public:
    enum : unsigned { kProtectedFolders = 1, kSystemFiles = 2 };

    explicit TreeScan(unsigned what) : m_what(what) {}

    // Walks the tree below folder. False when folder itself cannot be listed (nothing is found then).
    // Protected folders are looked for below folder only (folder's own marker does not count), and
    // not inside folders whose names begin with '.'. System files are looked for everywhere below.
    // The walk ends at the first protected folder, or at the first system file when that is all it
    // looks for.
    bool Run(const char* folder);

    bool FoundProtected() const { return m_protected; }
    unsigned SystemCode() const { return m_systemCode; }
    // Full path of the first system file; empty when none was found or its path would not fit.
    const std::string& SystemFile() const { return m_systemFile; }

  private:
    struct Listing {
        std::vector<std::string> folders; // subfolders except "." and ".."
        bool hasMarker = false;
    };
    // Lists one folder. With itself, a folder that is a junction or a symbolic link now is not listed
    // (false, and *link set); without, the walk's start, a link is followed.
    bool List(const PathBuf& folder, Listing& listing, bool itself, bool* link);
    void Descend(const PathBuf& folder, const Listing& listing, bool lookForMarkers);
    bool Done() const;

    unsigned m_what;
    std::vector<unsigned char> m_buffer; // the platform's listing of one folder, reused for every folder
    bool m_protected = false;
    unsigned m_systemCode = 0;
    std::string m_systemFile;
};

} // namespace folders
} // namespace zrpc

#endif
