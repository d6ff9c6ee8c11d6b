# What `cmake --install` puts in place for a host's build: the header, the
# shared library (with its import libraries on Windows), the trelmix command,
# a CMake package (find_package(Trelmix) gives Trelmix::trelmix) and a
# pkg-config file. The installed tree can be moved: nothing in it names the
# prefix it was installed to.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The shared library's name carries the version: libtrelmix.so.MAJOR (the
# SONAME) links to libtrelmix.so.MAJOR.MINOR.PATCH. A Windows DLL keeps its
# plain name, which hosts load.
if(NOT WIN32)
  set_target_properties(trelmix PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
endif()

install(TARGETS trelmix EXPORT TrelmixTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/trelmix/trelmix.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/trelmix)
if(WIN32 AND CMAKE_BUILD_TYPE STREQUAL "Release")
  install(FILES $<TARGET_FILE_DIR:trelmix>/trelmix.dll.debug DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET trelmix_cli)
  install(TARGETS trelmix_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(TRELMIX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Trelmix)
install(EXPORT TrelmixTargets NAMESPACE Trelmix:: DESTINATION ${TRELMIX_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TrelmixConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/TrelmixConfig.cmake INSTALL_DESTINATION ${TRELMIX_CMAKE_DIR})
# 0.x releases keep the binary contract of the header, as the SONAME says.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TrelmixConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TrelmixConfig.cmake ${PROJECT_BINARY_DIR}/TrelmixConfigVersion.cmake
        DESTINATION ${TRELMIX_CMAKE_DIR})

# pkg-config: the prefix is found from the file's own place.
file(RELATIVE_PATH TRELMIX_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" TRELMIX_PC_TO_PREFIX ${TRELMIX_PC_TO_PREFIX})
configure_file(${CMAKE_CURRENT_LIST_DIR}/trelmix.pc.in ${PROJECT_BINARY_DIR}/trelmix.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/trelmix.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Windows: the Visual C++ import library and the .def it is made from.
if(TARGET trelmix_msvc_import_library)
  install(FILES ${TRELMIX_MSVC_IMPORT_LIBRARY} ${TRELMIX_DEF} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
