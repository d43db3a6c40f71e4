// Whether a key store file is whole. The XML engine is lenient: a truncated file, a stray NUL byte or
// a document type declaration still loads, as a smaller store. Reading from such a store is harmless,
// but a change saved from it would drop every entry that did not load, so changes are refused unless
// the file's text is a complete store (StoreDoc::Whole).
#ifndef ZRPC_KEYSTORE_STORE_CHECK_H
#define ZRPC_KEYSTORE_STORE_CHECK_H

#include <cstddef>

namespace zks {

// True when data (size bytes) holds no NUL byte and reads, as a change reads the store, as a whole
// store (StoreDoc::Whole): one backupdatabase element whose elements all close with their own end tags,
// no deeper than the layout, with nothing but white space, comments and processing instructions around
// it (a leading UTF-8 byte-order mark aside), no declaration anywhere and no start tag holding a bare
// word. Texts written by writers that escape nothing ('<' and '>' in texts and attribute values, a '"'
// inside a value) are complete; linear in size.
bool IsCompleteStoreText(const char* data, std::size_t size);

} // namespace zks

#endif
