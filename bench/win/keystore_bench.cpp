// Key store benchmark (Windows, under Wine): a store of 10,000 public keys (or as many as the first
// argument says), each with an e-mail address, a comment and three updates, and one of 74,000 keys with
// an e-mail address and a comment each (or as many as the second argument says), and the cost of the
// library's operations on them compared with the raw file traffic they need: a change (a key added, a
// key deleted) against reading the store once and writing it three times (aim: within 1.2 x, for both
// stores), connecting and enumerating the keys of the first (with and without each key's e-mail
// address, comment and update count) against one read of the file made right before it (aim: within
// 1.5 x).
//
// The store's entries are made by the library: one key is added, annotated and backed up to through
// the exports, and its packet texts come from ZRPCFUNC_CreateMemKTFile; the 10,000 entries are laid
// out in that exact form (adding them one by one would rewrite the whole store 10,000 times), then
// loaded and counted through the library before anything is measured.
//
// The store files under the installation folder are set aside and put back at the end. Windows are
// refused on this thread, so the working dialog costs nothing here.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/win/benchclock.h"
#include "keystore/connection.h"
#include "standins/token/softtoken.h"
#include "tests/common/collapsed.h"
#include "xml/xml.h"
#include "zrpcfunc.h"

namespace {

unsigned kKeys = 10000;
unsigned kManyKeys = 74000;
constexpr uint32_t kFirstSerial = 0x10000000;
constexpr double kChangeAim = 1.2;
constexpr int kRounds = 9;

LRESULT CALLBACK RefuseWindows(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND) return 1;
    return CallNextHookEx(nullptr, code, wp, lp);
}

std::string StorePath() {
    char path[MAX_PATH] = "";
    ZRPCFUNC_DB_DatabaseExists(path);
    return path;
}

std::string Folder(const std::string& path) {
    return path.substr(0, path.find_last_of('\\') + 1);
}

_tNewTransferPacket Packet(uint32_t type, uint32_t serial, const char* name) {
    _tNewTransferPacket p;
    std::memset(&p, 0, sizeof p);
    p.size = ZRPC_PACKET_SIZE;
    p.version = ZRPC_PACKET_VERSION;
    p.type = type;
    p.serial = p.secondSerial = serial;
    std::snprintf(p.name, sizeof p.name, "%s", name);
    SoftToken::FillKeyData(&p, serial);
    return p;
}

// The remote update text the library keeps for a packet, as a store read back holds it (one line).
std::string StoredText(_tNewTransferPacket packet, const char* name = nullptr, unsigned long target = 0) {
    char* text = nullptr;
    unsigned long length = 0;
    if (ZRPCFUNC_CreateMemKTFile(&packet, &text, &length, name, target) != 0) return std::string();
    std::string out = Collapsed(std::string_view(text, length));
    ZRPC_FreeGlobal(text);
    return out;
}

// One entry, laid out as the library writes it (checked against a store the library wrote), with
// `updates` updates.
std::string Entry(uint32_t serial, unsigned index, unsigned updates = 3) {
    char name[32], line[256];
    std::snprintf(name, sizeof name, "Key %05u", index);
    std::string e;
    std::snprintf(line, sizeof line, "\t<publickey serial=\"%08X\" name=\"%s\">\n\t\t<packet>",
                  (unsigned)serial, name);
    e += line;
    e += StoredText(Packet(12, serial, name));
    std::snprintf(
        line, sizeof line,
        "</packet>\n\t\t<email>user%05u@example.org</email>\n\t\t<comment>comment for key %u</comment>\n",
        index, index);
    e += line;
    if (updates == 0) return e + "\t</publickey>\n";
    e += "\t\t<updates>\n";
    for (unsigned u = 1; u <= updates; ++u) {
        _tNewTransferPacket issue = Packet(14, serial, name);
        std::snprintf(issue.keyName, sizeof issue.keyName, "Wrapped %u", u);
        std::snprintf(line, sizeof line,
                      "\t\t\t<update serial=\"%08X%04X\" name=\"Wrapped %u\" algo=\"9\">\n"
                      "\t\t\t\t<created>01DA%04X%08X</created>\n\t\t\t\t<packet>",
                      0xA000u + u, u, u, index & 0xFFFF, serial);
        e += line;
        e += StoredText(issue, name, serial);
        e += "</packet>\n\t\t\t</update>\n";
    }
    return e + "\t\t</updates>\n\t</publickey>\n";
}

