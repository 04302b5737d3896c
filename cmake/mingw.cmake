# What both MinGW-w64 toolchains share, for the CMAKE_SYSTEM_PROCESSOR they
# set (i686 or x86_64): the compilers and root of that target, and Wine to
# run what they build.
set(CMAKE_SYSTEM_NAME Windows)
set(_velkor_mingw ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${_velkor_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_velkor_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_velkor_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_velkor_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
