#!/bin/sh
# Runs a Windows program under Wine, quietly, in the prefix given first:
#   wine-run.sh PREFIX PROGRAM.exe [ARGS...]   runs the program, passes its exit code on
#   wine-run.sh PREFIX --init                  creates the prefix once (about 10 s)
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

if [ "${1:-}" = --init ]; then
    [ -f "$prefix/system.reg" ] && exit 0
    mkdir -p "$(dirname "$prefix")"
    log="$prefix.log"
    wineserver=$(dirname "$wine")/wineserver
    [ -x "$wineserver" ] || wineserver=wineserver
    # wineboot returns before the registry is written out; wait for the
    # server to finish so the prefix is complete before the first program.
    if ! { "$wine" wineboot -i && "$wineserver" -w; } >"$log" 2>&1 || [ ! -f "$prefix/system.reg" ]; then
        cat "$log" >&2
        echo "wine-run.sh: could not create the Wine prefix $prefix" >&2
        exit 1
    fi
    exit 0
fi
exec "$wine" "$@"
