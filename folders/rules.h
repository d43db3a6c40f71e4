// The encryptability rules of a folder, over a description of the machine that the Windows side
// gathers: the drive's kind, the profile's kind, the special folders, and the walks of the tree below
// the folder. The rules ask only for what they need, in their order, so a rule that decides spares the
// questions after it (the walks above all).
#ifndef ZRPC_FOLDERS_RULES_H
#define ZRPC_FOLDERS_RULES_H

#include <string>

namespace zrpc {
namespace folders {

// Flags of the encryptability check (the low byte of the caller's flags).
constexpr unsigned long kLookBelow = 0x01;        // rule 1: refuse a folder with a protected folder below
constexpr unsigned long kScanSystemFiles = 0x04;  // rule 9: refuse a folder holding system files
constexpr unsigned long kAcceptRemovable = 0x08;  // rule 2: accept removable and optical drives
constexpr unsigned long kAcceptRemote = 0x10;     // rule 3: accept network drives
constexpr unsigned long kSkipProfilesRoot = 0x40; // rule 6 off

// Answers: 0 accepted, 1 a system location, 56 or 1 from the system-file walk, and the library's
// result codes 58 (no rule applied), 59 (a protected folder below), 75 (temporary or roaming profile).
constexpr unsigned long kAccepted = 0;
constexpr unsigned long kSystemLocation = 1;

enum class DriveKind { Fixed, Removable, Remote, Other }; // Removable takes optical drives too

class FolderEnvironment {
  public:
    enum Special { kDocuments, kDesktop, kCommonDesktop, kProgramFiles, kWindows };

    virtual ~FolderEnvironment() = default;
    virtual DriveKind Drive() = 0;
    virtual bool ProfileIsTemporaryOrRoaming() = 0;
    // The special folder's location, spelled as the folder given to the rules is (full, long names,
    // backslashes, one case); false when the platform cannot report it.
    virtual bool SpecialFolder(Special which, std::string& location) = 0;
    // Whether a protected folder lies below the folder.
    virtual bool ProtectedFolderBelow() = 0;
    // The system-file walk: 0, 1 (a core system file) or 56 (a program, driver or database file), with
    // the file's path in file.
    virtual unsigned long SystemFile(std::string& file) = 0;
};

// The rules in their order. folder: the location with a trailing backslash, spelled as the
// environment spells its folders. offendingFile receives the system file that decided, if one did.
unsigned long FolderRuleResult(const std::string& folder, unsigned long flags, FolderEnvironment& env,
                               std::string& offendingFile);

} // namespace folders
} // namespace zrpc

#endif
