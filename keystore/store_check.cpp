#include "keystore/store_check.h"

#include <cstdlib>
#include <cstring>

#include "keystore/store_doc.h"

namespace zks {

bool IsCompleteStoreText(const char* data, std::size_t size) {
    if (!data || size == 0 || std::memchr(data, 0, size)) return false;
    char* copy = static_cast<char*>(std::malloc(size + 1));
    if (!copy) return false;
    std::memcpy(copy, data, size);
    copy[size] = 0;
    StoreDoc doc;
    return doc.LoadHeapText(copy, size, XmlBuild::on_demand, StoreUse::change) && doc.Whole();
}

} // namespace zks
