/* The C part of the program: a key's display name through the C twin of the CString function. */
#include "zrpcfunc.h"

int KeyNameInC(_tToken_Key* key, char* buffer, int size);
int KeyNameInC(_tToken_Key* key, char* buffer, int size) {
    return ZRPCFUNC_GetNiceKeyNameFromKeyDatasz(key, buffer, size);
}
