# 64-bit Windows, cross-compiled with MinGW-w64 (runs under wine64 here). The
# win32 thread model, as for the 32-bit plug-in: the DLL starts no threads and
# installs no handlers in its host.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TRELMIX_MINGW_TRIPLE x86_64-w64-mingw32)
set(TRELMIX_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
