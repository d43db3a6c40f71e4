# Stand-ins for the components that lie outside the library: the software token, the file-system
# filter's control device, the client's front end and the key-access service.
add_library(zrpc_tokenstandin STATIC standins/token/softtoken.cpp)
set(ZRPC_STANDIN_LIBS "")
foreach(m filter frontend keyaccess)
    include(standins/${m}/standin.cmake)
endforeach()
