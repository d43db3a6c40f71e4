#include "folders/rules.h"

#include "include/zrpcresult.h"

namespace zrpc {
namespace folders {

namespace {

void AddSeparator(std::string& path) {
    if (path.empty() || path.back() != '\\') path += '\\';
}

bool BeginsWith(const std::string& text, const std::string& prefix) {
    return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}

// Inside a folder, compared up to a separator, so that a sibling whose name merely begins the same
// way ("C:\users2" beside "C:\users") is not taken for it. strictly: the folder itself does not count.
bool Inside(FolderEnvironment& env, FolderEnvironment::Special which, const std::string& f, bool strictly) {
    std::string folder;
    if (!env.SpecialFolder(which, folder) || folder.empty()) return false;
    AddSeparator(folder);
    return BeginsWith(f, folder) && (!strictly || f.size() > folder.size());
}

// Rule 6: the folder that holds every profile, the all-users desktop with its last two components cut.
bool InsideProfilesRoot(FolderEnvironment& env, const std::string& f) {
    std::string desktop;
    if (!env.SpecialFolder(FolderEnvironment::kCommonDesktop, desktop)) return false;
    if (desktop.size() > 1 && desktop.back() == '\\') desktop.pop_back();
    for (int i = 0; i < 2; ++i) {
        size_t cut = desktop.rfind('\\');
        if (cut == std::string::npos) return false;
        desktop.resize(cut);
    }
    AddSeparator(desktop);
    return BeginsWith(f, desktop);
}

} // namespace

unsigned long FolderRuleResult(const std::string& f, unsigned long flags, FolderEnvironment& env,
                               std::string& offendingFile) {
    offendingFile.clear();
    // 1. A protected folder below decides before every other rule.
    if ((flags & kLookBelow) && env.ProtectedFolderBelow()) return kProtectedBelow;

    // 2, 3. Removable and network drives, when the caller accepts them.
    DriveKind drive = env.Drive();
    if (drive == DriveKind::Removable && (flags & kAcceptRemovable)) return kAccepted;
    if (drive == DriveKind::Remote && (flags & kAcceptRemote)) return kAccepted;

    // A drive's root ("C:\").
    if (f.size() <= 3) return kSystemLocation;

    // 4, 5. Inside the user's documents or desktop: accepted on a local profile.
    for (auto which : {FolderEnvironment::kDocuments, FolderEnvironment::kDesktop})
        if (Inside(env, which, f, true))
            return env.ProfileIsTemporaryOrRoaming() ? kProfileNotLocal : kAccepted;

    // 6, 7, 8. The profiles root, the program files and the Windows folder.
    if (!(flags & kSkipProfilesRoot) && InsideProfilesRoot(env, f)) return kSystemLocation;
    if (Inside(env, FolderEnvironment::kProgramFiles, f, false)) return kSystemLocation;
    if (Inside(env, FolderEnvironment::kWindows, f, false)) return kSystemLocation;

    // 9. System files anywhere below.
    if (flags & kScanSystemFiles) {
        unsigned long code = env.SystemFile(offendingFile);
        if (code) return code;
        offendingFile.clear();
    }
    // 10.
    return kNoRuleApplied;
}

} // namespace folders
} // namespace zrpc
