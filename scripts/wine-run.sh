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
case $prefix in /*) ;; *) prefix=$PWD/$prefix ;; esac
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
log="$prefix.log"

# Creates the prefix once, then keeps one server and Wine's own background
# processes running for the programs that follow. Started here, those
# processes hold the log file open, not the output of whichever program
# happens to start them (a test runner would wait for them to end). Under a
# lock, so that programs started side by side find everything ready; nothing
# Wine starts may inherit the lock (fd 9).
ready() {
    exec 9>"$prefix.lock"
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
        # wineboot returns before the registry is written out; wait for the
        # server to finish so the prefix is complete before the first program.
        if ! { "$wine" wineboot -i && "$wineserver" -w; } </dev/null >"$log" 2>&1 9>&- ||
            [ ! -f "$prefix/system.reg" ]; then
            cat "$log" >&2
            echo "wine-run.sh: could not create the Wine prefix $prefix" >&2
            exit 1
        fi
    fi
    # Exit status 0: no server was running and this one starts (it stays 60 s
    # after its last program); 2: one is running already. The warm-up program
    # only starts Wine's background processes: when it fails, the program
    # itself still runs and says what went wrong, instead of this script
    # ending silently with its status.
    if "$wineserver" -p60 </dev/null >>"$log" 2>&1 9>&-; then
        "$wine" cmd /c exit </dev/null >>"$log" 2>&1 9>&- ||
            echo "wine-run.sh: the warm-up program exited with status $?" >>"$log"
    fi
    exec 9>&-
}

case "${1:-}" in
--init)
    mkdir -p "$(dirname "$prefix")"
    ready
    ;;
--stop)
    "$wineserver" -k 2>/dev/null || true
    ;;
*)
    ready
    exec "$wine" "$@"
    ;;
esac
