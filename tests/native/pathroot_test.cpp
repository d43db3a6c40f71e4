// Which folder paths a deletion or scan must refuse: relative spellings, full paths that name a whole
// drive or share in any of the platform's forms, and paths that name a device. 8-bit and UTF-16 texts
// get the same answers.
#include <gtest/gtest.h>

#include "base/pathroot.h"

#include <string>

namespace {

using zrpc::IsAbsolutePath;
using zrpc::IsRootPath;
using zrpc::NamesDevice;

// The UTF-16 form of an ASCII or code page 1252 text (each byte one character).
std::wstring Wide(const char* text) {
    std::wstring out;
    for (; *text; ++text)
        out += (wchar_t)(unsigned char)*text;
    return out;
}

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
    for (const Case& c : cases)
        EXPECT_EQ(c.absolute, IsAbsolutePath(Wide(c.path).c_str())) << c.path;
    EXPECT_FALSE(IsAbsolutePath(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(IsAbsolutePath(static_cast<const wchar_t*>(nullptr)));
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
    for (const Case& c : cases)
        EXPECT_EQ(c.root, IsRootPath(Wide(c.path).c_str())) << c.path;
    EXPECT_TRUE(IsRootPath(static_cast<const char*>(nullptr)));
    EXPECT_TRUE(IsRootPath(static_cast<const wchar_t*>(nullptr)));
}

TEST(PathRoot, DeviceNames) {
    struct Case {
        const char* path;
        bool device;
    } cases[] = {
        {"NUL", true},
        {"nul", true},
        {"Con", true},
        {"PRN", true},
        {"AUX", true},
        {"CONIN$", true},
        {"conout$", true},
        {"COM1", true},
        {"com9", true},
        {"COM0", true},
        {"LPT1", true},
        {"lpt9", true},
        {"COM\xB9", true}, // superscript one
        {"LPT\xB2", true},
        {"LPT\xB3", true},
        {"NUL.txt", true},
        {"nul.tar.gz", true},
        {"con .log", true},
        {"NUL   ", true},
        {"NUL:", true},
        {"COM1:", true},
        {"C:\\NUL", true},
        {"C:\\x\\COM1", true},
        {"c:/x/aux.h", true},
        {"\\\\server\\share\\prn", true},
        {"C:\\nul\\x", true},
        {".\\con\\", true},
        {"\\\\.\\COM1", true},
        {"\\\\.\\PhysicalDrive0", true},
        {"\\\\.\\pipe\\x", true},
        {"\\\\.\\C:\\a", false},
        {"", false},
        {"C:\\", false},
        {"NULL", false},
        {"nu", false},
        {"COM10", false},
        {"COMA", false},
        {"LPT", false},
        {"console", false},
        {"auxiliary.txt", false},
        {"C:\\x\\NUL_", false},
        {"C:\\x\\xNUL", false},
        {"C:\\Program Files\\a.b", false},
        {"\\\\?\\C:\\a", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.device, NamesDevice(c.path)) << c.path;
        EXPECT_EQ(c.device, NamesDevice(Wide(c.path).c_str())) << c.path;
    }
    EXPECT_FALSE(NamesDevice(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(NamesDevice(static_cast<const wchar_t*>(nullptr)));
    // The superscript digits as UTF-16 characters, and other characters beside the names.
    EXPECT_TRUE(NamesDevice(L"COM\u00B9"));
    EXPECT_FALSE(NamesDevice(L"COM\u2081")) << "a subscript one is no device";
    EXPECT_FALSE(NamesDevice(L"NUL\u00E9"));
}

} // namespace
