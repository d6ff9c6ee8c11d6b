# Shared part of the MinGW-w64 toolchain files; TRELMIX_MINGW_TRIPLE names the
# target and TRELMIX_MINGW_THREADS the compiler's thread model. The posix model
# gives the full C++ library (GoogleTest needs std::mutex); the win32 model
# leaves winpthread out, and with it its start-up (events, DuplicateHandle,
# TLS) and a third of the imports. Everything the compiler brings (libgcc,
# libstdc++, winpthread) is linked statically, so the binaries depend on
# system DLLs only.
set(CMAKE_SYSTEM_NAME Windows)

find_program(TRELMIX_MINGW_CC NAMES ${TRELMIX_MINGW_TRIPLE}-gcc-${TRELMIX_MINGW_THREADS} NO_CACHE REQUIRED)
find_program(TRELMIX_MINGW_CXX NAMES ${TRELMIX_MINGW_TRIPLE}-g++-${TRELMIX_MINGW_THREADS} NO_CACHE REQUIRED)
set(CMAKE_C_COMPILER ${TRELMIX_MINGW_CC})
set(CMAKE_CXX_COMPILER ${TRELMIX_MINGW_CXX})
set(CMAKE_RC_COMPILER ${TRELMIX_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${TRELMIX_MINGW_TRIPLE}-objdump)
set(CMAKE_OBJCOPY ${TRELMIX_MINGW_TRIPLE}-objcopy)

set(CMAKE_FIND_ROOT_PATH /usr/${TRELMIX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
