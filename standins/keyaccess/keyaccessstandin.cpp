#include "standins/keyaccess/keyaccessstandin.h"

const CLSID KeyAccessStandIn::kClass = {
    0xBA730B6F, 0x9E48, 0x4047, {0xB2, 0x68, 0x67, 0x30, 0x64, 0xDF, 0xDC, 0xE1}};
const IID KeyAccessStandIn::kInterface = {
    0x66B74A26, 0x77A9, 0x4697, {0x8A, 0x75, 0xA0, 0x47, 0xC0, 0x39, 0x9E, 0x3B}};

// The service interface as its table of methods: three IUnknown entries, sixteen that the library
// has no business calling, and the check in the twentieth place.
struct IKeyAccessService : public IUnknown {
    virtual HRESULT __stdcall Unused4() = 0;
    virtual HRESULT __stdcall Unused5() = 0;
    virtual HRESULT __stdcall Unused6() = 0;
    virtual HRESULT __stdcall Unused7() = 0;
    virtual HRESULT __stdcall Unused8() = 0;
    virtual HRESULT __stdcall Unused9() = 0;
    virtual HRESULT __stdcall Unused10() = 0;
    virtual HRESULT __stdcall Unused11() = 0;
    virtual HRESULT __stdcall Unused12() = 0;
    virtual HRESULT __stdcall Unused13() = 0;
    virtual HRESULT __stdcall Unused14() = 0;
    virtual HRESULT __stdcall Unused15() = 0;
    virtual HRESULT __stdcall Unused16() = 0;
    virtual HRESULT __stdcall Unused17() = 0;
    virtual HRESULT __stdcall Unused18() = 0;
    virtual HRESULT __stdcall Unused19() = 0;
    virtual unsigned long __stdcall CheckAccess(unsigned long value, const unsigned char* record) = 0;
};

struct KeyAccessObject : public IKeyAccessService {
    explicit KeyAccessObject(KeyAccessStandIn* owner) : m_owner(owner) {
        ++m_owner->m_live;
        ++m_owner->m_created;
    }
    virtual ~KeyAccessObject() { --m_owner->m_live; }

    HRESULT __stdcall QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) ||
            (m_owner->m_offer && IsEqualIID(iid, KeyAccessStandIn::kInterface))) {
            *out = static_cast<IKeyAccessService*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG __stdcall AddRef() override { return (ULONG)++m_refs; }
    ULONG __stdcall Release() override {
        long left = --m_refs;
        if (left == 0) delete this;
        return (ULONG)left;
    }

    HRESULT Wrong() {
        ++m_owner->m_wrongEntries;
        return E_NOTIMPL;
    }
    HRESULT __stdcall Unused4() override { return Wrong(); }
    HRESULT __stdcall Unused5() override { return Wrong(); }
    HRESULT __stdcall Unused6() override { return Wrong(); }
    HRESULT __stdcall Unused7() override { return Wrong(); }
    HRESULT __stdcall Unused8() override { return Wrong(); }
    HRESULT __stdcall Unused9() override { return Wrong(); }
    HRESULT __stdcall Unused10() override { return Wrong(); }
    HRESULT __stdcall Unused11() override { return Wrong(); }
    HRESULT __stdcall Unused12() override { return Wrong(); }
    HRESULT __stdcall Unused13() override { return Wrong(); }
    HRESULT __stdcall Unused14() override { return Wrong(); }
    HRESULT __stdcall Unused15() override { return Wrong(); }
    HRESULT __stdcall Unused16() override { return Wrong(); }
    HRESULT __stdcall Unused17() override { return Wrong(); }
    HRESULT __stdcall Unused18() override { return Wrong(); }
    HRESULT __stdcall Unused19() override { return Wrong(); }

    unsigned long __stdcall CheckAccess(unsigned long value, const unsigned char* record) override {
        ++m_owner->m_calls;
        m_owner->m_lastValue = value;
        m_owner->m_lastRecord.assign(record, record ? record + KeyAccessStandIn::kRecordBytes : record);
        return m_owner->m_answer;
    }

    KeyAccessStandIn* m_owner;
    std::atomic<long> m_refs{1};
};

struct KeyAccessFactory : public IClassFactory {
    explicit KeyAccessFactory(KeyAccessStandIn* owner) : m_owner(owner) {}
    virtual ~KeyAccessFactory() = default;
    HRESULT __stdcall QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG __stdcall AddRef() override { return (ULONG)++m_refs; }
    ULONG __stdcall Release() override {
        long left = --m_refs;
        if (left == 0) delete this;
        return (ULONG)left;
    }
    HRESULT __stdcall CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        KeyAccessObject* object = new KeyAccessObject(m_owner);
        HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }
    HRESULT __stdcall LockServer(BOOL) override { return S_OK; }

    KeyAccessStandIn* m_owner;
    std::atomic<long> m_refs{1};
};

KeyAccessStandIn::KeyAccessStandIn() = default;

KeyAccessStandIn::~KeyAccessStandIn() {
    Revoke();
}

HRESULT KeyAccessStandIn::Register() {
    if (m_registered) return S_OK;
    m_factory = new KeyAccessFactory(this);
    HRESULT hr = CoRegisterClassObject(kClass, m_factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
    m_registered = SUCCEEDED(hr);
    if (!m_registered) {
        m_factory->Release();
        m_factory = nullptr;
    }
    return hr;
}

void KeyAccessStandIn::Revoke() {
    if (!m_registered) return;
    CoRevokeClassObject(m_cookie);
    m_registered = false;
    m_factory->Release();
    m_factory = nullptr;
}
