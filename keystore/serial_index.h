// The public keys of a store document by serial, built once for a document that no longer changes
// (the read connection's snapshot), so that each lookup costs a binary search instead of a walk of the
// whole tree. It answers exactly what StoreDoc::FindPublicKey answers.
#ifndef ZRPC_KEYSTORE_SERIAL_INDEX_H
#define ZRPC_KEYSTORE_SERIAL_INDEX_H

#include <cstdint>
#include <vector>

#include "xml/xml.h"

namespace zks {

class SerialIndex {
  public:
    // Indexes the tree below root (the backupdatabase element) in the order of StoreDoc::FindPublicKey:
    // depth first, a publickey element that has a serial attribute holding exactly eight upper-case
    // hexadecimal digits is indexed under that serial unless an earlier one took it, and nothing below
    // a publickey element is looked at. False when memory ran out (the index is then empty).
    bool Build(const XmlNodeHandle& root);
    // The indexed publickey element, or a null handle.
    XmlNodeHandle Find(std::uint32_t serial) const;
    void Clear() { m_keys.clear(); }

  private:
    struct Key {
        std::uint32_t serial;
        XmlNodeRec* node;
    };
    std::vector<Key> m_keys; // by serial
};

} // namespace zks

#endif
