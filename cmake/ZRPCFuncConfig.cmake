# ZRPCFunc: the CMake package of the zrpcfunc.dll SDK.
#
#   find_package(ZRPCFunc 1.6 CONFIG REQUIRED)
#   target_link_libraries(app PRIVATE ZRPCFunc::zrpcfunc)
#   zrpcfunc_copy_runtime_files(app)        # zrpcfunc.dll and the language modules beside app
#
# ZRPCFunc::zrpcfunc gives the include folder and the import library that suits the toolchain:
# lib/zrpcfunc.lib for MSVC-style linkers (MSVC, clang-cl, clang targeting *-windows-msvc),
# lib/libzrpcfunc.dll.a for the GNU ones (mingw-w64). Also set:
#   ZRPCFunc_IMPORT_LIBRARY   the import library chosen
#   ZRPCFunc_RUNTIME_FILES    the DLLs a program needs beside it: zrpcfunc.dll and the language modules
# The version file accepts only a build of the same width (32-bit product, or the 64-bit twin).
get_filename_component(_zrpcfunc_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT WIN32)
    set(ZRPCFunc_FOUND FALSE)
    set(ZRPCFunc_NOT_FOUND_MESSAGE "zrpcfunc.dll is a Windows library: use a Windows toolchain")
    return()
endif()

if(MSVC OR CMAKE_C_SIMULATE_ID STREQUAL "MSVC" OR CMAKE_CXX_SIMULATE_ID STREQUAL "MSVC")
    set(ZRPCFunc_IMPORT_LIBRARY "${_zrpcfunc_prefix}/lib/zrpcfunc.lib")
else()
    set(ZRPCFunc_IMPORT_LIBRARY "${_zrpcfunc_prefix}/lib/libzrpcfunc.dll.a")
endif()
file(GLOB ZRPCFunc_RUNTIME_FILES "${_zrpcfunc_prefix}/bin/*.dll")

if(NOT TARGET ZRPCFunc::zrpcfunc)
    add_library(ZRPCFunc::zrpcfunc SHARED IMPORTED)
    set_target_properties(ZRPCFunc::zrpcfunc PROPERTIES
        IMPORTED_LOCATION "${_zrpcfunc_prefix}/bin/zrpcfunc.dll"
        IMPORTED_IMPLIB "${ZRPCFunc_IMPORT_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${_zrpcfunc_prefix}/include"
        ZRPCFUNC_RUNTIME_FILES "${ZRPCFunc_RUNTIME_FILES}")
endif()

# Copies the SDK's DLLs beside the target's program after each build of it.
function(zrpcfunc_copy_runtime_files target)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different
                $<TARGET_PROPERTY:ZRPCFunc::zrpcfunc,ZRPCFUNC_RUNTIME_FILES> $<TARGET_FILE_DIR:${target}>
        COMMAND_EXPAND_LISTS VERBATIM)
endfunction()

unset(_zrpcfunc_prefix)
