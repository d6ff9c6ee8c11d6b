# What a Windows build adds to trelmix.dll and beside it: the resources (the
# event source's message table and the version), and trelmix.lib, the import
# library a Visual C++ host links, made from the same .def as MinGW's
# libtrelmix.dll.a.
if(NOT WIN32)
  return()
endif()

set(TRELMIX_RESOURCE_DIR ${PROJECT_BINARY_DIR}/resources)
find_program(TRELMIX_WINDMC NAMES ${TRELMIX_MINGW_TRIPLE}-windmc windmc REQUIRED)
set(TRELMIX_EVENTS_MC ${PROJECT_SOURCE_DIR}/src/exports/trelmix_events.mc)
add_custom_command(OUTPUT ${TRELMIX_RESOURCE_DIR}/trelmix_events.rc ${TRELMIX_RESOURCE_DIR}/MSG00409.bin
                   COMMAND ${TRELMIX_WINDMC} -h ${TRELMIX_RESOURCE_DIR} -r ${TRELMIX_RESOURCE_DIR} ${TRELMIX_EVENTS_MC}
                   DEPENDS ${TRELMIX_EVENTS_MC}
                   COMMENT "Message table of the TRELMIX event source")
add_custom_target(trelmix_message_table DEPENDS ${TRELMIX_RESOURCE_DIR}/trelmix_events.rc)
configure_file(${PROJECT_SOURCE_DIR}/src/exports/trelmix.rc.in ${TRELMIX_RESOURCE_DIR}/trelmix.rc @ONLY)
target_sources(trelmix PRIVATE ${TRELMIX_RESOURCE_DIR}/trelmix.rc)
set_source_files_properties(${TRELMIX_RESOURCE_DIR}/trelmix.rc TARGET_DIRECTORY trelmix PROPERTIES
                            OBJECT_DEPENDS "${TRELMIX_RESOURCE_DIR}/trelmix_events.rc;${TRELMIX_RESOURCE_DIR}/MSG00409.bin")
target_include_directories(trelmix PRIVATE $<$<COMPILE_LANGUAGE:RC>:${TRELMIX_RESOURCE_DIR}>)
add_dependencies(trelmix trelmix_message_table)

# trelmix.lib in the Microsoft format (short import records, as lib.exe
# writes them), beside MinGW's import library.
find_program(TRELMIX_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TRELMIX_DLLTOOL_MACHINE i386:x86-64)
else()
  set(TRELMIX_DLLTOOL_MACHINE i386)
endif()
set(TRELMIX_DEF ${PROJECT_SOURCE_DIR}/src/exports/trelmix.def)
set(TRELMIX_MSVC_IMPORT_LIBRARY ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/trelmix.lib)
add_custom_command(OUTPUT ${TRELMIX_MSVC_IMPORT_LIBRARY}
                   COMMAND ${TRELMIX_LLVM_DLLTOOL} -m ${TRELMIX_DLLTOOL_MACHINE} -d ${TRELMIX_DEF}
                           -l ${TRELMIX_MSVC_IMPORT_LIBRARY}
                   DEPENDS ${TRELMIX_DEF}
                   COMMENT "Import library for Visual C++ hosts: trelmix.lib")
add_custom_target(trelmix_msvc_import_library ALL DEPENDS ${TRELMIX_MSVC_IMPORT_LIBRARY})
