zrpc_portable_sources(folders/filter_request.cpp folders/pathroot.cpp)
zrpc_win_sources(folders/filter.cpp folders/marker.cpp folders/treescan.cpp folders/delete.cpp folders/frontend.cpp
                 folders/rules.cpp)
zrpc_def(folders/exports.def)
