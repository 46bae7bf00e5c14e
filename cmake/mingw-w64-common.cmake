# What both MinGW-w64 cross builds share; the toolchain file sets KV_MINGW_PREFIX and the
# processor first. The posix thread model gives std::thread and std::mutex; programs are linked
# statically, so they run without MinGW's DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${KV_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KV_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KV_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KV_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
