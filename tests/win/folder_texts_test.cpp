// The folder exports with names in every script, in the code page the machine gives the program.
#include "tests/win/folder_texts.h"

namespace {
UINT ExpectedCodePage() {
    return 1252;
}
} // namespace
