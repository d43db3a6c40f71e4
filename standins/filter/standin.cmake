# The file-system filter's control device, answered in the test process through the library's filter
# channel seam.
add_library(zrpc_filterstandin STATIC ${CMAKE_SOURCE_DIR}/standins/filter/filterstandin.cpp)
target_link_libraries(zrpc_filterstandin PUBLIC zrpcfunc)
list(APPEND ZRPC_STANDIN_LIBS zrpc_filterstandin)
