/* zrpcdefs.h: what the public headers need to read the same in C (C11) and C++.
 *
 *   ZRPC_STATIC_ASSERT(cond, text)  a layout check at compile time: static_assert in C++,
 *                                   _Static_assert in C11 (nothing before C11)
 *   enum ZRPC_ENUM_BASE(type) {...} the constants' type in C++ (enum : type); C has int constants
 *   ZRPC_EXTERN_C                   C linkage for a declaration, in either language
 *   ZRPC_INLINE                     a function defined in a header (inline; static inline in C)
 */
#ifndef ZRPC_DEFS_H
#define ZRPC_DEFS_H

#if defined(__cplusplus)
#define ZRPC_STATIC_ASSERT(cond, text) static_assert(cond, text)
#define ZRPC_ENUM_BASE(type) : type
#define ZRPC_EXTERN_C extern "C"
#define ZRPC_INLINE inline
#else
#if defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define ZRPC_STATIC_ASSERT(cond, text) _Static_assert(cond, text)
#else
#define ZRPC_STATIC_ASSERT(cond, text)
#endif
#define ZRPC_ENUM_BASE(type)
#define ZRPC_EXTERN_C extern
#define ZRPC_INLINE static inline
#endif

#endif
