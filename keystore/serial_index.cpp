#include "keystore/serial_index.h"

#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace zks {

namespace {

// The serial of a "%08X" text; false for any other text (lower case, other lengths, other characters).
bool CanonicalSerial(const char* text, std::uint32_t& serial) {
    if (!text) return false;
    serial = 0;
    for (int i = 0; i < 8; ++i) {
        char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = (unsigned)(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = (unsigned)(c - 'A' + 10);
        else
            return false;
        serial = serial << 4 | digit;
    }
    return text[8] == 0;
}

} // namespace

bool SerialIndex::Build(const XmlNodeHandle& root) {
    m_keys.clear();
    if (root.is_null()) return true;
    try {
        std::vector<std::pair<XmlNodeRec*, std::uint32_t>> stack{{root.node(), 0}};
        while (!stack.empty()) {
            XmlNodeRec* node = stack.back().first;
            std::uint32_t& next = stack.back().second;
            if (next >= node->child_count || !node->children) {
                stack.pop_back();
                continue;
            }
            XmlNodeRec* child = node->children[next++];
            if (!child) continue;
            if (child->name && std::strcmp(child->name, "publickey") == 0) {
                for (std::uint32_t i = 0; i < child->attribute_count; ++i) {
                    const XmlAttrRec* a = child->attributes[i];
                    std::uint32_t serial;
                    if (a && a->name && std::strcmp(a->name, "serial") == 0 &&
                        CanonicalSerial(a->value, serial))
                        m_keys.emplace(serial, child); // an earlier element keeps its place
                }
                continue; // nothing below a public key is another public key of the store
            }
            if (child->child_count > 0) stack.emplace_back(child, 0);
        }
    } catch (const std::bad_alloc&) {
        m_keys.clear();
        return false;
    }
    return true;
}

XmlNodeHandle SerialIndex::Find(std::uint32_t serial) const {
    auto it = m_keys.find(serial);
    return it == m_keys.end() ? XmlNodeHandle() : XmlNodeHandle(it->second);
}

} // namespace zks
