# Base: the pieces every subsystem may use. Portable: wiping, bounded text helpers, path roots.
# Windows: the library's registry settings, whole-file reading and writing, global-memory blocks.
zrpc_portable_sources(base/wipe.cpp base/text.cpp base/pathroot.cpp)
zrpc_win_sources(base/win_settings.cpp base/win_file.cpp)
