# Stand-ins for the components that lie outside the library.
add_library(zrpc_tokenstandin STATIC standins/token/softtoken.cpp)
set(ZRPC_STANDIN_LIBS "")
file(GLOB STANDIN_MODULES "${CMAKE_SOURCE_DIR}/standins/*/standin.cmake")
foreach(m ${STANDIN_MODULES})
    include(${m})
endforeach()
