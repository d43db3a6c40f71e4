zrpc_portable_sources(frame/error_table.cpp)
zrpc_win_sources(frame/app.cpp frame/strings.cpp frame/errors.cpp frame/zrpcfunc.rc)
zrpc_def(frame/exports.def)
