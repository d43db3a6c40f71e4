// Folder-walk benchmark under Wine: the encryptability rules with flags 0x01 | 0x04 and the protected
// child search, each against a bare FindFirstFileA / FindNextFileA walk of the same tree in the same
// run (aim: within 1.2 x the bare walk). The tree (50,000 files in 5,000 folders, no system files, no
// markers) is generated once beside this program and kept for later runs.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/win/benchclock.h"
#include "zrpcfunc.h"

namespace {

constexpr int kTopFolders = 50;
constexpr int kSubFolders = 99; // per top folder: 50 + 50 * 99 = 5,000 folders
constexpr int kFilesPerFolder = 10;
constexpr int kRounds = 7;

std::string ProgramDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/"));
}

bool MakeFiles(const std::string& folder) {
    static const char* const kNames[kFilesPerFolder] = {"notes.txt",  "image.png",  "data.bin", "report.doc",
                                                        "table.csv",  "page.html",  "mail.eml", "sound.wav",
                                                        "photo.jpeg", "archive.zip"};
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    for (const char* name : kNames) {
        HANDLE h = CreateFileA((folder + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        DWORD written;
        WriteFile(h, name, 4, &written, nullptr);
        CloseHandle(h);
    }
    return true;
}

bool MakeTree(const std::string& root) {
    std::string done = root + ".complete"; // beside the tree, not in it
    if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    std::printf("generating %d files in %d folders under %s ...\n",
                kTopFolders * (1 + kSubFolders) * kFilesPerFolder, kTopFolders * (1 + kSubFolders),
                root.c_str());
    CreateDirectoryA(root.c_str(), nullptr);
    for (int t = 0; t < kTopFolders; ++t) {
        char top[32];
        std::snprintf(top, sizeof top, "\\top%02d", t);
        if (!MakeFiles(root + top)) return false;
        for (int s = 0; s < kSubFolders; ++s) {
            char sub[32];
            std::snprintf(sub, sizeof sub, "\\sub%03d", s);
            if (!MakeFiles(root + top + sub)) return false;
        }
    }
    HANDLE h =
        CreateFileA(done.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

struct Counts {
    long files = 0, folders = 0;
};

// The bare walk: every folder listed once, subfolders entered as they are met.
void BareWalk(const std::string& folder, Counts& counts) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!std::strcmp(fd.cFileName, ".") || !std::strcmp(fd.cFileName, "..")) continue;
            ++counts.folders;
            BareWalk(folder + "\\" + fd.cFileName, counts);
        } else {
            ++counts.files;
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

} // namespace

int main() {
    std::string root = ProgramDir() + "\\benchtree";
    if (!MakeTree(root)) {
        std::fprintf(stderr, "folders_bench: cannot build the tree under %s\n", root.c_str());
        return 1;
    }
    PrintBuild();
    Counts counts;
    BareWalk(root, counts);
    std::printf("tree: %ld files in %ld folders\n", counts.files, counts.folders);

    std::vector<double> bare, encryptable, child;
    unsigned long code = 0;
    BOOL found = FALSE, ran = FALSE;
    // Each round walks the tree three ways; the order turns from round to round, so that none of them
    // always comes first after another (a change of the machine's load then falls on all alike).
    for (int round = -1; round < kRounds; ++round) { // round -1 warms the caches
        double t[3] = {};
        for (int k = 0; k < 3; ++k) {
            int which = (k + (round < 0 ? 0 : round)) % 3;
            double t0 = NowMs();
            if (which == 0) {
                Counts c;
                BareWalk(root, c);
            } else if (which == 1) {
                char offending[MAX_PATH] = "";
                code = ZRPCFUNC_IsFolderEncryptable(root.c_str(), offending, 0x01 | 0x04);
            } else {
                found = FALSE;
                ran = ZRPCFUNC_HasProtectedChild(root.c_str(), &found);
            }
            t[which] = NowMs() - t0;
        }
        if (round < 0) continue;
        bare.push_back(t[0]);
        encryptable.push_back(t[1]);
        child.push_back(t[2]);
    }
    if (code != 58 || !ran || found) {
        std::fprintf(stderr, "folders_bench: unexpected answers (encryptable %lu, child search %d/%d)\n",
                     code, ran, found);
        return 1;
    }
    double b = Median(bare), e = Median(encryptable), c = Median(child);
    std::printf(
        "medians of %d rounds (the peer: a bare FindFirstFileA/FindNextFileA walk of the same tree):\n",
        kRounds);
    std::printf("  %-44s %9.1f ms\n", "bare walk", b);
    PrintAim("ZRPCFUNC_IsFolderEncryptable(0x01 | 0x04)", e, e / b, "walk", 1.2);
    PrintAim("ZRPCFUNC_HasProtectedChild", c, c / b, "walk", 1.2);
    return 0;
}
