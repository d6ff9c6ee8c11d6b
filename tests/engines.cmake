# The engines the conformance cases and the differential test (Engines.*) run
# on, beside this build's command running its own cases: each a program that
# speaks `run --jsonl`, most built by another preset. A new engine is a line
# here: trelmix_engine(NAME NEEDS TRACES DRIVE SETS COMMAND...), where
#   NEEDS    the file whose absence skips its tests (empty: always built)
#   TRACES   whether its answers tell what a run did (the differential test compares them)
#   DRIVE    how the conformance cases reach it: ENGINE, this build's `trelmix
#            test --engine` drives it as a host would; COMMAND, its own command
#            runs the test files
#   SETS     the sets of conformance cases it runs (tests/conformance/run_cases.sh)
#   COMMAND  its command line before `run`
# TRELMIX_ENGINE_LINES holds them as one text for a program: a line per
# engine, "NAME|NEEDS|TRACES|COMMAND", the command's words quoted for a shell.
set(TRELMIX_ENGINES "")
set(TRELMIX_ENGINE_LINES "")
if(NOT TARGET trelmix_cli OR CMAKE_CROSSCOMPILING)
  return()
endif()
function(trelmix_engine name needs traces drive sets)
  foreach(field needs traces drive sets)
    set(TRELMIX_ENGINE_${name}_${field} "${${field}}" PARENT_SCOPE)
  endforeach()
  set(TRELMIX_ENGINE_${name}_COMMAND ${ARGN} PARENT_SCOPE)
  set(TRELMIX_ENGINES ${TRELMIX_ENGINES} ${name} PARENT_SCOPE)
  string(JOIN "' '" words ${ARGN})
  set(TRELMIX_ENGINE_LINES "${TRELMIX_ENGINE_LINES}${name}|${needs}|${traces}|'${words}'\\n" PARENT_SCOPE)
endfunction()

# This build's command as an engine process: the records run untraced, on
# the path a host's calls take.
trelmix_engine(native "" ON ENGINE "core;keyboard" $<TARGET_FILE:trelmix_cli>)
# The playground's node command, as `make web` builds it into build/web: the
# trelmix command itself, so it runs the cases with its own engine.
find_program(NODE node)
if(NODE)
  trelmix_engine(web ${PROJECT_SOURCE_DIR}/build/web/trelmix-node.wasm ON COMMAND "core;keyboard" ${NODE}
                 ${PROJECT_SOURCE_DIR}/build/web/trelmix-cli.mjs)
endif()
# The shipped 32-bit DLL in trelmix-x86 (tools/trelmix-x86/), once the
# windows-x86 preset has built it.
if(TARGET trelmix_x86)
  set(TRELMIX_X86_DLL ${PROJECT_SOURCE_DIR}/build/windows-x86/bin/trelmix.dll
      CACHE FILEPATH "The 32-bit DLL the emulated host runs (the windows-x86 preset builds it)")
  trelmix_engine(x86 ${TRELMIX_X86_DLL} OFF COMMAND "run;keyboard" $<TARGET_FILE:trelmix_x86> --dll ${TRELMIX_X86_DLL})
endif()
