zrpc_win_sources(winlayer/window.cpp)
