# The SDK: import libraries for both linker families, the install layout (cmake --install, ./run sdk)
# with its CMake package, and the checks that a client needs nothing but the installed SDK.
#
#   include/                   the public headers (not the test seam zrpctest.h)
#   lib/libzrpcfunc.dll.a      import library for the GNU linkers (mingw-w64), made by the DLL's link
#   lib/zrpcfunc.lib           import library for MSVC-style linkers (link.exe, lld-link): short import
#                              format, made by llvm-dlltool from the module definition file
#   bin/                       zrpcfunc.dll and the shipped language modules
#   lib/cmake/ZRPCFunc/        ZRPCFuncConfig.cmake (imported target ZRPCFunc::zrpcfunc), version file
#   share/doc/ZRPCFunc/        the README's sections for client programs

# ---------------------------------------------------------------- MSVC-style import library
find_program(ZRPC_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ZRPC_DLLTOOL_MACHINE i386:x86-64)
else()
    set(ZRPC_DLLTOOL_MACHINE i386)
endif()
set(ZRPC_MSVC_IMPLIB ${CMAKE_BINARY_DIR}/lib/zrpcfunc.lib)
add_custom_command(OUTPUT ${ZRPC_MSVC_IMPLIB}
    COMMAND ${ZRPC_DLLTOOL} -m ${ZRPC_DLLTOOL_MACHINE} -d ${DEF_FILE} -D zrpcfunc.dll -l ${ZRPC_MSVC_IMPLIB}
    DEPENDS ${DEF_FILE} VERBATIM)
add_custom_target(zrpcfunc_lib ALL DEPENDS ${ZRPC_MSVC_IMPLIB})

# The public headers read as C11 (and the records' layout checks run in C) on this width.
add_library(zrpc_c_headers OBJECT ${CMAKE_SOURCE_DIR}/tests/sdk/c_headers.c)
target_compile_options(zrpc_c_headers PRIVATE -std=c11 -pedantic -Werror)

# ---------------------------------------------------------------- the client sections of the README
set(ZRPC_SDK_DOC ${CMAKE_BINARY_DIR}/sdk-doc)
add_custom_command(OUTPUT ${ZRPC_SDK_DOC}/README.md
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/sdk_doc.py ${CMAKE_SOURCE_DIR} ${ZRPC_SDK_DOC}
    DEPENDS ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/cmake/sdk_doc.py VERBATIM)
add_custom_target(zrpc_sdk_doc ALL DEPENDS ${ZRPC_SDK_DOC}/README.md)

# Everything the install step takes (./run sdk builds only this).
add_custom_target(zrpc_sdk)
add_dependencies(zrpc_sdk zrpcfunc zrpcfunc_lib zrpcres zrpcres-de zrpc_sdk_doc)

