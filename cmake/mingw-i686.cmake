# 32-bit Windows through MinGW-w64: the build the tool is shipped as; its
# tests run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
