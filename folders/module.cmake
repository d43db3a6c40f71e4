# Folder protection: filter channel, marker files, deletion, rules, front-end state. The filter request
# record and its scrambler, the encryptability rules and the system-file name rule are portable.
zrpc_portable_sources(folders/filter_request.cpp folders/rules.cpp folders/treescan.cpp)
zrpc_win_sources(folders/win_path.cpp folders/win_filter.cpp folders/win_marker.cpp folders/win_treescan.cpp
                 folders/win_delete.cpp folders/win_frontend.cpp folders/win_rules.cpp)
zrpc_def(folders/exports.def)
