# GoogleTest for the tests. Native builds use the system's libraries; 32-bit
# and cross builds cannot link those, so they build Debian's GoogleTest
# sources (the googletest package, /usr/src/googletest) inside the build tree.
option(TRELMIX_GTEST_FROM_SOURCE "Build GoogleTest from its sources instead of using the system's" OFF)
set(TRELMIX_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")

if(TRELMIX_GTEST_FROM_SOURCE OR CMAKE_CROSSCOMPILING)
  if(NOT EXISTS ${TRELMIX_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${TRELMIX_GTEST_SOURCE_DIR} (make deps installs them)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${TRELMIX_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
