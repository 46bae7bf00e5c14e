# Cross build for 64-bit Windows with MinGW-w64. Tests run under wine64 through
# CMAKE_CROSSCOMPILING_EMULATOR.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KV_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

find_program(KV_WINE64 NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KV_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KV_WINE64})
endif()
