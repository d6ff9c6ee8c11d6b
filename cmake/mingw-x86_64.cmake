# 64-bit Windows, cross-compiled with MinGW-w64 (runs under wine64 here), for
# the tests: the posix thread model, whose std::mutex GoogleTest needs. What
# ships is built with mingw-x86_64-win32.cmake.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TRELMIX_MINGW_TRIPLE x86_64-w64-mingw32)
set(TRELMIX_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
