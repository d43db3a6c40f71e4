// Packed cell blocks, the module-wide values and the column profile reader.
#include "reportctrl/model/report_model.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

namespace zrpc::report {

namespace {

enum : uint8_t { kImage = 1, kOverlay = 2, kCheck = 4, kColour = 8, kText = 16 };
constexpr size_t kHeader = 8; // cell count, byte size (both 32-bit)
constexpr size_t kMaxText = 255;

uint32_t Rd32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void Wr32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

// Bytes of the numbers a flag byte announces.
constexpr uint8_t kNumberBytes[16] = {0, 4, 4, 8, 4, 8, 8, 12, 4, 8, 8, 12, 8, 12, 12, 16};

size_t CellSize(const uint8_t* p) {
    uint8_t f = p[0];
    size_t n = 1 + kNumberBytes[f & 15];
    if (f & kText) n += 1 + p[n];
    return n;
}

size_t EncodedSize(const CellValue& v) {
    size_t n = 1;
    for (int x : {v.image, v.overlay, v.check, v.colour})
        if (x >= 0) n += 4;
    if (v.hasText) n += 1 + std::min(v.text.size(), kMaxText);
    return n;
}

uint8_t* Encode(uint8_t* out, const CellValue& v) {
    uint8_t* flags = out++;
    *flags = 0;
    const int vals[4] = {v.image, v.overlay, v.check, v.colour};
    const uint8_t bits[4] = {kImage, kOverlay, kCheck, kColour};
    for (int i = 0; i < 4; ++i) {
        if (vals[i] < 0) continue;
        *flags |= bits[i];
        Wr32(out, (uint32_t)vals[i]);
        out += 4;
    }
    if (v.hasText) {
        *flags |= kText;
        size_t len = std::min(v.text.size(), kMaxText);
        *out++ = (uint8_t)len;
        if (len) std::memcpy(out, v.text.data(), len);
        out += len;
    }
    return out;
}

CellValue Decode(const uint8_t* p) {
    CellValue v;
    uint8_t f = *p++;
    int* vals[4] = {&v.image, &v.overlay, &v.check, &v.colour};
    const uint8_t bits[4] = {kImage, kOverlay, kCheck, kColour};
    for (int i = 0; i < 4; ++i) {
        if (!(f & bits[i])) continue;
        *vals[i] = (int)Rd32(p);
        p += 4;
    }
    if (f & kText) {
        v.hasText = true;
        v.text = std::string_view(reinterpret_cast<const char*>(p + 1), p[0]);
    }
    return v;
}

uint8_t* BuildBlock(const std::vector<CellValue>& cells) {
    if (cells.empty()) return nullptr;
    size_t size = kHeader;
    for (const CellValue& c : cells)
        size += EncodedSize(c);
    uint8_t* p = static_cast<uint8_t*>(std::malloc(size));
    if (!p) throw std::bad_alloc();
    Wr32(p, (uint32_t)cells.size());
    Wr32(p + 4, (uint32_t)size);
    uint8_t* out = p + kHeader;
    for (const CellValue& c : cells)
        out = Encode(out, c);
    return p;
}

} // namespace

CellBlock::CellBlock(int cells) {
    if (cells <= 0) return;
    size_t size = kHeader + (size_t)cells;
    m_p = static_cast<uint8_t*>(std::malloc(size));
    if (!m_p) throw std::bad_alloc();
    Wr32(m_p, (uint32_t)cells);
    Wr32(m_p + 4, (uint32_t)size);
    std::memset(m_p + kHeader, 0, (size_t)cells);
}

CellBlock::CellBlock(const CellBlock& other) {
    if (!other.m_p) return;
    size_t size = other.Bytes();
    m_p = static_cast<uint8_t*>(std::malloc(size));
    if (!m_p) throw std::bad_alloc();
    std::memcpy(m_p, other.m_p, size);
}

CellBlock& CellBlock::operator=(const CellBlock& other) {
    if (this != &other) {
        CellBlock copy(other);
        *this = std::move(copy);
    }
    return *this;
}

CellBlock& CellBlock::operator=(CellBlock&& other) noexcept {
    if (this != &other) {
        std::free(m_p);
        m_p = other.m_p;
        other.m_p = nullptr;
    }
    return *this;
}

CellBlock::~CellBlock() {
    std::free(m_p);
}

int CellBlock::Count() const {
    return m_p ? (int)Rd32(m_p) : 0;
}
size_t CellBlock::Bytes() const {
    return m_p ? Rd32(m_p + 4) : 0;
}

CellValue CellBlock::Get(int k) const {
    if (k < 0 || k >= Count()) return CellValue();
    const uint8_t* p = m_p + kHeader;
    for (int i = 0; i < k; ++i)
        p += CellSize(p);
    return Decode(p);
}

bool CellBlock::Text(int k, std::string_view& text) const {
    if (k < 0 || k >= Count()) return false;
    const uint8_t* p = m_p + kHeader;
    for (int i = 0; i < k; ++i)
        p += CellSize(p);
    uint8_t f = p[0];
    if (!(f & kText)) return false;
    p += 1 + kNumberBytes[f & 15];
    text = std::string_view(reinterpret_cast<const char*>(p + 1), p[0]);
    return true;
}

// Rebuilds the block from its cells: mode 0 replaces cell setAt, 1 inserts a blank cell at k, 2 removes
// cell k. The values are read from the old block before it is released.
void CellBlock::Rebuild(int k, int mode, int setAt, const CellValue* setValue) {
    int n = Count();
    std::vector<CellValue> cells;
    cells.reserve((size_t)n + 1);
    const uint8_t* p = m_p ? m_p + kHeader : nullptr;
    for (int i = 0; i < n; ++i) {
        cells.push_back(Decode(p));
        p += CellSize(p);
    }
    if (mode == 0 && setAt >= 0 && setAt < n) cells[(size_t)setAt] = *setValue;
    if (mode == 1) cells.insert(cells.begin() + std::min(std::max(k, 0), n), CellValue());
    if (mode == 2 && k >= 0 && k < n) cells.erase(cells.begin() + k);
    uint8_t* fresh = BuildBlock(cells); // reads the texts still held by the old block
    std::free(m_p);
    m_p = fresh;
}

void CellBlock::Set(int k, const CellValue& v) {
    if (k < 0 || k >= Count()) return;
    // The new text may point into this block: build the new block before the old one goes.
    Rebuild(-1, 0, k, &v);
}

void CellBlock::InsertBlank(int k) {
    Rebuild(k, 1, -1, nullptr);
}
void CellBlock::Remove(int k) {
    Rebuild(k, 2, -1, nullptr);
}

// One instance for the process: these values are shared by every control by definition.
SharedValues& ProcessValues() {
    static SharedValues values;
    return values;
}

namespace {

bool ReadInt(const char*& p, int& out) {
    const char* start = p;
    while (*start == ' ' || *start == '\t')
        ++start;
    if (!(*start == '-' || *start == '+' || (*start >= '0' && *start <= '9'))) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(start, &end, 10);
    if (end == start || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    out = (int)v;
    p = end;
    return true;
}

} // namespace

bool ParseProfileValue(const char* text, int defCount, std::vector<int>& widths, std::vector<int>& columns) {
    widths.clear();
    columns.clear();
    if (!text) return false;
    const char* p = text;
    int defs = 0, cols = 0;
    if (*p++ != '(' || !ReadInt(p, defs) || *p++ != ',' || !ReadInt(p, cols) || *p++ != ')') return false;
    if (defs != defCount || cols < 1 || cols > defCount) return false;
    std::vector<bool> seen((size_t)defCount, false);
    for (int i = 0; i < defs + cols; ++i) {
        int v = 0;
        if (*p != ' ' || !ReadInt(++p, v)) return false;
        if (i < defs) {
            widths.push_back(v);
            continue;
        }
        if (v < 0 || v >= defCount || seen[(size_t)v]) return false;
        seen[(size_t)v] = true;
        columns.push_back(v);
    }
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
        ++p;
    if (*p) return false;
    return true;
}

} // namespace zrpc::report