// Makes one key through the exports alone and checks that Entry() lays a key out the same way.
bool CheckLayout() {
    const uint32_t serial = kFirstSerial;
    ZRPCFUNC_DB_CreateDatabase(nullptr, &StorePath()[0]);
    _tNewTransferPacket key = Packet(12, serial, "Key 00000");
    if (ZRPCFUNC_DB_AddPublicKey(nullptr, &key, 0)) return false;
    ZRPCFUNC_DB_SetEmailAddress(serial, const_cast<char*>("user00000@example.org"));
    ZRPCFUNC_DB_SetComments(serial, const_cast<char*>("comment for key 0"));
    SoftToken token;
    std::string error;
    token.LoadText("token T\nkey 0 serial=0000A001 number=1 algo=9 name=Wrapped 1\n"
                   "key 1 serial=0000A002 number=2 algo=9 name=Wrapped 2\n"
                   "key 2 serial=0000A003 number=3 algo=9 name=Wrapped 3\n",
                   &error);
    for (int slot = 0; slot < 3; ++slot)
        if (ZRPCFUNC_DB_Backup(nullptr, &token, 1, 3, serial, slot, nullptr, nullptr)) return false;
    ZRPCFUNC_DB_SetComments(serial, const_cast<char*>("comment for key 0")); // read back once more
    std::string written;
    if (!ReadAll(StorePath(), written)) return false;
    // Created times and the wrapped packets differ; compare the shape: everything outside them.
    auto shape = [](std::string s) {
        for (const char* tag : {"<created>", "<packet>"}) {
            const std::string open = tag, close = "</" + open.substr(1);
            for (size_t at = s.find(open); at != std::string::npos; at = s.find(open, at + open.size())) {
                size_t end = s.find(close, at);
                if (end == std::string::npos) break;
                s.erase(at + open.size(), end - at - open.size());
            }
        }
        return s;
    };
    return shape(written) == shape("<backupdatabase>\n" + Entry(serial, 0) + "</backupdatabase>\n");
}

// What the read connection builds, counted on the same file loaded the same way through the portable
// engine (the connection's own code), in the records of this build and of the 32-bit product: node
// records of 72 bytes (88 with the initial slots of an element) against 48 (56), attributes of 32
// against 16, deferred content of 24 against 16, array slots of 8 against 4.
struct Layouts {
    double bytes64 = 0, bytes32 = 0;
    void Add(double b64, double b32) {
        bytes64 += b64;
        bytes32 += b32;
    }
};

Layouts CountRecords(const XmlNodeRec* top) {
    Layouts l;
    std::vector<const XmlNodeRec*> stack{top};
    while (!stack.empty()) {
        const XmlNodeRec* n = stack.back();
        stack.pop_back();
        const bool slots = n->type != XML_NODE_TEXT && n->type != XML_NODE_CDATA &&
                           n->type != XML_NODE_COMMENT && n->type != XML_NODE_INCLUDE &&
                           n->type != XML_NODE_DOCUMENT;
        l.Add(slots ? 88 : 72, slots ? 56 : 48);
        l.Add(32.0 * n->attribute_count, 16.0 * n->attribute_count);
        if (n->attribute_capacity > 1) l.Add(8.0 * n->attribute_capacity, 4.0 * n->attribute_capacity);
        if (n->storage & XML_STORE_DEFERRED) {
            l.Add(24, 16);
            continue;
        }
        if (n->child_capacity > 1) l.Add(8.0 * n->child_capacity, 4.0 * n->child_capacity);
        for (std::uint32_t i = 0; i < n->child_count; ++i)
            if (n->children[i]) stack.push_back(n->children[i]);
    }
    return l;
}

