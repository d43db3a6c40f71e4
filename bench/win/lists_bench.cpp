// Population benchmark of the list controls (Windows, under Wine): the key-store list filled from a
// store of 10,000 public keys (or as many as the first argument says), each with a comment, and the key
// list filled with a token's 64 slots, each against inserting the same rows into a bare list view in
// the same run. Aim: within 1.5 x the bare insertion.
//
// The store's entries are laid out in the form the library writes (taken from a key the library added
// and annotated itself), then loaded and counted through the library before anything is measured. The
// store files under the installation folder are set aside and put back at the end. The windows are
// made hidden: both sides pay for the same list view, no painting.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "bench/win/benchclock.h"
#include "standins/token/softtoken.h"
#include "tests/common/collapsed.h"
#include "zrpcdblist.h"
#include "zrpcfunc.h"
#include "zrpckeylist.h"

namespace {

unsigned kKeys = 10000;
constexpr uint32_t kFirstSerial = 0x10000000;
constexpr int kRounds = 5;
constexpr int kKeyRounds = 41;

std::string StorePath() {
    char path[MAX_PATH] = "";
    ZRPCFUNC_DB_DatabaseExists(path);
    return path;
}

_tNewTransferPacket Packet(uint32_t serial, const char* name) {
    _tNewTransferPacket p;
    std::memset(&p, 0, sizeof p);
    p.size = ZRPC_PACKET_SIZE;
    p.version = ZRPC_PACKET_VERSION;
    p.type = ZRPC_PACKET_PUBLICKEY;
    p.serial = p.secondSerial = serial;
    std::snprintf(p.name, sizeof p.name, "%s", name);
    SoftToken::FillKeyData(&p, serial);
    return p;
}

std::string StoredText(_tNewTransferPacket packet) {
    char* text = nullptr;
    unsigned long length = 0;
    if (ZRPCFUNC_CreateMemKTFile(&packet, &text, &length, nullptr, 0) != 0) return std::string();
    std::string out = Collapsed(std::string_view(text, length));
    ZRPC_FreeGlobal(text);
    return out;
}

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

struct Row {
    std::string name, serial, comment;
};

// Writes a store of kKeys keys in the library's own layout; the rows the list will show go to rows.
bool MakeStore(const std::string& store, std::vector<Row>& rows) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%s", store.c_str());
    if (!ZRPCFUNC_DB_CreateDatabase(nullptr, path)) return false;
    _tNewTransferPacket first = Packet(kFirstSerial, "Key 00000");
    if (ZRPCFUNC_DB_AddPublicKey(nullptr, &first, 0) != 0) return false;
    if (ZRPCFUNC_DB_SetComments(kFirstSerial, const_cast<char*>("comment for key 00000")) != 0) return false;
    ZRPCFUNC_DB_Disconnect();
    std::string written;
    if (!ReadAll(store, written)) return false;
    size_t begin = written.find("<publickey"), end = written.find("</publickey>");
    if (begin == std::string::npos || end == std::string::npos) return false;
    begin = written.rfind('\n', begin) + 1;
    end = written.find('\n', end) + 1;
    const std::string head = written.substr(0, begin), tail = written.substr(end);
    const std::string entry = written.substr(begin, end - begin);
    size_t p0 = entry.find("<packet>"), p1 = entry.find("</packet>");
    if (p0 == std::string::npos || p1 == std::string::npos) return false;
    p0 += 8;
    const std::string before = entry.substr(0, p0), after = entry.substr(p1);
    std::string text = head;
    for (unsigned i = 0; i < kKeys; ++i) {
        char name[16], serial[9], comment[32];
        std::snprintf(name, sizeof name, "Key %05u", i);
        std::snprintf(serial, sizeof serial, "%08X", (unsigned)(kFirstSerial + i));
        std::snprintf(comment, sizeof comment, "comment for key %05u", i);
        std::string b = before, a = after;
        ReplaceAll(b, "10000000", serial);
        ReplaceAll(b, "Key 00000", name);
        ReplaceAll(a, "comment for key 00000", comment);
        text += b + StoredText(Packet(kFirstSerial + i, name)) + a;
        rows.push_back({name, serial, comment});
    }
    text += tail;
    return WriteAll(store, text);
}

