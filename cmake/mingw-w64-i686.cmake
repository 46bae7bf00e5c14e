# Cross build for 32-bit Windows with MinGW-w64; the programs build, but this machine cannot run
# them (no 32-bit support), so no emulator is set.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(KV_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
