// A stand-in for the key-access service, for tests: a COM class with the service's class identifier
// whose objects implement the service interface the library calls (folders/win_keyaccess.h). Its
// CheckAccess records the value and the marker record it is given and answers what the test set; the
// reserved entries record a fault when called.
//
// Register() makes the class creatable as a local server from the calling thread's apartment
// (CoRegisterClassObject with CLSCTX_LOCAL_SERVER); the thread must have initialised COM as a
// single-threaded apartment. Revoke() (or the destructor) takes it back.
#ifndef ZRPC_STANDIN_KEYACCESS_H
#define ZRPC_STANDIN_KEYACCESS_H

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <vector>

class KeyAccessStandIn {
  public:
    static const CLSID kClass;
    static const IID kInterface;
    static constexpr size_t kRecordBytes = 123; // marker record bytes 4 to 126

    KeyAccessStandIn();
    ~KeyAccessStandIn();

    HRESULT Register();
    void Revoke();

    void SetAnswer(unsigned long answer) { m_answer = answer; }
    // When false, objects refuse the service interface (only IUnknown is offered).
    void SetOfferInterface(bool offer) { m_offer = offer; }

    int Calls() const { return m_calls; }
    unsigned long LastValue() const { return m_lastValue; }
    std::vector<unsigned char> LastRecord() const { return m_lastRecord; }
    int ObjectsCreated() const { return m_created; }
    int LiveObjects() const { return m_live; }
    int WrongEntriesCalled() const { return m_wrongEntries; }

  private:
    friend struct KeyAccessObject;
    friend struct KeyAccessFactory;
    DWORD m_cookie = 0;
    bool m_registered = false;
    IClassFactory* m_factory = nullptr;
    unsigned long m_answer = 0;
    bool m_offer = true;
    int m_calls = 0;
    unsigned long m_lastValue = 0;
    std::vector<unsigned char> m_lastRecord;
    int m_created = 0;
    std::atomic<int> m_live{0};
    int m_wrongEntries = 0;
};

#endif
