# The manifests of the project's own programs (resource type 24, number 1): per-monitor v2 awareness
# of the screen's density for each, and UTF-8 as the code page for the screens tool's UTF-8 twin.
# zrpc_program_manifest(TARGET MANIFEST) compiles a one-line resource script naming MANIFEST (a file
# of tools/) into TARGET.
function(zrpc_program_manifest target manifest)
    set(dir ${CMAKE_BINARY_DIR}/manifests)
    file(MAKE_DIRECTORY ${dir})
    file(WRITE ${dir}/${target}.rc "1 24 \"${CMAKE_SOURCE_DIR}/tools/${manifest}\"\n")
    add_custom_command(OUTPUT ${dir}/${target}_manifest.o
        COMMAND ${CMAKE_RC_COMPILER} -O coff -o ${dir}/${target}_manifest.o ${dir}/${target}.rc
        DEPENDS ${CMAKE_SOURCE_DIR}/tools/${manifest} ${dir}/${target}.rc)
    target_sources(${target} PRIVATE ${dir}/${target}_manifest.o)
endfunction()

zrpc_program_manifest(zrpc permonitor.manifest)
zrpc_program_manifest(zrpc-gallery permonitor.manifest)
zrpc_program_manifest(zrpc_screens permonitor.manifest)
zrpc_program_manifest(zrpc_screens_utf8 permonitor_utf8.manifest)
