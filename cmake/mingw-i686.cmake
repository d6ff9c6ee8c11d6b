# 32-bit Windows (the shipped plug-in), cross-compiled with MinGW-w64. It
# needs no threads of its own: the win32 thread model.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TRELMIX_MINGW_TRIPLE i686-w64-mingw32)
set(TRELMIX_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
