# Base: the pieces every subsystem may use. Portable: wiping, bounded text helpers, path roots, the
# guard that keeps exceptions inside the library, sizes at any DPI, readable colours.
# Windows: the library's registry settings, whole-file reading and writing, global-memory blocks, the
# module handle and the common controls, code-page texts and their UTF-16 form.
zrpc_portable_sources(base/wipe.cpp base/text.cpp base/pathroot.cpp base/palette.cpp)
zrpc_win_sources(base/win_settings.cpp base/win_file.cpp base/win_module.cpp base/win_codepage.cpp)
