// The folder exports with names in every script, in a program that runs with UTF-8 as its code page
// (its manifest, folder_texts_utf8_test.rc).
#include "tests/win/folder_texts.h"

namespace {
UINT ExpectedCodePage() {
    return CP_UTF8;
}
} // namespace
