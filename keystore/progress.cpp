#include "keystore/progress.h"

namespace zks {

namespace {
ProgressSink* g_sink = nullptr;
} // namespace

void SetProgressSink(ProgressSink* sink) {
    g_sink = sink;
}

ProgressScope::ProgressScope(unsigned stringId) : m_sink(g_sink) {
    if (m_sink) m_sink->Begin(stringId);
}

ProgressScope::~ProgressScope() {
    if (m_sink) m_sink->End();
}

} // namespace zks
