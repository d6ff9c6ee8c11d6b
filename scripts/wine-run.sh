#!/bin/sh
# Runs a Windows program under Wine, quietly, in the prefix given first:
#   wine-run.sh PREFIX PROGRAM.exe [ARGS...]   runs the program, passes its exit code on
#   wine-run.sh PREFIX --init                  creates the prefix once (about 10 s)
#                                              and starts Wine's server for the programs
#   wine-run.sh PREFIX --stop                  stops the server
# No debug output, no Mono or Gecko install prompts, no display (Wine's own US
# keyboard layout) and an English locale (ANSI code page 1252), so that every
# machine answers alike. TRELMIX_WINE overrides the wine program.
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
wine=${TRELMIX_WINE:-}
if [ -z "$wine" ]; then
    if [ -x /usr/lib/wine/wine64 ]; then
        wine=/usr/lib/wine/wine64
        export WINELOADER="$wine"
    else
        wine=$(command -v wine64 || command -v wine) || { echo "wine-run.sh: wine is not installed" >&2; exit 127; }
    fi
fi

wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=wineserver

case "${1:-}" in
--init)
    log="$prefix.log"
    if [ ! -f "$prefix/system.reg" ]; then
        mkdir -p "$(dirname "$prefix")"
        # wineboot returns before the registry is written out; wait for the
        # server to finish so the prefix is complete before the first program.
        if ! { "$wine" wineboot -i && "$wineserver" -w; } >"$log" 2>&1 || [ ! -f "$prefix/system.reg" ]; then
            cat "$log" >&2
            echo "wine-run.sh: could not create the Wine prefix $prefix" >&2
            exit 1
        fi
    fi
    # Keep one server and Wine's own background processes running for the
    # programs that follow. Started here, those processes hold the log file
    # open, not the output of the test that happens to start them first (the
    # test runner would wait for them to end).
    "$wineserver" -p60 >>"$log" 2>&1 </dev/null
    "$wine" cmd /c exit >>"$log" 2>&1 </dev/null
    ;;
--stop)
    "$wineserver" -k 2>/dev/null || true
    ;;
*)
    exec "$wine" "$@"
    ;;
esac
