# The version is written once, in the public header (TRLM_VERSION_MAJOR,
# _MINOR, _PATCH); the project, the shared library's name and the packages
# take it from there. Included before project().
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../include/trelmix/trelmix.h TRELMIX_VERSION_LINES
     REGEX "^#define TRLM_VERSION_(MAJOR|MINOR|PATCH) [0-9]+$")
foreach(part MAJOR MINOR PATCH)
  string(REGEX MATCH "TRLM_VERSION_${part} ([0-9]+)" found "${TRELMIX_VERSION_LINES}")
  if(NOT found)
    message(FATAL_ERROR "include/trelmix/trelmix.h: no TRLM_VERSION_${part}")
  endif()
  set(TRELMIX_VERSION_${part} ${CMAKE_MATCH_1})
endforeach()
set(TRELMIX_VERSION ${TRELMIX_VERSION_MAJOR}.${TRELMIX_VERSION_MINOR}.${TRELMIX_VERSION_PATCH})
