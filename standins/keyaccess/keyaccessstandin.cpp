#include "standins/keyaccess/keyaccessstandin.h"

#include "folders/win_keyaccess.h"

const CLSID KeyAccessStandIn::kClass = zrpc::kKeyAccessClass;
const IID KeyAccessStandIn::kInterface = zrpc::kKeyAccessInterface;

using zrpc::IKeyAccessService;

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
    HRESULT __stdcall Reserved4() override { return Wrong(); }
    HRESULT __stdcall Reserved5() override { return Wrong(); }
    HRESULT __stdcall Reserved6() override { return Wrong(); }
    HRESULT __stdcall Reserved7() override { return Wrong(); }
    HRESULT __stdcall Reserved8() override { return Wrong(); }
    HRESULT __stdcall Reserved9() override { return Wrong(); }
    HRESULT __stdcall Reserved10() override { return Wrong(); }
    HRESULT __stdcall Reserved11() override { return Wrong(); }
    HRESULT __stdcall Reserved12() override { return Wrong(); }
    HRESULT __stdcall Reserved13() override { return Wrong(); }
    HRESULT __stdcall Reserved14() override { return Wrong(); }
    HRESULT __stdcall Reserved15() override { return Wrong(); }
    HRESULT __stdcall Reserved16() override { return Wrong(); }
    HRESULT __stdcall Reserved17() override { return Wrong(); }
    HRESULT __stdcall Reserved18() override { return Wrong(); }
    HRESULT __stdcall Reserved19() override { return Wrong(); }

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
