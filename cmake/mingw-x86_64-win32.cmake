# 64-bit Windows as shipped: the DLL and trelmix.exe of the zip, built with
# the win32 thread model like the 32-bit plug-in, so that neither starts
# threads nor installs handlers in its host. The x64 tests keep the posix
# model (mingw-x86_64.cmake): GoogleTest needs std::mutex.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TRELMIX_MINGW_TRIPLE x86_64-w64-mingw32)
set(TRELMIX_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
