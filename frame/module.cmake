# Module frame: start-up, language strings, error messages. The code table is portable.
zrpc_portable_sources(frame/error_table.cpp)
zrpc_win_sources(frame/win_app.cpp frame/win_strings.cpp frame/win_errors.cpp frame/win_zrpcfunc.rc)
zrpc_def(frame/exports.def)
