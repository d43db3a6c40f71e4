# The client's front end: a top-level window answering its private messages.
add_library(zrpc_frontendstandin STATIC ${CMAKE_SOURCE_DIR}/standins/frontend/frontendstandin.cpp)
target_link_libraries(zrpc_frontendstandin PUBLIC user32)
list(APPEND ZRPC_STANDIN_LIBS zrpc_frontendstandin)
