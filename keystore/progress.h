// What the key store tells of its long changes (creating the store, adding a public key). The store
// shows no windows itself: whoever tells the user that the library is working installs a sink here,
// once, and the store reports each such change to it.
#ifndef ZRPC_KEYSTORE_PROGRESS_H
#define ZRPC_KEYSTORE_PROGRESS_H

namespace zks {

class ProgressSink {
  public:
    // A change begins; stringId is the language string that says what it is. Begins may nest.
    virtual void Begin(unsigned stringId) = 0;
    // The change that began last ends.
    virtual void End() = 0;

  protected:
    ~ProgressSink() = default;
};

// The process's sink (null: nobody is told). Installed before the store is first used.
void SetProgressSink(ProgressSink* sink);

// Reports one change to the sink for the lifetime of the object.
class ProgressScope {
  public:
    explicit ProgressScope(unsigned stringId);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

  private:
    ProgressSink* m_sink;
};

} // namespace zks

#endif