# ---------------------------------------------------------------- install layout and package
include(CMakePackageConfigHelpers)
set(ZRPC_CMAKE_DIR lib/cmake/ZRPCFunc)
install(TARGETS zrpcfunc RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(FILES ${ZRPC_MSVC_IMPLIB} DESTINATION lib)
install(PROGRAMS ${CMAKE_BINARY_DIR}/bin/zrpcres.dll ${CMAKE_BINARY_DIR}/bin/zrpcres-de.dll DESTINATION bin)
file(GLOB ZRPC_PUBLIC_HEADERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/include/*.h)
list(REMOVE_ITEM ZRPC_PUBLIC_HEADERS ${CMAKE_SOURCE_DIR}/include/zrpctest.h)
install(FILES ${ZRPC_PUBLIC_HEADERS} DESTINATION include)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/ZRPCFuncConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/ZRPCFuncConfig.cmake ${CMAKE_BINARY_DIR}/ZRPCFuncConfigVersion.cmake
        DESTINATION ${ZRPC_CMAKE_DIR})
install(DIRECTORY ${ZRPC_SDK_DOC}/ DESTINATION share/doc/ZRPCFunc)

# ---------------------------------------------------------------- checks
# Every export keeps its name and ordinal; new ones are appended (the product's table only).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_test(NAME win.export_table
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/pe_check.py check-exports
                ${CMAKE_BINARY_DIR}/bin/zrpcfunc.dll ${CMAKE_SOURCE_DIR}/cmake/zrpcfunc-exports.txt)
endif()

# The SDK installed afresh in a folder of its own; the checks below use it alone.
set(ZRPC_SDK_CHECK ${CMAKE_BINARY_DIR}/sdk-check)
add_test(NAME sdk.install
    COMMAND sh -c "rm -rf '${ZRPC_SDK_CHECK}' && '${CMAKE_COMMAND}' --install '${CMAKE_BINARY_DIR}' --prefix '${ZRPC_SDK_CHECK}/ZRPCFunc' --strip >/dev/null")
set_tests_properties(sdk.install PROPERTIES FIXTURES_SETUP SDK)
set(ZRPC_SDK ${ZRPC_SDK_CHECK}/ZRPCFunc)

# The MSVC-style import library names every export as the DLL exports it, with its ordinal.
add_test(NAME sdk.import_library
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/pe_check.py check-lib
            ${ZRPC_SDK}/lib/zrpcfunc.lib ${ZRPC_SDK}/bin/zrpcfunc.dll)
# The version resources name the package's version.
add_test(NAME sdk.version
    COMMAND sh -c "v=$(sed -n 's/^set(PACKAGE_VERSION \"\\(.*\\)\")$/\\1/p' '${ZRPC_SDK}/${ZRPC_CMAKE_DIR}/ZRPCFuncConfigVersion.cmake') && test -n \"$v\" && exec '${Python3_EXECUTABLE}' '${CMAKE_SOURCE_DIR}/cmake/pe_check.py' check-version \"$v\" '${ZRPC_SDK}'/bin/*.dll")
set_tests_properties(sdk.import_library sdk.version PROPERTIES FIXTURES_REQUIRED SDK)

# A C11 client built MSVC-style (clang in MSVC mode, lld-link, no C runtime) against the SDK alone. It
# points the settings at its own scratch folder and the SDK's language module for its run: alone.
find_program(ZRPC_CLANG NAMES clang clang-14 REQUIRED)
find_program(ZRPC_LLD_LINK NAMES lld-link lld-link-14 REQUIRED)
find_library(ZRPC_KERNEL32_IMPLIB NAMES libkernel32.a REQUIRED)
find_library(ZRPC_ADVAPI32_IMPLIB NAMES libadvapi32.a REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ZRPC_MSVC_TARGET x86_64-pc-windows-msvc x64)
else()
    set(ZRPC_MSVC_TARGET i686-pc-windows-msvc x86)
endif()
add_test(NAME sdk.msvc_client
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/sdk/msvc_client.sh ${ZRPC_SDK} ${ZRPC_SDK_CHECK}/msvc_client
            ${ZRPC_CLANG} ${ZRPC_LLD_LINK} ${ZRPC_MSVC_TARGET} ${ZRPC_KERNEL32_IMPLIB} ${ZRPC_ADVAPI32_IMPLIB}
            ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(sdk.msvc_client PROPERTIES FIXTURES_REQUIRED "SDK;WINE" RUN_SERIAL TRUE TIMEOUT 300)

# A CMake project outside the tree: find_package(ZRPCFunc CONFIG REQUIRED) with the mingw toolchain
# (built and run), and with clang in MSVC mode (configured: the package's choice of import library).
add_test(NAME sdk.cmake_client
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/sdk/cmake_client.sh ${ZRPC_SDK} ${ZRPC_SDK_CHECK}/cmake_client
            ${CMAKE_C_COMPILER} ${CMAKE_CXX_COMPILER} ${ZRPC_CLANG} ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(sdk.cmake_client PROPERTIES FIXTURES_REQUIRED "SDK;WINE" TIMEOUT 300)
