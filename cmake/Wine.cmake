# Where the test programs of a cross build run. Sets TRELMIX_RUN_TESTS: they
# can run here. Windows programs run under wine64 (64-bit only: 32-bit Wine
# does not install on these machines), each through scripts/wine-run.sh with
# the build tree's own prefix. The wine_prefix fixture sets the prefix up
# before the first of them and wine_stop ends Wine after the last; every test
# of the including directory requires the fixture (a test elsewhere still
# runs: wine-run.sh sets the prefix up itself when needed). Other cross builds
# bring their own emulator in their toolchain file (cmake/linux-x86.cmake).
# A win32 thread model build has no std::mutex for GoogleTest: like the
# 32-bit one, it gets the checks of its binaries only.
set(TRELMIX_RUN_TESTS ON)
set(TRELMIX_WINE_FIXTURE "")
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(TRELMIX_RUN_TESTS OFF)
  find_program(TRELMIX_WINE NAMES wine64 wine PATHS /usr/lib/wine)
  if(TRELMIX_WINE AND CMAKE_SIZEOF_VOID_P EQUAL 8 AND NOT TRELMIX_MINGW_THREADS STREQUAL "win32")
    set(TRELMIX_RUN_TESTS ON)
    set(TRELMIX_WINE_FIXTURE wine_prefix)
    set(TRELMIX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${TRELMIX_WINEPREFIX})
    add_test(NAME wine_prefix COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${TRELMIX_WINEPREFIX} --init)
    add_test(NAME wine_stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${TRELMIX_WINEPREFIX} --stop)
    set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
    set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine_prefix)
    cmake_language(DEFER CALL trelmix_require_wine_prefix)
  endif()
elseif(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(TRELMIX_RUN_TESTS OFF)
endif()

function(trelmix_require_wine_prefix)
  get_property(tests DIRECTORY PROPERTY TESTS)
  list(REMOVE_ITEM tests wine_prefix wine_stop)
  if(tests)
    set_tests_properties(${tests} PROPERTIES FIXTURES_REQUIRED wine_prefix)
  endif()
endfunction()
