// The one reading of a path that every folder export gives: device names refused with 3 (or FALSE)
// before anything is opened; relative spellings ("\", ".", "..") naming the location the current
// folder gives them; one answer for a missing folder at every length up to 259 characters; and longer
// paths refused alike everywhere. Folders on the test drive R: (set up by ./run).
// ctest-lock: folderdrives
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "standins/filter/filterstandin.h"
#include "tests/win/support/testsupport.h"
#include "zrpcfunc.h"

namespace {

const char kMarker[] = "vktpdir.info";

bool MakeDir(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// What the queries answer for one path (the deletion is asked separately: it acts).
struct Answers {
    BOOL isProtected = -1, isProtectedEx = -1, parent = -1, childRan = -1, found = -1, deleteable = -1;
    unsigned long inUse = 99, encryptable = 99;
    bool recordTouched = false, offendingTouched = false;

    bool operator==(const Answers& o) const {
        return isProtected == o.isProtected && isProtectedEx == o.isProtectedEx && parent == o.parent &&
               childRan == o.childRan && found == o.found && deleteable == o.deleteable && inUse == o.inUse &&
               encryptable == o.encryptable && recordTouched == o.recordTouched &&
               offendingTouched == o.offendingTouched;
    }
};

std::ostream& operator<<(std::ostream& out, const Answers& a) {
    return out << "protected " << a.isProtected << "/" << a.isProtectedEx << " parent " << a.parent
               << " child " << a.childRan << "/" << a.found << " deleteable " << a.deleteable << " in use "
               << a.inUse << " encryptable " << a.encryptable << (a.recordTouched ? " record written" : "")
               << (a.offendingTouched ? " file named" : "");
}

Answers Ask(const std::string& path) {
    Answers a;
    a.isProtected = ZRPCFUNC_IsFolderProtected(path.c_str()) != FALSE;
    unsigned char record[127];
    std::memset(record, 0xEE, sizeof record);
    a.isProtectedEx = ZRPCFUNC_IsFolderProtectedEx(path.c_str(), record) != FALSE;
    a.recordTouched = record[0] != 0xEE;
    a.parent = ZRPCFUNC_HasProtectedParent(path.c_str()) != FALSE;
    BOOL found = FALSE;
    a.childRan = ZRPCFUNC_HasProtectedChild(path.c_str(), &found) != FALSE;
    a.found = found;
    a.deleteable = ZRPCFUNC_IsFolderDeleteable(path.c_str()) != FALSE;
    a.inUse = ZRPCFUNC_IsFileInUse(path.c_str());
    char offending[MAX_PATH] = "untouched";
    a.encryptable = ZRPCFUNC_IsFolderEncryptable(path.c_str(), offending, 0x01 | 0x04 | 0x40);
    a.offendingTouched = std::strcmp(offending, "untouched") != 0;
    return a;
}

// The answers to a path that is refused: nothing found, nothing written, 3 from the code answers.
Answers Refused() {
    Answers a;
    a.isProtected = a.isProtectedEx = a.parent = a.childRan = a.found = a.deleteable = FALSE;
    a.inUse = a.encryptable = 3;
    return a;
}

class FolderPaths : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ((UINT)DRIVE_REMOVABLE, GetDriveTypeA("R:\\")) << "./run sets up the test drives";
        ASSERT_TRUE(filter.Install());
        GetCurrentDirectoryA(sizeof saved, saved);
    }
    void TearDown() override {
        SetCurrentDirectoryA(saved);
        filter.Uninstall();
    }
    // The deletion with each set of flags: a refused path answers 3 to all of them.
    std::string Deletions(const std::string& path) {
        std::ostringstream out;
        for (unsigned long flags : {0ul, 0x01ul, 0x04ul})
            out << ZRPCFUNC_DeleteEncryptedFolder(path.c_str(), flags, 0) << " ";
        return out.str();
    }
    FilterStandIn filter;
    char saved[MAX_PATH] = "";
};

