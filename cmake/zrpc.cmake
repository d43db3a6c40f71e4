# Helpers with which each subsystem's module.cmake declares its sources and exports.
set_property(GLOBAL PROPERTY ZRPC_PORTABLE_SOURCES "")
set_property(GLOBAL PROPERTY ZRPC_WIN_SOURCES "")
set_property(GLOBAL PROPERTY ZRPC_DEF_FRAGMENTS "")

# Code without <windows.h>: built natively and for Windows (static library zrpc_portable).
function(zrpc_portable_sources)
    foreach(f ${ARGN})
        set_property(GLOBAL APPEND PROPERTY ZRPC_PORTABLE_SOURCES "${CMAKE_SOURCE_DIR}/${f}")
    endforeach()
endfunction()

# Code that talks to Windows: linked into zrpcfunc.dll only.
function(zrpc_win_sources)
    foreach(f ${ARGN})
        set_property(GLOBAL APPEND PROPERTY ZRPC_WIN_SOURCES "${CMAKE_SOURCE_DIR}/${f}")
    endforeach()
endfunction()

# A fragment of the module definition file: one export a line.
function(zrpc_def fragment)
    set_property(GLOBAL APPEND PROPERTY ZRPC_DEF_FRAGMENTS "${CMAKE_SOURCE_DIR}/${fragment}")
endfunction()
