// Random sequences of the report control's messages, read from fuzz input: every message of the range
// (numbers without an entry included, and numbers just outside it), with small and out-of-range
// numbers, records of the right and of a wrong size, null records and texts, counted and zero-ended
// texts, node handles the control gave out, stale and made-up ones. What a caller must get right
// stays right: buffers are as large as the record says, pointers point at real memory, a sort callback
// is a function, handles of images, fonts and windows are real ones or null. The same driver sends to
// the message table natively (fuzz target) and to a live window (Windows test).
#ifndef ZRPC_TESTS_REPORT_MESSAGE_DRIVER_H
#define ZRPC_TESTS_REPORT_MESSAGE_DRIVER_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "zrpcctl_report.h"

namespace reporttest {

// Handles of the caller's that messages may carry (null where it has none).
struct DriverHandles {
    uintptr_t images = 0;  // an image list
    uintptr_t font = 0;    // a font
    uintptr_t listBox = 0; // a list box for the sub-item chooser
};

// A sort callback for RVM_SETSORTCALLBACK: item order, reversed.
inline int RV_CALLBACK ReverseOrder(int i1, int, int i2, int, RV_LPARAM) {
    return i2 - i1;
}

template <class Send> class MessageDriver {
  public:
    MessageDriver(FuzzInput& in, const DriverHandles& handles, Send send) : in(in), h(handles), send(send) {}

    // One message; its answer.
    intptr_t Step() {
        uint8_t pick = in.Byte();
        uint32_t msg = pick < 250    ? RVM_FIRST + pick % (RVM_LAST - RVM_FIRST + 1)
                       : pick == 250 ? RVM_FIRST - 1
                                     : RVM_LAST + 1;
        uintptr_t wp = (uintptr_t)(intptr_t)Int();
        intptr_t lp = Int();
        Records rec;
        BuildArguments(msg, rec, wp, lp);
        intptr_t answer = send(msg, wp, lp);
        // Node handles the control gives out are used again (and go stale when their items go).
        if ((msg == RVM_INSERTTREEITEM || msg == RVM_GETITEMHANDLE || msg == RVM_GETNEXTTREEITEM) && answer &&
            nodes.size() < 64)
            nodes.push_back((uintptr_t)answer);
        return answer;
    }
    bool More() const { return in.n > 0; }

  private:
    // The memory a message's arguments point into, alive until it has been answered.
    struct Records {
        union {
            RVMITEM item;
            RVMSUBITEM sub;
            RVMCELL cell;
            RVMSELECT select;
            RVMTREEITEM tree;
            RVMEXPAND expand;
            RVMFIND find;
            RVMHITTEST hit;
            RVMITEMRECT rect;
            RVMPROFILE profile;
            RVMPROFILESTORE store;
            RVMEDIT edit;
            RVMPREVIEW preview;
            unsigned char bytes[128];
        } u;
        char text[64];
        char text2[64];
        char out[64];
        int32_t ints[64];
        uintptr_t handles[16];
    };

    int Int() {
        static const int kValues[] = {-3, -2, -1, 0, 0, 1, 1, 2, 2, 3, 4, 5, 7, 10, 31, 200};
        uint8_t b = in.Byte();
        return b < 128 ? kValues[b % 16] : b % 64;
    }

    uintptr_t Node() {
        uint8_t b = in.Byte();
        if (b < 100 && !nodes.empty()) return nodes[b % nodes.size()];
        static const intptr_t kSpecial[] = {-0x10000, -0x0FFFF, -0x0FFFE, -0x0FFFD, 0, 0x1234, 8};
        return (uintptr_t)kSpecial[b % 7];
    }

    // A text for a record: counted (possibly without its zero byte), zero-ended (-1), null, or of a
    // wrong length (-2).
    void Text(char* buffer, const char*& text, int32_t& length) {
        std::string s = in.Text();
        std::memset(buffer, 'z', 64);
        std::memcpy(buffer, s.data(), s.size());
        buffer[s.size()] = 0;
        text = buffer;
        switch (in.Byte() % 6) {
        case 0:
            length = -1;
            break;
        case 1:
            length = (int32_t)s.size();
            break;
        case 2:
            length = (int32_t)(in.Byte() % 64);
            break; // counted, may run past the zero byte
        case 3:
            text = nullptr;
            length = -1;
            break;
        case 4:
            length = -2;
            break;
        default:
            length = 0;
            break;
        }
    }

    template <class R> intptr_t Record(R& r) {
        for (size_t i = 0; i < sizeof r; ++i)
            reinterpret_cast<unsigned char*>(&r)[i] = (unsigned char)Int();
        uint8_t b = in.Byte();
        r.cbSize = b < 230 ? (uint32_t)sizeof r : (uint32_t)sizeof r + (b % 5) - 2;
        return b == 255 ? 0 : (intptr_t)&r;
    }

    void Item(RVMITEM& m, Records& rec) {
        m.nMask = in.Byte() | (in.Byte() & 3u) << 8;
        m.iItem = Int();
        m.iSubItem = Int();
        m.lParam = Int();
        const char* text = nullptr;
        Text(rec.text, text, m.cchText);
        m.pszText = const_cast<char*>(text);
    }

    void BuildArguments(uint32_t msg, Records& rec, uintptr_t& wp, intptr_t& lp) {
        std::memset(&rec, 0, sizeof rec);
        switch (msg) {
        case RVM_SETPROPERTY: {
            uint32_t p = (uint32_t)Int() % 17;
            wp = p;
            if (p == RVP_EMPTYMESSAGE || p == RVP_SORTTIP || p == RVP_COPYINDENTATION) {
                std::string s = in.Text();
                std::memcpy(rec.text, s.c_str(), s.size() + 1);
                lp = (intptr_t)rec.text;
            } else if (p == RVP_DIVIDER || p == RVP_COPYDELIMITER) {
                lp = in.Byte() % 2 ? '|' : '\t';
            }
            break;
        }
        case RVM_DEFINESUBITEM:
        case RVM_REDEFINESUBITEM:
            lp = Record(rec.u.sub);
            Text(rec.text, rec.u.sub.pszText, rec.u.sub.cchText);
            break;
        case RVM_INSERTITEM:
        case RVM_SETITEM:
        case RVM_ADDITEM:
            lp = Record(rec.u.item);
            Item(rec.u.item, rec);
            if (msg == RVM_ADDITEM && in.Byte() % 8 == 0) lp = 0; // a copy of the edit row
            break;
        case RVM_GETITEM:
            lp = Record(rec.u.item);
            rec.u.item.iItem = Int();
            rec.u.item.iSubItem = Int();
            rec.u.item.nMask = in.Byte();
            rec.u.item.pszText = in.Byte() % 4 ? rec.out : nullptr;
            rec.u.item.cchText = Int() % 65;
            if (rec.u.item.cchText < 0) rec.u.item.cchText = 0;
            break;
        case RVM_GETITEMTEXT:
            lp = Record(rec.u.cell);
            rec.u.cell.iSubItem = Int();
            rec.u.cell.pszText = in.Byte() % 4 ? rec.out : nullptr;
            rec.u.cell.cchText = Int() % 65;
            break;
        case RVM_SETITEMTEXT: {
            lp = Record(rec.u.cell);
            rec.u.cell.iSubItem = Int();
            const char* text = nullptr;
            Text(rec.text, text, rec.u.cell.cchText);
            rec.u.cell.pszText = const_cast<char*>(text);
            break;
        }
        case RVM_SETITEMIMAGE:
        case RVM_SETITEMCHECK:
            lp = Record(rec.u.cell);
            rec.u.cell.iSubItem = Int();
            rec.u.cell.iValue = Int();
            rec.u.cell.pszText = nullptr;
            break;
        case RVM_SETITEMCOUNT:
            wp = (uintptr_t)(in.Byte() % 4 == 0 ? 1500 : Int());
            break;
        case RVM_INSERTCOLOR:
        case RVM_SETCOLOR:
            lp = (intptr_t)(in.Byte() * 0x10101u);
            break;
        case RVM_INSERTTREEITEM: {
            lp = Record(rec.u.tree);
            rec.u.tree.hParent = reinterpret_cast<struct _TREEITEM*>(Node());
            rec.u.tree.hInsertAfter = reinterpret_cast<struct _TREEITEM*>(Node());
            rec.u.tree.iTreeSubItem = Int();
            rec.u.tree.item.cbSize = in.Byte() < 240 ? (uint32_t)sizeof(RVMITEM) : 3;
            Item(rec.u.tree.item, rec);
            break;
        }
        case RVM_DELETETREEITEM:
        case RVM_HASCHILDREN:
        case RVM_GETITEMINDEX:
        case RVM_SETTREESUBITEM:
        case RVM_GETTREEITEMCOUNT:
        case RVM_ENSURETREEITEMVISIBLE:
        case RVM_SETTREESELECTION:
        case RVM_EXPAND:
        case RVM_GETNEXTTREEITEM:
            lp = (intptr_t)Node();
            break;
        case RVM_ISCHILD:
        case RVM_ISDESCENDENT:
            wp = Node();
            lp = (intptr_t)Node();
            break;
        case RVM_EXPANDALL:
            lp = Record(rec.u.expand);
            rec.u.expand.hItem = reinterpret_cast<struct _TREEITEM*>(Node());
            rec.u.expand.nCode = (uint32_t)Int();
            rec.u.expand.iLevels = Int();
            break;
        case RVM_GETSORTSETTINGS:
            wp = in.Byte() % 2 ? (uintptr_t)&rec.ints[0] : 0;
            lp = in.Byte() % 2 ? (intptr_t)&rec.ints[1] : 0;
            break;
        case RVM_SETSORTCALLBACK:
            wp = in.Byte() % 2 ? reinterpret_cast<uintptr_t>(&ReverseOrder) : 0;
            break;
        case RVM_GETSELECTEDITEMS:
            wp = (uintptr_t)(intptr_t)(Int() % 65);
            lp = in.Byte() % 4 ? (intptr_t)rec.ints : 0;
            break;
        case RVM_SETSELECTIONITEMS:
        case RVM_SETTREESELECTIONITEMS:
        case RVM_SETSELECTIONPATTERN:
        case RVM_SETSELECTIONLESSEQ: {
            lp = Record(rec.u.select);
            int n = Int() % 16;
            for (int i = 0; i < 16; ++i) {
                rec.ints[i] = Int();
                rec.handles[i] = Node();
            }
            rec.u.select.nCount = n;
            rec.u.select.piItems = in.Byte() % 8 ? rec.ints : nullptr;
            rec.u.select.phItems =
                in.Byte() % 8 ? reinterpret_cast<struct _TREEITEM* const*>(rec.handles) : nullptr;
            rec.u.select.iSubItem = Int();
            rec.u.select.nValue = Int();
            Text(rec.text, rec.u.select.pszPattern, rec.u.select.cchPattern);
            break;
        }
        case RVM_GETCURRENTFOCUS:
            lp = in.Byte() % 2 ? (intptr_t)rec.ints : 0;
            break;
        case RVM_FINDITEM:
            lp = Record(rec.u.find);
            rec.u.find.nFlags = in.Byte() | (in.Byte() & 3u) << 8;
            Text(rec.text, rec.u.find.pszText, rec.u.find.cchText);
            rec.u.find.iSubItem = Int();
            rec.u.find.iStart = Int();
            break;
        case RVM_WRITEPROFILE:
        case RVM_GETPROFILE:
            lp = Record(rec.u.profile);
            Text(rec.text, rec.u.profile.pszSection, rec.u.profile.cchSection);
            Text(rec.text2, rec.u.profile.pszEntry, rec.u.profile.cchEntry);
            break;
        case RVM_SETPROFILESTORE: {
            // One key of the tests' own or the default; never a file (a made-up name would land in
            // the system's folder).
            lp = Record(rec.u.store);
            static const char kKey[] = "Software\\ZRPC tests\\message driver";
            rec.u.store.pszRegistryKey = in.Byte() % 2 ? kKey : nullptr;
            rec.u.store.cchRegistryKey = in.Byte() % 2 ? -1 : (int32_t)(in.Byte() % sizeof kKey);
            rec.u.store.pszIniFile = nullptr;
            break;
        }
        case RVM_SETBKIMAGE:
            // A resource number (none of them a bitmap of the program's) or a name.
            wp = 0;
            if (in.Byte() % 2) {
                lp = (intptr_t)(in.Byte() % 200);
            } else {
                const char* name = nullptr;
                int32_t length = 0;
                Text(rec.text, name, length);
                lp = (intptr_t)name;
            }
            break;
        case RVM_GETITEMRECT:
        case RVM_MEASUREITEM:
            lp = Record(rec.u.rect);
            rec.u.rect.iItem = Int();
            rec.u.rect.iSubItem = Int();
            rec.u.rect.nCode = (uint32_t)Int();
            break;
        case RVM_HITTEST:
            lp = Record(rec.u.hit);
            rec.u.hit.x = Int() * 7;
            rec.u.hit.y = Int() * 5;
            break;
        case RVM_SETIMAGELIST:
            wp = in.Byte() % 2 ? h.images : 0;
            lp = (intptr_t)(in.Byte() % 4 ? 0 : h.images);
            break;
        case RVM_BEGINEDIT:
            lp = Record(rec.u.edit);
            rec.u.edit.iRow = Int();
            rec.u.edit.iColumn = Int();
            rec.u.edit.nKey = in.Byte() % 2 ? 1u : (uint32_t)'a';
            break;
        case RVM_PREVIEWHEIGHT:
            wp = in.Byte() % 2 ? h.font : 0;
            break;
        case RVM_PREVIEWTEXTHEIGHT:
            lp = Record(rec.u.preview);
            rec.u.preview.hFont = reinterpret_cast<void*>(in.Byte() % 2 ? h.font : 0);
            Text(rec.text, rec.u.preview.pszText, rec.u.preview.cchText);
            break;
        case RVM_SETSUBITEMLIST:
            wp = in.Byte() % 2 ? h.listBox : 0;
            break;
        default:
            break;
        }
    }

    FuzzInput& in;
    DriverHandles h;
    Send send;
    std::vector<uintptr_t> nodes;
};

template <class Send>
MessageDriver<Send> MakeMessageDriver(FuzzInput& in, const DriverHandles& h, Send send) {
    return MessageDriver<Send>(in, h, send);
}

} // namespace reporttest

#endif
