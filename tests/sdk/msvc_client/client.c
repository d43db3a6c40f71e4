/* A C11 client of zrpcfunc.dll built the way the platform's own compiler family builds programs:
 * clang in MSVC mode, no C runtime (Win32 calls only, its own entry point), linked by lld-link against
 * the SDK's zrpcfunc.lib. It calls exports of several subsystems and checks every answer: error
 * texts, SHA-1, Base64, names, a key store round trip and the folder rules, in a scratch folder
 * beside the program. It prints one line a check and "N passed, M failed"; the exit code is the
 * number of failed checks.
 *
 * The key store lives in the installation folder the settings name, and the library takes its
 * language module from the settings too: for its run the client points the first at its scratch
 * folder and removes the second (so the library loads the zrpcres.dll beside it, as on a fresh
 * machine), and puts both back afterwards. */
#include "zrpcfunc.h"

/* The compiler may call these for copies and zero-fills: there is no C runtime to provide them. */
void* memset(void* to, int value, size_t n) {
    unsigned char* p = (unsigned char*)to;
    while (n--)
        *p++ = (unsigned char)value;
    return to;
}
void* memcpy(void* to, const void* from, size_t n) {
    unsigned char* p = (unsigned char*)to;
    const unsigned char* q = (const unsigned char*)from;
    while (n--)
        *p++ = *q++;
    return to;
}

static size_t Length(const char* s) {
    size_t n = 0;
    while (s[n])
        ++n;
    return n;
}
static int Same(const char* a, const char* b) {
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
}
static int SameBytes(const void* a, const void* b, size_t n) {
    const unsigned char *p = (const unsigned char*)a, *q = (const unsigned char*)b;
    for (size_t i = 0; i < n; ++i)
        if (p[i] != q[i]) return 0;
    return 1;
}
/* Appends text to buffer (size bytes), cut to fit. */
static void Append(char* buffer, size_t size, const char* text) {
    size_t n = Length(buffer);
    while (*text && n + 1 < size)
        buffer[n++] = *text++;
    buffer[n] = 0;
}
static void AppendNumber(char* buffer, size_t size, unsigned long value) {
    char digits[12];
    int n = 0;
    do {
        digits[n++] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    char text[12];
    for (int i = 0; i < n; ++i)
        text[i] = digits[n - 1 - i];
    text[n] = 0;
    Append(buffer, size, text);
}
static void AppendHex(char* buffer, size_t size, const unsigned char* bytes, size_t n) {
    static const char hex[] = "0123456789abcdef";
    char pair[3] = {0, 0, 0};
    for (size_t i = 0; i < n; ++i) {
        pair[0] = hex[bytes[i] >> 4];
        pair[1] = hex[bytes[i] & 15];
        Append(buffer, size, pair);
    }
}

static void Print(const char* text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)Length(text), &written, NULL);
}

static unsigned long g_passed, g_failed;

/* One check: its name and whether it held, with what was seen when it did not. */
static void Check(const char* name, int ok, const char* seen) {
    char line[512] = "";
    Append(line, sizeof line, ok ? "ok   " : "FAIL ");
    Append(line, sizeof line, name);
    if (!ok && seen) {
        Append(line, sizeof line, ": ");
        Append(line, sizeof line, seen);
    }
    Append(line, sizeof line, "\r\n");
    Print(line);
    if (ok)
        ++g_passed;
    else
        ++g_failed;
}
static void CheckNumber(const char* name, unsigned long got, unsigned long want) {
    char seen[64] = "got ";
    AppendNumber(seen, sizeof seen, got);
    Append(seen, sizeof seen, ", want ");
    AppendNumber(seen, sizeof seen, want);
    Check(name, got == want, seen);
}
static void CheckText(const char* name, const char* got, const char* want) {
    char seen[300] = "got \"";
    Append(seen, sizeof seen, got ? got : "(null)");
    Append(seen, sizeof seen, "\"");
    Check(name, got && Same(got, want), seen);
}

