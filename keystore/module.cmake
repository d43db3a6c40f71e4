# The XML engine (portable).
zrpc_portable_list(keystore/xml/sources.txt)
# The key store's own sources are listed below.
if(EXISTS "${CMAKE_SOURCE_DIR}/keystore/store.cmake")
    include("${CMAKE_SOURCE_DIR}/keystore/store.cmake")
endif()
