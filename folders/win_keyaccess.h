// The key-access service, a component of the client outside the library, as the library calls it:
// a COM class created as a local server whose objects offer the service interface. The library calls
// one method of it, CheckAccess; the other entries of the method table belong to the service.
#ifndef ZRPC_FOLDERS_WIN_KEYACCESS_H
#define ZRPC_FOLDERS_WIN_KEYACCESS_H

#include <windows.h>
#include <objbase.h>

namespace zrpc {

// {BA730B6F-9E48-4047-B268-673064DFDCE1}
constexpr CLSID kKeyAccessClass = {
    0xBA730B6F, 0x9E48, 0x4047, {0xB2, 0x68, 0x67, 0x30, 0x64, 0xDF, 0xDC, 0xE1}};
// {66B74A26-77A9-4697-8A75-A047C0399E3B}
constexpr IID kKeyAccessInterface = {
    0x66B74A26, 0x77A9, 0x4697, {0x8A, 0x75, 0xA0, 0x47, 0xC0, 0x39, 0x9E, 0x3B}};

// The service interface's method table: the three IUnknown entries, sixteen entries the library has
// no business calling, and the access check in the twentieth place.
struct IKeyAccessService : public IUnknown {
    virtual HRESULT __stdcall Reserved4() = 0;
    virtual HRESULT __stdcall Reserved5() = 0;
    virtual HRESULT __stdcall Reserved6() = 0;
    virtual HRESULT __stdcall Reserved7() = 0;
    virtual HRESULT __stdcall Reserved8() = 0;
    virtual HRESULT __stdcall Reserved9() = 0;
    virtual HRESULT __stdcall Reserved10() = 0;
    virtual HRESULT __stdcall Reserved11() = 0;
    virtual HRESULT __stdcall Reserved12() = 0;
    virtual HRESULT __stdcall Reserved13() = 0;
    virtual HRESULT __stdcall Reserved14() = 0;
    virtual HRESULT __stdcall Reserved15() = 0;
    virtual HRESULT __stdcall Reserved16() = 0;
    virtual HRESULT __stdcall Reserved17() = 0;
    virtual HRESULT __stdcall Reserved18() = 0;
    virtual HRESULT __stdcall Reserved19() = 0;
    // value: what the front end answers to its key-service query; record: a marker record from its
    // byte 4 on (123 bytes). 0 lets the deletion check go on.
    virtual unsigned long __stdcall CheckAccess(unsigned long value, const unsigned char* record) = 0;
};

} // namespace zrpc

#endif