HWND MakeListView(HWND host) {
    return CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 400, 300, host, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

void AddColumns(HWND lv, const std::vector<std::pair<const char*, int>>& columns) {
    int i = 0;
    for (const auto& c : columns) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = const_cast<char*>(c.first);
        col.cx = c.second;
        col.iSubItem = i;
        SendMessageA(lv, LVM_INSERTCOLUMNA, i++, reinterpret_cast<LPARAM>(&col));
    }
}

// The bare peer: the same rows, texts and a per-row block of item data, straight into a list view.
void InsertBare(HWND lv, const std::vector<std::vector<std::string>>& rows) {
    int at = 0;
    for (const auto& cells : rows) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = at;
        item.pszText = const_cast<char*>(cells[0].c_str());
        item.lParam = reinterpret_cast<LPARAM>(new char[32]);
        int row = (int)SendMessageA(lv, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        for (size_t c = 1; c < cells.size(); ++c) {
            LVITEMA sub = {};
            sub.iSubItem = (int)c;
            sub.pszText = const_cast<char*>(cells[c].c_str());
            SendMessageA(lv, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
        }
        ++at;
    }
}

void FreeBare(HWND lv) {
    int n = (int)SendMessageA(lv, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < n; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        SendMessageA(lv, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        delete[] reinterpret_cast<char*>(item.lParam);
    }
    DestroyWindow(lv);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::atoi(argv[1]) > 0) kKeys = (unsigned)std::atoi(argv[1]);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    const std::string store = StorePath();
    if (store.empty()) {
        std::fprintf(stderr, "lists_bench: the key store's location is not configured\n");
        return 2;
    }
    const std::string folder = store.substr(0, store.find_last_of('\\') + 1);
    const char* companions[] = {"KeyStore.xml", "TempStore.xml", "Previous.dat"};
    for (const char* c : companions)
        MoveFileExA((folder + c).c_str(), (folder + c + ".bench-saved").c_str(), MOVEFILE_REPLACE_EXISTING);
    auto restore = [&] {
        ZRPCFUNC_DB_Disconnect();
        for (const char* c : companions) {
            DeleteFileA((folder + c).c_str());
            MoveFileExA((folder + c + ".bench-saved").c_str(), (folder + c).c_str(),
                        MOVEFILE_REPLACE_EXISTING);
        }
    };
    std::vector<Row> stored;
    std::printf("building a store of %u keys (a comment each)...\n", kKeys);
    if (!MakeStore(store, stored)) {
        std::fprintf(stderr, "lists_bench: cannot make the key store\n");
        restore();
        return 1;
    }

    std::string tokens =
        "token Bench token\nserial 0BE0C401\npubkey 5A5A0001\nbackup1 B0000001\nbackup2 B0000002\n";
    for (int slot = 0; slot < 64; ++slot)
        tokens += "key " + std::to_string(slot) + " serial=" + std::to_string(0xA000 + slot) +
                  " algo=9 length=32 usage=1" + (slot == 0 ? " flags=2" : "") + " name=Key of slot " +
                  std::to_string(slot + 1) + "\n";
    SoftToken token;
    std::string error;
    if (!token.LoadText(tokens, &error)) {
        std::fprintf(stderr, "lists_bench: %s\n", error.c_str());
        restore();
        return 1;
    }
    HWND host = CreateWindowExA(0, "STATIC", "bench", WS_POPUP, 0, 0, 500, 400, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);

    // The rows the key-store list shows: the token's own key, its two backup keys, then the store's.
    std::vector<std::vector<std::string>> storeRows = {
        {"Bench token", "5A5A0001", ""}, {"Backup Key 1", "B0000001", ""}, {"Backup Key 2", "B0000002", ""}};
    for (const Row& r : stored)
        storeRows.push_back({r.name, r.serial, r.comment});

    std::vector<double> dblist, dbbare, dbread;
    int shown = 0;
    for (int round = 0; round < kRounds; ++round) {
        HWND lv = MakeListView(host);
        {
            CDBVortalListCtrl list;
            list.SubclassWindow(lv); // the window is made outside the clock on both sides
            double t0 = NowMs();
            list.InitControl(&token, 1, DBLIST_TOKEN_KEYS | DBLIST_STORE_KEYS | DBLIST_COMMENTS, FALSE);
            shown = (int)SendMessageA(lv, LVM_GETITEMCOUNT, 0, 0);
            dblist.push_back(NowMs() - t0);
            DestroyWindow(lv);
        }
        // What the key-store list reads from the store, without any window: every key and its comment.
        double t0 = NowMs();
        if (ZRPCFUNC_DB_Connect() == 0) {
            unsigned long serial = 0;
            unsigned char name[17] = {};
            char note[ZRPC_DB_NOTE_MAX + 1];
            for (unsigned long rc = ZRPCFUNC_DB_GetFirstPublicKey(&serial, name); rc == 0;
                 rc = ZRPCFUNC_DB_GetNextPublicKey(&serial, name)) {
                std::snprintf(note, sizeof note, "%08lX", serial); // the lookup takes the serial's text
                ZRPCFUNC_DB_GetPubKeyComment(note);
            }
            ZRPCFUNC_DB_Disconnect();
        }
        dbread.push_back(NowMs() - t0);
        lv = MakeListView(host);
        t0 = NowMs();
        AddColumns(lv, {{"Name", 120}, {"Serial", 70}, {"Comments", 200}});
        InsertBare(lv, storeRows);
        dbbare.push_back(NowMs() - t0);
        FreeBare(lv);
    }
    if (shown != (int)storeRows.size()) {
        std::fprintf(stderr, "lists_bench: the key-store list shows %d rows, not %zu\n", shown,
                     storeRows.size());
        restore();
        return 1;
    }

    std::vector<std::vector<std::string>> keyRows;
    for (int slot = 0; slot < 64; ++slot) {
        char number[8];
        std::snprintf(number, sizeof number, "%02d", slot + 1);
        keyRows.push_back({number, "Key of slot " + std::to_string(slot + 1), "AES", "256", "1"});
    }
    std::vector<double> keylist, keybare;
    HWND item = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 400, 300, host, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    for (int round = 0; round < kKeyRounds; ++round) {
        {
            CKeyListCtrl list;
            list.SubclassWindow(item); // the window is made outside the clock on both sides
            double t0 = NowMs();
            list.InitControl(&token, 1, FALSE);
            list.RefreshKeyList(FALSE, TRUE); // read from the token every time
            shown = list.GetItemCount();
            keylist.push_back(NowMs() - t0);
        }
        HWND lv = MakeListView(host);
        double t0 = NowMs();
        AddColumns(lv, {{"Slot", 53}, {"Key name", 120}, {"Algorithm", 65}, {"Bits", 50}, {"Usage", 62}});
        InsertBare(lv, keyRows);
        keybare.push_back(NowMs() - t0);
        FreeBare(lv);
    }
    DestroyWindow(host);
    restore();
    if (shown != 64) {
        std::fprintf(stderr, "lists_bench: the key list shows %d rows, not 64\n", shown);
        return 1;
    }
    const double a = Median(dblist), b = Median(dbbare), c = Median(keylist), d = Median(keybare);
    std::printf("medians\n");
    std::printf("  key-store list, %u keys + 3 token rows       %9.1f ms\n", kKeys, a);
    std::printf("  of which reading the store (no window)       %9.1f ms\n", Median(dbread));
    std::printf("  bare list view, the same rows                %9.1f ms   key-store list %.2f x bare   (aim "
                "<= 1.5)\n",
                b, a / b);
    std::printf("  key list, 64 slots read from the token       %9.3f ms\n", c);
    std::printf(
        "  bare list view, the same 64 rows             %9.3f ms   key list %.2f x bare   (aim <= 1.5)\n", d,
        c / d);
    return 0;
}
