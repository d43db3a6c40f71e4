zrpc_win_sources(winlayer/window.cpp winlayer/win_window.cpp)
