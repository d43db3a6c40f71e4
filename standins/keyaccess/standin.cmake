# The key-access service: a COM class registered by the test as a local server.
add_library(zrpc_keyaccessstandin STATIC ${CMAKE_SOURCE_DIR}/standins/keyaccess/keyaccessstandin.cpp)
target_link_libraries(zrpc_keyaccessstandin PUBLIC ole32 uuid)
list(APPEND ZRPC_STANDIN_LIBS zrpc_keyaccessstandin)
