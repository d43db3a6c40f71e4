// Which folder paths a deletion or scan must refuse: relative spellings, and full paths that name a
// whole drive or share in any of the platform's forms.
#include <gtest/gtest.h>

#include "base/pathroot.h"

namespace {

using zrpc::IsAbsolutePath;
using zrpc::IsRootPath;

TEST(PathRoot, AbsoluteSpellings) {
    struct Case {
        const char* path;
        bool absolute;
    } cases[] = {
        {"C:\\a", true},      {"c:/a", true},         {"C:\\", true},   {"\\\\server\\share", true},
        {"//server/x", true}, {"\\\\?\\C:\\a", true}, {"", false},      {"C:", false},
        {"C:a", false},       {"a\\b", false},        {"..\\b", false}, {"\\a", false},
        {".", false},         {"1:\\a", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.absolute, IsAbsolutePath(c.path)) << c.path;
    EXPECT_FALSE(IsAbsolutePath(nullptr));
}

TEST(PathRoot, RootsOfDrivesSharesAndDevices) {
    struct Case {
        const char* path;
        bool root;
    } cases[] = {
        {"C:", true},
        {"C:\\", true},
        {"c:/", true},
        {"C:\\\\", true},
        {"\\\\server", true},
        {"\\\\server\\", true},
        {"\\\\server\\share", true},
        {"\\\\server\\share\\", true},
        {"//server/share/", true},
        {"\\\\?\\C:\\", true},
        {"\\\\?\\c:", true},
        {"\\\\?\\UNC\\server\\share", true},
        {"\\\\?\\unc\\server\\share\\", true},
        {"\\\\.\\C:", true},
        {"\\\\.\\PhysicalDrive0", true},
        {"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\", true},
        {"", true},
        {"\\", true},
        {"\\a", true},
        {"C:\\a", false},
        {"C:\\a\\", false},
        {"c:/Windows", false},
        {"\\\\server\\share\\a", false},
        {"\\\\server\\share\\a\\", false},
        {"\\\\?\\C:\\a", false},
        {"\\\\?\\UNC\\server\\share\\a", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.root, IsRootPath(c.path)) << c.path;
    EXPECT_TRUE(IsRootPath(nullptr));
}

} // namespace
