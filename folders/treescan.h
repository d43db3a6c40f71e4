// A depth-first walk of a folder tree that lists every folder once and answers two questions on the
// way: whether a protected folder lies below the start (a folder holding the marker file), and which
// is the first file with a system name or extension (files of a folder before its subfolders, in the
// order the file system lists them). Paths are full UTF-16 paths (folders/win_path.h).
#ifndef ZRPC_FOLDERS_TREESCAN_H
#define ZRPC_FOLDERS_TREESCAN_H

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace zrpc {
namespace folders {

// What the system-file test makes of a bare file name: 1 for a core system file ("kernel32.dll",
// "win.com", "user.dll", "user32.dll"), 56 for a program, driver or database extension (".exe",
// ".dll", ".sys", ".vxd", ".mdb", ".386", taken from the last '.'), else 0. Case is ignored.
unsigned SystemFileCode(const char* name);
// The same for a UTF-16 name of len characters (not terminated).
unsigned SystemFileCode(const wchar_t* name, std::size_t len);

class TreeScan {
  public:
    enum : unsigned { kProtectedFolders = 1, kSystemFiles = 2 };

    explicit TreeScan(unsigned what) : m_what(what) {}

    // Walks the tree below folder (a full path). False when folder itself cannot be listed (nothing is
    // found then). Protected folders are looked for below folder only (folder's own marker does not
    // count), and not inside folders whose names begin with '.'. System files are looked for everywhere
    // below. Junctions and symbolic links below the start are followed like folders, and every folder
    // is entered once: one met again (through a link back up the tree, or a second link to it) is
    // known by its volume and file number and passed over. The walk ends at the first protected
    // folder, or at the first system file when that is all it looks for.
    bool Run(const std::wstring& folder);

    bool FoundProtected() const { return m_protected; }
    unsigned SystemCode() const { return m_systemCode; }
    // Full path of the first system file; empty when none was found.
    const std::wstring& SystemFile() const { return m_systemFile; }

  private:
    // A folder's identity: the volume's serial number and the folder's file number on it.
    typedef std::pair<uint32_t, uint64_t> Identity;
    struct Subfolder {
        std::wstring name;
        bool link; // a junction or symbolic link in its parent's listing
    };
    struct Listing {
        std::vector<Subfolder> folders; // subfolders except "." and ".."
        bool hasMarker = false;
    };
    // Lists one folder (path in long form), following it when it is a link. id: its identity; on entry
    // the volume of the folder it was met in, which a folder met as a link asks for anew.
    bool List(const std::wstring& folder, Listing& listing, bool link, Identity& id);
    void Descend(const std::wstring& folder, const Listing& listing, bool lookForMarkers, uint32_t volume);
    bool Done() const;

    unsigned m_what;
    std::vector<unsigned char> m_buffer; // the platform's listing of one folder, reused for every folder
    std::set<Identity> m_entered;
    bool m_protected = false;
    unsigned m_systemCode = 0;
    std::wstring m_systemFile;
};

} // namespace folders
} // namespace zrpc

#endif
