// Tables that answer a control's messages by calling the control's member functions: one entry per
// message, each with the value it answers when its arguments are wrong, and the pieces entries use to
// read their arguments (records with a leading size field, counted texts, handles). Portable: a table
// is a template over the object it calls, so the same lines serve the window and a test's stand-in.
#ifndef ZRPC_BASE_MESSAGE_TABLE_H
#define ZRPC_BASE_MESSAGE_TABLE_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/guard.h"

namespace zrpc {

// One message: its number, its failure value, and the call. run reads the arguments, calls the
// member function and writes its answer into result; false when the arguments are wrong (the failure
// value is answered then).
template <class T> struct MessageEntry {
    uint32_t msg;
    intptr_t fail;
    bool (*run)(T& target, uintptr_t wp, intptr_t lp, intptr_t& result);
};

// The entry of msg in a table, or null.
template <class T>
const MessageEntry<T>* FindMessage(const MessageEntry<T>* table, size_t count, uint32_t msg) {
    for (size_t i = 0; i < count; ++i)
        if (table[i].msg == msg) return &table[i];
    return nullptr;
}

// Answers msg through its entry: false when the table has none (the message goes to the window's
// normal handling). An exception or wrong arguments give the entry's failure value.
template <class T>
bool AnswerMessage(const MessageEntry<T>* table, size_t count, T& target, uint32_t msg, uintptr_t wp,
                   intptr_t lp, intptr_t* result) {
    const MessageEntry<T>* e = FindMessage(table, count, msg);
    if (!e) return false;
    intptr_t answer = 0;
    bool ok = Guard(false, [&] { return e->run(target, wp, lp, answer); });
    *result = ok ? answer : e->fail;
    return true;
}

// The record an argument points to, or null when the pointer is null or the record's leading size
// field is not the record's size.
template <class R> R* MessageRecord(intptr_t arg) {
    R* r = reinterpret_cast<R*>(arg);
    if (!r) return nullptr;
    uint32_t size = 0;
    std::memcpy(&size, r, sizeof size);
    return size == sizeof(R) ? r : nullptr;
}

// A counted text going in (length in bytes, -1: up to its first zero byte) as a string; false for a
// null pointer or a length below -1. A zero byte inside ends the text, as for the C++ functions that
// take zero-ended texts.
inline bool MessageText(const char* text, int32_t length, std::string& out) {
    if (!text || length < -1) return false;
    size_t n = 0;
    if (length == -1) {
        n = std::strlen(text);
    } else {
        const void* end = std::memchr(text, 0, (size_t)length);
        n = end ? (size_t)(static_cast<const char*>(end) - text) : (size_t)length;
    }
    out.assign(text, n);
    return true;
}

// A caller's array of count values, copied; false for a negative count or a null array with values.
template <class V> bool MessageArray(const V* values, int32_t count, std::vector<V>& out) {
    if (count < 0 || (count > 0 && !values)) return false;
    out.assign(values, values + count);
    return true;
}

// A handle argument, turned into whatever pointer type the called function takes.
struct MessageHandle {
    uintptr_t value;
    template <class P> operator P*() const { return reinterpret_cast<P*>(value); }
};

// A record inside a message record handed to a function that takes the platform's type of the same
// layout (a rectangle as RECT, say).
template <class R> struct SameLayout {
    R* record;
    template <class P> operator P*() const {
        static_assert(sizeof(P) == sizeof(R), "the same layout");
        return reinterpret_cast<P*>(record);
    }
};

inline int MessageInt(uintptr_t v) {
    return (int)(intptr_t)v;
}

} // namespace zrpc

// An entry: the message, its failure value, and the body, which reads wp and lp and sets r (the answer)
// or returns false.
#define ZRPC_MESSAGE(msg, fail, ...)                                                                         \
    {                                                                                                        \
        (uint32_t)(msg), (intptr_t)(fail), [](T& t, uintptr_t wp, intptr_t lp, intptr_t& r) -> bool {        \
            (void)t;                                                                                         \
            (void)wp;                                                                                        \
            (void)lp;                                                                                        \
            (void)r;                                                                                         \
            __VA_ARGS__;                                                                                     \
            return true;                                                                                     \
        }                                                                                                    \
    }

#endif
