# Compile options shared by every target of the project.
add_library(trelmix_options INTERFACE)
if(MSVC)
  target_compile_options(trelmix_options INTERFACE /W4)
else()
  target_compile_options(trelmix_options INTERFACE -Wall -Wextra)
endif()
if(TRELMIX_WERROR AND NOT MSVC)
  target_compile_options(trelmix_options INTERFACE -Werror)
endif()
set(TRELMIX_SANITIZERS "address,undefined" CACHE STRING "The sanitizers TRELMIX_SANITIZE turns on")
if(TRELMIX_SANITIZE)
  target_compile_options(trelmix_options INTERFACE -fsanitize=${TRELMIX_SANITIZERS} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(trelmix_options INTERFACE -fsanitize=${TRELMIX_SANITIZERS})
  # The standard library's own checks: an index past a std::array or a
  # std::vector stops the program, where the sanitizers cannot see it.
  target_compile_definitions(trelmix_options INTERFACE _GLIBCXX_ASSERTIONS)
endif()
if(TRELMIX_FUZZ)
  # Coverage for the engine's code; the fuzz targets add the libFuzzer main.
  target_compile_options(trelmix_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
# GCC 12 takes `"text" + std::string` for an overlapping copy when optimising
# (a false positive, gone in GCC 13); optimised builds with tests meet it.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(trelmix_options INTERFACE -Wno-restrict)
endif()