/* ------------------------------------------------------------------ settings kept for the run */
static const char kSettingsKey[] = "Software\\Quillon Limited\\Corvane+\\Settings";
static const char kClientKey[] = "SOFTWARE\\Quillon Limited\\Corvane+\\Client";

typedef struct {
    HKEY root;
    const char* key;
    const char* name;
    int had;
    DWORD type;
    DWORD size;
    BYTE data[1024];
} SavedValue;

static void SaveValue(SavedValue* v, HKEY root, const char* key, const char* name) {
    HKEY k;
    v->root = root, v->key = key, v->name = name, v->had = 0;
    if (RegCreateKeyExA(root, key, 0, NULL, 0, KEY_READ | KEY_WRITE, NULL, &k, NULL) != ERROR_SUCCESS) return;
    v->size = sizeof v->data;
    v->had = RegQueryValueExA(k, name, NULL, &v->type, v->data, &v->size) == ERROR_SUCCESS;
    RegCloseKey(k);
}
/* Sets the value (a text), or deletes it when text is null. */
static int SetValue(const SavedValue* v, const char* text) {
    HKEY k;
    if (RegCreateKeyExA(v->root, v->key, 0, NULL, 0, KEY_WRITE, NULL, &k, NULL) != ERROR_SUCCESS) return 0;
    LONG rc = text ? RegSetValueExA(k, v->name, 0, REG_SZ, (const BYTE*)text, (DWORD)Length(text) + 1)
                   : RegDeleteValueA(k, v->name);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS || !text;
}
static void RestoreValue(const SavedValue* v) {
    HKEY k;
    if (RegCreateKeyExA(v->root, v->key, 0, NULL, 0, KEY_WRITE, NULL, &k, NULL) != ERROR_SUCCESS) return;
    if (v->had)
        RegSetValueExA(k, v->name, 0, v->type, v->data, v->size);
    else
        RegDeleteValueA(k, v->name);
    RegCloseKey(k);
}

/* ------------------------------------------------------------------ the checks */
static void ErrorTexts(void) {
    char text[256];
    unsigned long size = sizeof text;
    CheckNumber("error text: string number of code 29", ZRPCFUNC_FormatErrorMsg(29, text, &size), 25);
    CheckText("error text: code 29", text, "No public key with that serial number is in the key store");
    size = sizeof text;
    CheckNumber("error text: code 20 has none", ZRPCFUNC_FormatErrorMsg(ZRPC_DECLINED, text, &size),
                0xFFFFFFFFul);
    CheckText("error text: code 20", text, "Unknown Corvane+ Error : 00000014");
    CheckNumber("language string 57 found", (unsigned long)ZRPCFUNC_GetLangStringsz(text, sizeof text, 57),
                1);
    CheckText("language string 57", text, "The file is in use by another program");
}

static void Digests(void) {
    _tSHA_Context context;
    char hex[48] = "";
    ZRPCFUNC_SHA_Init(&context);
    ZRPCFUNC_SHA_Update(&context, (const unsigned char*)"ab", 2);
    ZRPCFUNC_SHA_Update(&context, (const unsigned char*)"c", 1);
    AppendHex(hex, sizeof hex, ZRPCFUNC_SHA_Final(&context), 20);
    CheckText("SHA-1 of \"abc\"", hex, "a9993e364706816aba3e25717850c26c9cd0d89d");
}

static void Base64(void) {
    static const char data[] = "Corvane+ SDK";
    char* text = NULL;
    unsigned long textLength = 0;
    CheckNumber("Base64 encode",
                (unsigned long)EncodeBase64(&text, &textLength, (const unsigned char*)data, sizeof data - 1),
                0);
    CheckText("Base64 text", text, "Q29ydmFuZSsgU0RL");
    unsigned char* back = NULL;
    unsigned long backLength = 0;
    CheckNumber("Base64 decode", (unsigned long)DecodeBase64(&back, &backLength, text, textLength), 0);
    CheckNumber("Base64 decoded length", backLength, sizeof data - 1);
    Check("Base64 round trip", back && backLength == sizeof data - 1 && SameBytes(back, data, backLength),
          NULL);
    ZRPC_FreeGlobal(text);
    ZRPC_FreeGlobal(back);
}