// The records of a connection and its enumeration with notes, what fresh memory costs here, and from
// both the 32-bit layout's figures: the same run less the first touch of the memory its smaller
// records spare (everything else, the read above all, is the same in both builds).
void PrintRecordLayouts(const std::string& store, double read, double enumerateRatio, double readList,
                        double listRatio) {
    std::string text;
    if (!ReadAll(store, text)) return;
    Layouts plain, notes;
    for (int withNotes = 0; withNotes < 2; ++withNotes) {
        zks::StoreSnapshot snap;
        char* heap = static_cast<char*>(std::malloc(text.size() + 1));
        if (!heap) return;
        std::memcpy(heap, text.c_str(), text.size() + 1);
        if (!snap.Doc().LoadHeapText(heap, text.size(), XmlBuild::on_demand) || !snap.Index()) return;
        unsigned long serial = 0, updates = 0;
        unsigned char name[16];
        char note[ZRPC_DB_NOTE_MAX + 1];
        for (unsigned long rc = snap.FirstPublicKey(&serial, name); rc == 0;
             rc = snap.NextPublicKey(&serial, name)) {
            if (!withNotes) continue;
            snap.NoteAtCursor("email", note);
            snap.NoteAtCursor("comment", note);
            snap.UpdateCount(serial, &updates);
        }
        (withNotes ? notes : plain) = CountRecords(snap.Doc().Root().node()->parent);
    }
    // The first touch of fresh memory, per MB.
    const size_t mb = 32;
    char* fresh =
        static_cast<char*>(VirtualAlloc(nullptr, mb << 20, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!fresh) return;
    double t0 = NowMs();
    std::memset(fresh, 1, mb << 20);
    const double perMb = (NowMs() - t0) / mb;
    VirtualFree(fresh, 0, MEM_RELEASE);
    const double M = 1048576.0;
    std::printf(
        "records made: connect + enumerate %.1f MB here, %.1f MB in the 32-bit layout; with notes %.1f MB\n"
        "and %.1f MB; fresh memory costs %.2f ms per MB on this machine (first touch)\n",
        plain.bytes64 / M, plain.bytes32 / M, notes.bytes64 / M, notes.bytes32 / M, perMb);
    // The ratios above less the time the smaller records spare, in units of the same read.
    const double e32 = enumerateRatio - (plain.bytes64 - plain.bytes32) / M * perMb / read;
    const double l32 = listRatio - (notes.bytes64 - notes.bytes32) / M * perMb / readList;
    std::printf(
        "the 32-bit layout, estimated from these sizes: connect + enumerate %.2f x read, with notes %.2f x "
        "read (aim <= 1.5)\n",
        e32, l32);
}

// Writes a store of `keys` entries with `updates` updates each and checks that the library finds every
// key in it; its size in bytes, 0 when that failed.
size_t BuildStore(const std::string& store, unsigned keys, unsigned updates) {
    std::printf("building a store of %u keys (e-mail, comment, %u updates each)...\n", keys, updates);
    std::string text = "<backupdatabase>\n";
    for (unsigned i = 0; i < keys; ++i)
        text += Entry(kFirstSerial + i, i, updates);
    text += "</backupdatabase>\n";
    if (!WriteAll(store, text)) {
        std::fprintf(stderr, "keystore_bench: cannot write %s\n", store.c_str());
        return 0;
    }
    DeleteFileA((Folder(store) + "Previous.dat").c_str());
    unsigned long count = 0, serial = 0;
    unsigned char name[16];
    if (ZRPCFUNC_DB_Connect() == 0) {
        for (unsigned long rc = ZRPCFUNC_DB_GetFirstPublicKey(&serial, name); rc == 0;
             rc = ZRPCFUNC_DB_GetNextPublicKey(&serial, name))
            ++count;
        ZRPCFUNC_DB_Disconnect();
    }
    if (count != keys) {
        std::fprintf(stderr, "keystore_bench: the library found %lu keys, not %u\n", count, keys);
        return 0;
    }
    std::printf("store: %u keys, %.1f MB\n", keys, text.size() / 1048576.0);
    return text.size();
}

// A change of the store against the raw traffic of one replacement: the store read once and written
// three times (each flushed), then a key added and one deleted; medians of kRounds rounds.
void MeasureChanges(const std::string& store, unsigned keys, uint32_t addBase) {
    const std::string folder = Folder(store);
    const std::string scratch[3] = {folder + "bench1.tmp", folder + "bench2.tmp", folder + "bench3.tmp"};
    std::vector<double> raw, add, del;
    for (int round = 0; round < kRounds; ++round) {
        double t0 = NowMs();
        std::string data;
        ReadAll(store, data);
        for (const std::string& s : scratch)
            WriteAll(s, data);
        raw.push_back(NowMs() - t0);
        data = std::string();

        _tNewTransferPacket extra = Packet(12, addBase + round, "Extra key");
        t0 = NowMs();
        unsigned long rc = ZRPCFUNC_DB_AddPublicKey(nullptr, &extra, 0);
        add.push_back(NowMs() - t0);
        if (rc) std::fprintf(stderr, "AddPublicKey: %lu\n", rc);

        t0 = NowMs();
        rc = ZRPCFUNC_DB_DeletePublicKey(kFirstSerial + 1 + (round * 997) % keys);
        del.push_back(NowMs() - t0);
        if (rc) std::fprintf(stderr, "DeletePublicKey: %lu\n", rc);
    }
    for (const std::string& s : scratch)
        DeleteFileA(s.c_str());
    const double r = Median(raw);
    std::printf("changes of the store of %u keys, medians of %d rounds:\n", keys, kRounds);
    std::printf("  %-44s %9.1f ms\n", "raw traffic (1 read + 3 flushed writes)", r);
    PrintAim("AddPublicKey (one more key)", Median(add), Median(add) / r, "raw", kChangeAim);
    PrintAim("DeletePublicKey (one key)", Median(del), Median(del) / r, "raw", kChangeAim);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::atoi(argv[1]) > 0) kKeys = (unsigned)std::atoi(argv[1]);
    if (argc > 2 && std::atoi(argv[2]) >= 0) kManyKeys = (unsigned)std::atoi(argv[2]);
    SetWindowsHookExA(WH_CBT, RefuseWindows, nullptr, GetCurrentThreadId());
    PrintBuild();
    const std::string store = StorePath();
    if (store.empty()) {
        std::fprintf(stderr, "keystore_bench: the key store's location is not configured\n");
        return 2;
    }
    const std::string folder = Folder(store);
    const char* companions[] = {"KeyStore.xml", "TempStore.xml", "Previous.dat"};
    for (const char* c : companions)
        MoveFileExA((folder + c).c_str(), (folder + c + ".bench-saved").c_str(), MOVEFILE_REPLACE_EXISTING);
    auto restore = [&] {
        for (const char* c : companions) {
            DeleteFileA((folder + c).c_str());
            MoveFileExA((folder + c + ".bench-saved").c_str(), (folder + c).c_str(),
                        MOVEFILE_REPLACE_EXISTING);
        }
    };

    if (!CheckLayout()) {
        std::fprintf(stderr,
                     "keystore_bench: the library lays out an entry differently from this benchmark\n");
        restore();
        return 1;
    }

    if (BuildStore(store, kKeys, 3) == 0) {
        restore();
        return 1;
    }
    std::printf("\n");
    MeasureChanges(store, kKeys, 0x20000000);
    // The store again as it was built, for the reads.
    if (BuildStore(store, kKeys, 3) == 0) {
        restore();
        return 1;
    }

    unsigned long count = 0, serial = 0;
    unsigned char name[16];
    std::vector<double> enumerate, list, connect, walk, disconnect;
    std::vector<double> readForEnumerate, readForList, enumerateRatio, listRatio;
    // The reads: each measured right after one read of the file by the peer into fresh memory, as a
    // program that reads the file once does; with and without the notes in turns first and second.
    for (int round = 0; round < kRounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            const bool notes = (k + round) % 2 == 1;
            double t0 = NowMs();
            if (!ReadFresh(store)) std::fprintf(stderr, "keystore_bench: the store could not be read\n");
            const double peer = NowMs() - t0;
            t0 = NowMs();
            double t1 = t0, t2 = t0;
            count = 0;
            if (ZRPCFUNC_DB_Connect() == 0) {
                t1 = NowMs();
                char note[ZRPC_DB_NOTE_MAX + 1];
                for (unsigned long rc = ZRPCFUNC_DB_GetFirstPublicKey(&serial, name); rc == 0;
                     rc = ZRPCFUNC_DB_GetNextPublicKey(&serial, name)) {
                    ++count;
                    if (!notes) continue;
                    // What the key store list does: every key with its e-mail address, comment and
                    // update count.
                    unsigned long updates = 0;
                    ZRPCFUNC_DB_GetPubKeyEmail(note);
                    ZRPCFUNC_DB_GetPubKeyComment(note);
                    ZRPCFUNC_DB_GetUpdateCountForToken(serial, &updates);
                }
                t2 = NowMs();
                ZRPCFUNC_DB_Disconnect();
            }
            const double total = NowMs() - t0;
            if (notes) {
                readForList.push_back(peer);
                list.push_back(total);
                listRatio.push_back(total / peer);
            } else {
                readForEnumerate.push_back(peer);
                enumerate.push_back(total);
                enumerateRatio.push_back(total / peer);
                connect.push_back(t1 - t0);
                walk.push_back(t2 - t1);
                disconnect.push_back(t0 + total - t2);
            }
        }
    }

    std::printf(
        "reads of the store of %u keys, medians of %d rounds; the ratios are medians of each round's ratio\n"
        "to the read of the file made right before it\n",
        kKeys, kRounds);
    std::printf("  %-44s %9.1f ms\n", "one read of the store", Median(readForEnumerate));
    char what[64];
    std::snprintf(what, sizeof what, "Connect + enumerate %lu keys", count);
    PrintAim(what, Median(enumerate), Median(enumerateRatio), "read", 1.5);
    std::printf("    of which connect %.1f ms, enumerate %.1f ms, disconnect %.1f ms\n", Median(connect),
                Median(walk), Median(disconnect));
    std::printf("  %-44s %9.1f ms\n", "one read of the store", Median(readForList));
    PrintAim("... with e-mail, comment, update count", Median(list), Median(listRatio), "read", 1.5);
    PrintRecordLayouts(store, Median(readForEnumerate), Median(enumerateRatio), Median(readForList),
                       Median(listRatio));
    std::printf("\n");

    if (kManyKeys > 0) {
        if (BuildStore(store, kManyKeys, 0) == 0) {
            restore();
            return 1;
        }
        MeasureChanges(store, kManyKeys, 0x30000000);
    }
    restore();
    return 0;
}
