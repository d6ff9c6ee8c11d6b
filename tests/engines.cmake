# The engines the conformance cases and the differential test (Engines.*) run
# on, beside this build's command running its own cases: each a program that
# speaks `run --jsonl`, most built by another preset. A new engine is a block
# here. Per engine:
#   NEEDS    the file whose absence skips its tests (empty: always built)
#   COMMAND  its command line before `run`
#   TRACES   whether its answers tell what a run did (the differential test compares them)
#   DRIVE    how the conformance cases reach it: ENGINE, this build's `trelmix
#            test --engine` drives it as a host would; COMMAND, its own command
#            runs the test files
#   SETS     the sets of conformance cases it runs (tests/conformance/run_cases.sh)
set(TRELMIX_ENGINES "")
if(NOT TARGET trelmix_cli OR CMAKE_CROSSCOMPILING)
  return()
endif()

# This build's command as an engine process: the records run untraced, on
# the path a host's calls take.
list(APPEND TRELMIX_ENGINES native)
set(TRELMIX_ENGINE_native_NEEDS "")
set(TRELMIX_ENGINE_native_COMMAND $<TARGET_FILE:trelmix_cli>)
set(TRELMIX_ENGINE_native_TRACES ON)
set(TRELMIX_ENGINE_native_DRIVE ENGINE)
set(TRELMIX_ENGINE_native_SETS core keyboard)

# The playground's node command, as `make web` builds it into build/web.
find_program(NODE node)
if(NODE)
  list(APPEND TRELMIX_ENGINES web)
  set(TRELMIX_ENGINE_web_NEEDS ${PROJECT_SOURCE_DIR}/build/web/trelmix.mjs)
  set(TRELMIX_ENGINE_web_COMMAND ${NODE} ${PROJECT_SOURCE_DIR}/build/web/trelmix-cli.mjs)
  set(TRELMIX_ENGINE_web_TRACES ON)
  set(TRELMIX_ENGINE_web_DRIVE ENGINE)
  set(TRELMIX_ENGINE_web_SETS run keyboard)
endif()

# The shipped 32-bit DLL in trelmix-x86 (tools/trelmix-x86/), once the
# windows-x86 preset has built it.
if(TARGET trelmix_x86)
  set(TRELMIX_X86_DLL ${PROJECT_SOURCE_DIR}/build/windows-x86/bin/trelmix.dll
      CACHE FILEPATH "The 32-bit DLL the emulated host runs (the windows-x86 preset builds it)")
  list(APPEND TRELMIX_ENGINES x86)
  set(TRELMIX_ENGINE_x86_NEEDS ${TRELMIX_X86_DLL})
  set(TRELMIX_ENGINE_x86_COMMAND $<TARGET_FILE:trelmix_x86> --dll ${TRELMIX_X86_DLL})
  set(TRELMIX_ENGINE_x86_TRACES OFF)
  set(TRELMIX_ENGINE_x86_DRIVE COMMAND)
  set(TRELMIX_ENGINE_x86_SETS run keyboard)
endif()

# The list as one text for a program: a line per engine,
# "NAME|NEEDS|TRACES|COMMAND", the command's words quoted for a shell.
set(TRELMIX_ENGINE_LINES "")
foreach(engine ${TRELMIX_ENGINES})
  set(words "")
  foreach(word ${TRELMIX_ENGINE_${engine}_COMMAND})
    string(APPEND words " '${word}'")
  endforeach()
  string(STRIP "${words}" words)
  string(APPEND TRELMIX_ENGINE_LINES "${engine}|${TRELMIX_ENGINE_${engine}_NEEDS}|${TRELMIX_ENGINE_${engine}_TRACES}|${words}\\n")
endforeach()
