# Base: the pieces every subsystem may use. Portable: wiping, bounded text helpers, path roots, the
# guard that keeps exceptions inside the library.
# Windows: the library's registry settings, whole-file reading and writing, global-memory blocks, the
# module handle and the common controls.
zrpc_portable_sources(base/wipe.cpp base/text.cpp base/pathroot.cpp)
zrpc_win_sources(base/win_settings.cpp base/win_file.cpp base/win_module.cpp)
