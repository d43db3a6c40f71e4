#include "keystore/serial_index.h"

#include <algorithm>
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
        // Through the handles, so that a snapshot built on demand makes only the levels walked here.
        std::vector<std::pair<XmlNodeHandle, std::uint32_t>> stack{{root, 0}};
        while (!stack.empty()) {
            XmlNodeHandle node = stack.back().first;
            std::uint32_t& next = stack.back().second;
            if (next >= node.child_count()) {
                stack.pop_back();
                continue;
            }
            XmlNodeHandle child = node.child(next++);
            if (child.is_null()) continue;
            if (child.name() && std::strcmp(child.name(), "publickey") == 0) {
                for (std::uint32_t i = 0; i < child.attribute_count(); ++i) {
                    XmlAttrHandle a = child.attribute_at(i);
                    std::uint32_t serial;
                    if (a.name() && std::strcmp(a.name(), "serial") == 0 &&
                        CanonicalSerial(a.value(), serial))
                        m_keys.push_back({serial, child.node()});
                }
                continue; // nothing below a public key is another public key of the store
            }
            if (child.child_count() > 0) stack.emplace_back(child, 0);
        }
        // In serial order; of several elements with one serial, the earliest keeps its place.
        std::stable_sort(m_keys.begin(), m_keys.end(),
                         [](const Key& a, const Key& b) { return a.serial < b.serial; });
        m_keys.erase(std::unique(m_keys.begin(), m_keys.end(),
                                 [](const Key& a, const Key& b) { return a.serial == b.serial; }),
                     m_keys.end());
    } catch (const std::bad_alloc&) {
        m_keys.clear();
        return false;
    }
    return true;
}

XmlNodeHandle SerialIndex::Find(std::uint32_t serial) const {
    auto it = std::lower_bound(m_keys.begin(), m_keys.end(), serial,
                               [](const Key& k, std::uint32_t s) { return k.serial < s; });
    return it == m_keys.end() || it->serial != serial ? XmlNodeHandle() : XmlNodeHandle(it->node);
}

} // namespace zks
