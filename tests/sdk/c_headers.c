/* The public headers read as C11 (-std=c11 -pedantic -Werror): the records' layout checks run in C
 * too, on every width this is built for (the native build, the 32-bit product, the 64-bit twin). The
 * declarations are used below so that a C caller's view of them is compiled, not only parsed. */
#include "zrpcrecords.h"
#include "zrpcresult.h"
#include "zrpctoken.h"
#ifdef _WIN32
#include "zrpcctl.h"
#include "zrpcfunc.h"
#endif

ZRPC_STATIC_ASSERT(ZRPC_NO_PUBLIC_KEY == 29 && ZRPC_PROFILE_NOT_LOCAL == 75, "result codes");

/* A C token: the table of operations with the object as first argument. */
static ZRPC_RESULT ZRPC_COMCALL CountKeys(ITokenInterface* self, uint32_t handle, _tToken_Key* keys64) {
    (void)self;
    (void)handle;
    return keys64 ? ZRPC_OK : ZRPC_BAD_ARGUMENT;
}

int zrpc_c_headers_check(ITokenInterfaceVtbl* table);
int zrpc_c_headers_check(ITokenInterfaceVtbl* table) {
    table->GetAllKeys = CountKeys;
#ifdef _WIN32
    /* The C twins of the functions that take or return a CString. */
    int (*name)(_tToken_Key*, char*, int) = ZRPCFUNC_GetNiceKeyNameFromKeyDatasz;
    int (*used)(ITokenInterface*, unsigned long, unsigned long*, const char*, int) =
        ZRPCFUNC_CheckEncryptionKeysInCache_EncryptionKeyNameUsedsz;
    unsigned long (*show)(HWND, char*) = ZRPCFUNC_C_ShowWorkingDialog;
    int (*lang)(char*, int, unsigned int) = ZRPCFUNC_GetLangStringsz;
    return name != 0 && used != 0 && show != 0 && lang != 0;
#else
    return 1;
#endif
}
