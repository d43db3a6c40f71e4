// Whether a key store file is whole. The XML engine is lenient: a truncated file, a stray NUL byte or
// a document type declaration still loads, as a smaller store. Reading from such a store is harmless,
// but a change saved from it would drop every entry that did not load, so changes are refused unless
// the file's text is a complete document.
#ifndef ZRPC_KEYSTORE_STORE_CHECK_H
#define ZRPC_KEYSTORE_STORE_CHECK_H

#include <cstddef>

namespace zks {

// True when data (size bytes, no NUL among them) is one backupdatabase element whose tags all
// nest and close, with nothing but white space, comments and processing instructions before it and
// nothing but white space after it. Every start tag's attributes must be complete (quoted values
// closed), comments, processing instructions and CDATA sections closed, and no declaration
// ("<!DOCTYPE", "<!ENTITY", ...) may appear anywhere.
bool IsCompleteStoreText(const char* data, std::size_t size);

} // namespace zks

#endif