static void Names(void) {
    _tToken_Key key;
    char name[ZRPC_NAME_BUFFER];
    memset(&key, 0, sizeof key);
    memcpy(key.name, "SixteenCharName!", 16); /* a full field: no terminator */
    CheckNumber("key name length",
                (unsigned long)ZRPCFUNC_GetNiceKeyNameFromKeyDatasz(&key, name, sizeof name), 16);
    CheckText("key name", name, "SixteenCharName!");
    CheckNumber("key name cut to the buffer",
                (unsigned long)ZRPCFUNC_GetNiceKeyNameFromKeyDatasz(&key, name, 5), 4);
    CheckText("key name cut", name, "Sixt");
    CheckText("algorithm 9", ZRPCFUNC_GetAlgorithmForID(9), "AES");
}

static void KeyStore(const char* folder) {
    char path[MAX_PATH] = "";
    CheckNumber("no key store yet", (unsigned long)ZRPCFUNC_DB_DatabaseExists(path), 0);
    CheckNumber("key store created", (unsigned long)ZRPCFUNC_DB_CreateDatabase(NULL, path), 1);
    char want[MAX_PATH] = "";
    Append(want, sizeof want, folder);
    Append(want, sizeof want, "\\KeyStore.xml");
    CheckText("key store in the scratch folder", path, want);

    const unsigned long serial = 0x00C0FFEEul;
    _tNewTransferPacket packet, stored;
    memset(&packet, 0, sizeof packet);
    packet.size = ZRPC_PACKET_SIZE;
    packet.version = ZRPC_PACKET_VERSION;
    packet.type = ZRPC_PACKET_PUBLICKEY;
    packet.serial = packet.secondSerial = serial;
    memcpy(packet.name, "SDK client", 10);
    for (size_t i = 200; i < sizeof packet; ++i)
        ((unsigned char*)&packet)[i] = (unsigned char)(i * 7 + 3);
    CheckNumber("public key added", ZRPCFUNC_DB_AddPublicKey(NULL, &packet, 0), ZRPC_OK);
    char email[] = "sdk-client@example.org";
    CheckNumber("e-mail address set", ZRPCFUNC_DB_SetEmailAddress(serial, email), ZRPC_OK);

    memset(&stored, 0, sizeof stored);
    CheckNumber("public key read back", ZRPCFUNC_DB_GetPublicKeyPacket(serial, &stored), ZRPC_OK);
    Check("public key packet unchanged", SameBytes(&stored, &packet, sizeof packet), NULL);
    char text[ZRPC_DB_NOTE_MAX + 1] = "";
    CheckNumber("e-mail address read", ZRPCFUNC_DB_GetEmailAddress(serial, text), ZRPC_OK);
    CheckText("e-mail address", text, email);
    char name[17] = "";
    CheckNumber("name from serial", (unsigned long)ZRPCFUNC_DB_GetNameFromSerial(NULL, serial, name), 1);
    CheckText("name", name, "SDK client");

    CheckNumber("connected", ZRPCFUNC_DB_Connect(), ZRPC_OK);
    unsigned long first = 0;
    unsigned char listed[16];
    CheckNumber("first public key", ZRPCFUNC_DB_GetFirstPublicKey(&first, listed), ZRPC_OK);
    CheckNumber("first serial", first, serial);
    CheckNumber("no second public key", ZRPCFUNC_DB_GetNextPublicKey(&first, listed), ZRPC_NO_MORE_ITEMS);
    CheckNumber("disconnected", ZRPCFUNC_DB_Disconnect(), ZRPC_OK);

    CheckNumber("public key deleted", ZRPCFUNC_DB_DeletePublicKey(serial), ZRPC_OK);
    CheckNumber("deleted key is gone (entry missing)", ZRPCFUNC_DB_GetPublicKeyPacket(serial, &stored),
                ZRPC_NOT_READ);
}

