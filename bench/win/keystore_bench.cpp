// Key store benchmark (Windows, under Wine): a store of 10,000 public keys (or as many as the first
// argument says), each with an e-mail
// address, a comment and three updates, and the cost of the library's operations on it compared with
// the raw file traffic that replacing the store needs (reading it once and writing it three times).
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

#include "standins/token/softtoken.h"
#include "tests/common/collapsed.h"
#include "bench/win/benchclock.h"
#include "zrpcfunc.h"

namespace {

unsigned kKeys = 10000;
constexpr uint32_t kFirstSerial = 0x10000000;
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

// One entry, laid out as the library writes it (checked against a store the library wrote).
std::string Entry(uint32_t serial, unsigned index) {
    char name[32], line[256];
    std::snprintf(name, sizeof name, "Key %05u", index);
    std::string e;
    std::snprintf(line, sizeof line, "\t<publickey serial=\"%08X\" name=\"%s\">\n\t\t<packet>",
                  (unsigned)serial, name);
    e += line;
    e += StoredText(Packet(12, serial, name));
    std::snprintf(
        line, sizeof line,
        "</packet>\n\t\t<email>user%05u@example.org</email>\n\t\t<comment>comment for key %u</comment>\n"
        "\t\t<updates>\n",
        index, index);
    e += line;
    for (unsigned u = 1; u <= 3; ++u) {
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

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::atoi(argv[1]) > 0) kKeys = (unsigned)std::atoi(argv[1]);
    SetWindowsHookExA(WH_CBT, RefuseWindows, nullptr, GetCurrentThreadId());
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

    std::printf("building a store of %u keys (e-mail, comment, 3 updates each)...\n", kKeys);
    std::string text = "<backupdatabase>\n";
    for (unsigned i = 0; i < kKeys; ++i)
        text += Entry(kFirstSerial + i, i);
    text += "</backupdatabase>\n";
    if (!WriteAll(store, text)) {
        std::fprintf(stderr, "keystore_bench: cannot write %s\n", store.c_str());
        restore();
        return 1;
    }
    DeleteFileA((folder + "Previous.dat").c_str());

    // The library loads it and finds every key.
    unsigned long count = 0, serial = 0;
    unsigned char name[16];
    if (ZRPCFUNC_DB_Connect() == 0) {
        for (unsigned long rc = ZRPCFUNC_DB_GetFirstPublicKey(&serial, name); rc == 0;
             rc = ZRPCFUNC_DB_GetNextPublicKey(&serial, name))
            ++count;
        ZRPCFUNC_DB_Disconnect();
    }
    if (count != kKeys) {
        std::fprintf(stderr, "keystore_bench: the library found %lu keys, not %u\n", count, kKeys);
        restore();
        return 1;
    }
    std::printf("store: %u keys, %.1f MB\n\n", kKeys, text.size() / 1048576.0);

    std::vector<double> raw, read, add, del, enumerate, list, connect, walk, disconnect;
    const std::string scratch[3] = {folder + "bench1.tmp", folder + "bench2.tmp", folder + "bench3.tmp"};
    for (int round = 0; round < kRounds; ++round) {
        // Raw traffic of one replacement: the store read once and written three times (each flushed).
        double t0 = NowMs();
        std::string data;
        ReadAll(store, data);
        double t1 = NowMs();
        for (const std::string& s : scratch)
            WriteAll(s, data);
        double t2 = NowMs();
        read.push_back(t1 - t0);
        raw.push_back(t2 - t0);

        _tNewTransferPacket extra = Packet(12, 0x20000000 + round, "Extra key");
        t0 = NowMs();
        unsigned long rc = ZRPCFUNC_DB_AddPublicKey(nullptr, &extra, 0);
        add.push_back(NowMs() - t0);
        if (rc) std::fprintf(stderr, "AddPublicKey: %lu\n", rc);

        t0 = NowMs();
        rc = ZRPCFUNC_DB_DeletePublicKey(kFirstSerial + 1 + round * 997);
        del.push_back(NowMs() - t0);
        if (rc) std::fprintf(stderr, "DeletePublicKey: %lu\n", rc);

        t0 = NowMs();
        count = 0;
        if (ZRPCFUNC_DB_Connect() == 0) {
            t1 = NowMs();
            for (rc = ZRPCFUNC_DB_GetFirstPublicKey(&serial, name); rc == 0;
                 rc = ZRPCFUNC_DB_GetNextPublicKey(&serial, name))
                ++count;
            t2 = NowMs();
            ZRPCFUNC_DB_Disconnect();
            connect.push_back(t1 - t0);
            walk.push_back(t2 - t1);
            disconnect.push_back(NowMs() - t2);
        }
        enumerate.push_back(NowMs() - t0);

        // What the key store list does: every key with its e-mail address, comment and update count.
        t0 = NowMs();
        if (ZRPCFUNC_DB_Connect() == 0) {
            char note[ZRPC_DB_NOTE_MAX + 1];
            for (rc = ZRPCFUNC_DB_GetFirstPublicKey(&serial, name); rc == 0;
                 rc = ZRPCFUNC_DB_GetNextPublicKey(&serial, name)) {
                unsigned long updates = 0;
                ZRPCFUNC_DB_GetPubKeyEmail(note);
                ZRPCFUNC_DB_GetPubKeyComment(note);
                ZRPCFUNC_DB_GetUpdateCountForToken(serial, &updates);
            }
            ZRPCFUNC_DB_Disconnect();
        }
        list.push_back(NowMs() - t0);
    }
    for (const std::string& s : scratch)
        DeleteFileA(s.c_str());

    const double r = Median(raw), r1 = Median(read);
    std::printf("medians of %d rounds\n", kRounds);
    std::printf("  raw traffic (1 read + 3 flushed writes)  %8.1f ms\n", r);
    std::printf("  one read of the store                    %8.1f ms\n", r1);
    std::printf("  AddPublicKey (one more key)              %8.1f ms   %.2f x raw   (aim <= 2)\n",
                Median(add), Median(add) / r);
    std::printf("  DeletePublicKey (one key)                %8.1f ms   %.2f x raw   (aim <= 2)\n",
                Median(del), Median(del) / r);
    std::printf("  Connect + enumerate %5lu keys            %8.1f ms   %.2f x read  (aim <= 1.5)\n", count,
                Median(enumerate), Median(enumerate) / r1);
    std::printf("    of which connect %.1f ms, enumerate %.1f ms, disconnect %.1f ms\n", Median(connect),
                Median(walk), Median(disconnect));
    std::printf("  ... with e-mail, comment, update count   %8.1f ms   %.2f x read  (aim <= 1.5)\n",
                Median(list), Median(list) / r1);
    restore();
    return 0;
}