TEST_F(FolderPaths, DeviceNamesAreRefusedEverywhere) {
    const char* devices[] = {"NUL",        "nul",        "CON",         "COM1",
                             "com9",       "LPT1",       "AUX",         "PRN",
                             "CONIN$",     "CONOUT$",    "NUL.txt",     "com1.log",
                             "con .txt",   "NUL:",       "C:\\NUL",     "C:\\x\\COM1",
                             "R:\\a\\aux", "R:\\nul\\x", "\\\\.\\COM1", "\\\\.\\PhysicalDrive0",
                             "COM\xB9",    "lpt\xB2.x",  ".\\prn\\"};
    for (const char* device : devices) {
        EXPECT_EQ(Refused(), Ask(device)) << device;
        EXPECT_EQ("3 3 3 ", Deletions(device)) << device;
    }
    EXPECT_EQ(0, filter.OpenCount()) << "the filter is not even opened";
    // Names that only begin like a device are names like any other.
    for (const char* name : {"R:\\NULL", "R:\\com10", "R:\\console", "R:\\lpt", "R:\\auxiliary.txt"})
        EXPECT_EQ(1u, ZRPCFUNC_IsFileInUse(name)) << name << ": not there, but looked for";
}

// "\", "." and ".." are read as the folders they name from the current folder, alike in every query;
// the deletion takes full paths only and refuses them.
TEST_F(FolderPaths, CurrentFolderSpellingsNameTheirLocations) {
    const std::string top = "R:\\pathrule", current = top + "\\cur";
    zt::RemoveTree(top);
    ASSERT_TRUE(MakeDir(top));
    ASSERT_TRUE(MakeDir(current));
    ASSERT_TRUE(MakeDir(current + "\\inner"));
    ASSERT_TRUE(zt::WriteFile(top + "\\" + kMarker, std::string(127, 'm')));
    ASSERT_TRUE(zt::WriteFile(current + "\\inner\\" + kMarker, "m"));
    ASSERT_TRUE(SetCurrentDirectoryA(current.c_str()));
    struct Case {
        const char* text;
        std::string full;
        BOOL isProtected, parent, found;
    } cases[] = {
        {".", current, FALSE, TRUE, TRUE},
        {".\\", current, FALSE, TRUE, TRUE},
        {"..", top, TRUE, FALSE, TRUE},
        {"\\", "R:\\", FALSE, FALSE, TRUE},
        {"R:", "R:\\", FALSE, FALSE, TRUE}, // a drive alone is its root
        {"inner", current + "\\inner", TRUE, TRUE, FALSE},
        {"R:inner", current + "\\inner", TRUE, TRUE, FALSE},
    };
    for (const Case& c : cases) {
        Answers spelled = Ask(c.text), full = Ask(c.full);
        EXPECT_EQ(full, spelled) << c.text;
        EXPECT_EQ(c.isProtected, spelled.isProtected) << c.text;
        EXPECT_EQ(c.parent, spelled.parent) << c.text;
        EXPECT_EQ(c.found, spelled.found) << c.text;
        EXPECT_EQ("3 3 3 ", Deletions(c.text)) << c.text;
    }
    EXPECT_TRUE(zt::FileExists(current + "\\inner\\" + kMarker));
    SetCurrentDirectoryA(saved);
    zt::RemoveTree(top);
}

// A folder that is not there gets one answer from every export at every length up to 259 characters,
// and every path longer than that is refused by all of them alike.
TEST_F(FolderPaths, OneAnswerAtEveryLength) {
    const std::string top = "R:\\lengths";
    zt::RemoveTree(top);
    ASSERT_TRUE(MakeDir(top));
    Answers missing;
    missing.isProtected = missing.isProtectedEx = missing.parent = missing.found = FALSE;
    missing.childRan = TRUE; // the folder of a missing entry is searched
    missing.deleteable = TRUE;
    missing.inUse = 1;
    missing.encryptable = 58;
    for (size_t length = top.size() + 2; length <= 259; ++length) {
        const std::string path = top + "\\" + std::string(length - top.size() - 1, 'm');
        ASSERT_EQ(length, path.size());
        EXPECT_EQ(missing, Ask(path)) << length;
        EXPECT_EQ("0 1 0 ", Deletions(path)) << length;
    }
    for (size_t length : {260u, 261u, 300u, 1000u}) {
        const std::string path = top + "\\" + std::string(length - top.size() - 1, 'm');
        EXPECT_EQ(Refused(), Ask(path)) << length;
        EXPECT_EQ("3 3 3 ", Deletions(path)) << length;
    }
    EXPECT_EQ(Refused(), Ask(""));
    EXPECT_EQ("3 3 3 ", Deletions(""));
    zt::RemoveTree(top);
}

} // namespace