static void FolderRules(const char* folder) {
    char protectedDir[MAX_PATH] = "", marker[MAX_PATH] = "", inner[MAX_PATH] = "";
    Append(protectedDir, sizeof protectedDir, folder);
    Append(protectedDir, sizeof protectedDir, "\\protected");
    Append(inner, sizeof inner, protectedDir);
    Append(inner, sizeof inner, "\\inner");
    Append(marker, sizeof marker, protectedDir);
    Append(marker, sizeof marker, "\\vktpdir.info");

    CheckNumber("plain folder: no rule applies", ZRPCFUNC_IsFolderEncryptable(folder, NULL, 0x01),
                ZRPC_NO_RULE_APPLIED);
    CheckNumber("Windows folder is a system location",
                ZRPCFUNC_IsFolderEncryptable("C:\\windows", NULL, 0x40), 1);
    CreateDirectoryA(protectedDir, NULL);
    CreateDirectoryA(inner, NULL);
    HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    Check("marker file made", file != INVALID_HANDLE_VALUE, NULL);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    CheckNumber("marked folder is protected", (unsigned long)ZRPCFUNC_IsFolderProtected(protectedDir), 1);
    CheckNumber("its subfolder has a protected parent", (unsigned long)ZRPCFUNC_HasProtectedParent(inner), 1);
    CheckNumber("protected folder below", ZRPCFUNC_IsFolderEncryptable(folder, NULL, 0x01),
                ZRPC_PROTECTED_BELOW);
    DeleteFileA(marker);
    RemoveDirectoryA(inner);
    RemoveDirectoryA(protectedDir);
}

/* The program's folder, without the last backslash. */
static void ProgramFolder(char* folder, DWORD size) {
    DWORD n = GetModuleFileNameA(NULL, folder, size);
    if (n == 0 || n >= size) n = 0;
    folder[n] = 0;
    while (n > 0 && folder[n - 1] != '\\')
        folder[--n] = 0;
    if (n > 0) folder[n - 1] = 0;
}

static void RemoveStore(const char* folder) {
    static const char* const files[] = {"\\KeyStore.xml", "\\Previous.dat"};
    for (size_t i = 0; i < sizeof files / sizeof files[0]; ++i) {
        char path[MAX_PATH] = "";
        Append(path, sizeof path, folder);
        Append(path, sizeof path, files[i]);
        DeleteFileA(path);
    }
}

void __cdecl ClientMain(void) {
    char folder[MAX_PATH] = "";
    ProgramFolder(folder, sizeof folder);
    Append(folder, sizeof folder, "\\scratch");
    CreateDirectoryA(folder, NULL);
    RemoveStore(folder);

    static SavedValue language, install;
    SaveValue(&language, HKEY_CURRENT_USER, kSettingsKey, "ResourceDll");
    SaveValue(&install, HKEY_LOCAL_MACHINE, kClientKey, "strInstallDir");
    int set = SetValue(&language, NULL) && SetValue(&install, folder);
    Check("settings for the run", set, NULL);
    if (set) {
        ErrorTexts();
        Digests();
        Base64();
        Names();
        KeyStore(folder);
        FolderRules(folder);
    }
    RestoreValue(&language);
    RestoreValue(&install);
    RemoveStore(folder);
    Check("scratch folder removed", RemoveDirectoryA(folder), NULL);

    char summary[64] = "";
    AppendNumber(summary, sizeof summary, g_passed);
    Append(summary, sizeof summary, " passed, ");
    AppendNumber(summary, sizeof summary, g_failed);
    Append(summary, sizeof summary, " failed\r\n");
    Print(summary);
    ExitProcess((UINT)g_failed);
}
