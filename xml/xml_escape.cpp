// The escape scheme for stored values (see xml.h): in a text that holds '<', '&' or '"', the four markup
// characters become entity references on the way in, and exactly those references plus "&apos;" are decoded
// on the way out.
#include "xml/xml.h"

#include <cstring>

std::string xml_escape(std::string_view text) {
    // Text that holds none of '<', '&' and '"' is stored byte for byte, '>' and all.
    if (text.find_first_of("<&\"") == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t done = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* entity;
        switch (text[i]) {
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '"':
            entity = "&quot;";
            break;
        default:
            continue;
        }
        out.append(text.data() + done, i - done);
        out.append(entity);
        done = i + 1;
    }
    out.append(text.data() + done, text.size() - done);
    return out;
}

std::string xml_unescape(std::string_view text) {
    static const struct {
        const char* entity;
        std::size_t size;
        char c;
    } kEntities[] = {
        {"&amp;", 5, '&'}, {"&lt;", 4, '<'}, {"&gt;", 4, '>'}, {"&quot;", 6, '"'}, {"&apos;", 6, '\''}};
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t amp = text.find('&', i);
        if (amp == std::string_view::npos) break;
        out.append(text.data() + i, amp - i);
        i = amp;
        bool decoded = false;
        for (const auto& e : kEntities) {
            if (text.size() - i >= e.size && std::memcmp(text.data() + i, e.entity, e.size) == 0) {
                out.push_back(e.c);
                i += e.size;
                decoded = true;
                break;
            }
        }
        if (!decoded) {
            out.push_back('&');
            ++i;
        }
    }
    if (i < text.size()) out.append(text.data() + i, text.size() - i);
    return out;
}
