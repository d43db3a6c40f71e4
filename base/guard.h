// Keeps exceptions inside the library: every export and every callback from the system runs its work
// through Guard, which turns any exception into the caller's failure answer.
#ifndef ZRPC_BASE_GUARD_H
#define ZRPC_BASE_GUARD_H

namespace zrpc {

// Runs f and turns any exception into the given answer, so that nothing escapes an export.
template <class R, class F> R Guard(R onError, F&& f) noexcept {
    try {
        return f();
    } catch (...) {
        return onError;
    }
}
template <class F> void GuardVoid(F&& f) noexcept {
    try {
        f();
    } catch (...) {
    }
}

} // namespace zrpc

#endif
