# Remote update files: portable scrambler and text builder/parser, Windows exports.
zrpc_portable_sources(updatefile/scrambler.cpp updatefile/ktformat.cpp)
zrpc_win_sources(updatefile/win_ktfile.cpp updatefile/win_ordinals.cpp)
zrpc_def(updatefile/exports.def)
