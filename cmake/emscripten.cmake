# WebAssembly with emscripten (Debian's package): the playground's engine.
# Emscripten's own toolchain file does the work; this one finds it, and makes
# the link step (which runs emscripten's JavaScript tools under node) see
# Debian's node modules when the node in use is not Debian's.
find_program(TRELMIX_EMCC emcc REQUIRED)
execute_process(COMMAND em-config EMSCRIPTEN_ROOT OUTPUT_VARIABLE TRELMIX_EMSCRIPTEN_ROOT
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT EXISTS "${TRELMIX_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake")
  set(TRELMIX_EMSCRIPTEN_ROOT /usr/share/emscripten)
endif()
include(${TRELMIX_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)
if(EXISTS /usr/share/nodejs/acorn)
  set(CMAKE_CXX_LINKER_LAUNCHER env NODE_PATH=/usr/share/nodejs)
endif()
# The engine catches std::bad_alloc at its exports (a record grown past the
# limit fails like an allocation): exceptions are caught here too.
set(CMAKE_CXX_FLAGS_INIT "-fexceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fexceptions")
