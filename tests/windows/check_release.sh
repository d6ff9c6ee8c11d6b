#!/usr/bin/env bash
# Checks what a Windows release has beside the DLL's code:
#   check_release.sh BINUTILS_PREFIX trelmix.dll trelmix.lib CLANG LLD_LINK msvc_probe.c [RUNNER...]
#   - the DLL's resources (windres reads them back): the message table entry
#     of event id 0 shows the insertion string alone, and the version
#     resource carries the header's version and the license;
#   - the DLL starts no threads and installs no handlers in its host (no
#     winpthread, _beginthreadex, CreateThread, AddVectoredExceptionHandler,
#     SetThreadContext or signal among its imports), and carries no DWARF:
#     its debug information is trelmix.dll.debug beside it;
#   - trelmix.lib links a host as Visual C++ builds it (clang for the
#     Microsoft ABI, lld-link, no C runtime): the host imports the five plain
#     names from trelmix.dll; with a RUNNER (wine) the host also runs
#     against the DLL.
set -u
tools=$1 dll=$2 lib=$3 clang=$4 lld_link=$5 probe=$6
shift 6
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }

"$tools-windres" -i "$dll" -O rc > "$work/resources.rc" 2>&1 || fail "windres cannot read the resources of $dll"
if grep -q 'MessageId = 0x0$' "$work/resources.rc" && grep -qx '   %1%0\\n\\000' "$work/resources.rc"; then
    pass "message table: event id 0 shows its insertion string"
else
    fail "message table: no entry 0 reading %1%0"; cat "$work/resources.rc"
fi
version=$("$root/scripts/version.sh")
if grep -q "VALUE \"FileVersion\", \"$version\"" "$work/resources.rc" &&
    grep -q "FILEVERSION ${version//./, }, 0" "$work/resources.rc" &&
    grep -q 'VALUE "LegalCopyright", ".*MIT License' "$work/resources.rc"; then
    pass "version resource: $version"
else
    fail "version resource: not $version"
fi

case $("$tools-objdump" -f "$dll") in
    *pei-i386*) target=i686-pc-windows-msvc machine=x86 ;;
    *) target=x86_64-pc-windows-msvc machine=x64 ;;
esac
imports=$("$tools-objdump" -p "$dll" | awk '/DLL Name:/ { print $3; next } NF == 3 && $2 ~ /^[0-9]+$/ { print $3 }')
unwanted='libwinpthread.*|_beginthreadex|CreateThread|AddVectoredExceptionHandler|SetThreadContext|signal'
if grep -qxiE "$unwanted" <<<"$imports"; then
    fail "the DLL imports $(grep -xiE "$unwanted" <<<"$imports" | paste -sd' ')"
else
    pass "imports: no threads, no handlers"
fi
if "$tools-objdump" -h "$dll" | grep -q ' \.debug_'; then
    fail "the DLL carries DWARF"
elif [ ! -s "$dll.debug" ] || ! "$tools-objdump" -h "$dll.debug" | grep -q ' \.debug_info'; then
    fail "no trelmix.dll.debug beside the DLL"
else
    pass "no DWARF in the DLL; trelmix.dll.debug beside it"
fi

cp "$dll" "$work/"
if "$clang" --target=$target -ffreestanding -O2 -Wall -Wextra -Werror -I "$root/include" -c "$probe" -o "$work/probe.obj" &&
    "$lld_link" /nologo /machine:$machine /entry:probe /subsystem:console /nodefaultlib \
        /out:"$work/probe.exe" "$work/probe.obj" "$lib"; then
    imports=$("$tools-objdump" -p "$work/probe.exe" |
        awk '/DLL Name:/ { dll = $3; next } /^$/ { dll = "" } dll == "trelmix.dll" && $2 ~ /^[0-9]+$/ { print $3 }' |
        sort | paste -sd' ')
    if [ "$imports" = "TRLM_AssignScript TRLM_Execute TRLM_ExecuteInto TRLM_IsRegistered TRLM_SetTransmitObject" ]; then
        pass "trelmix.lib ($machine): a Visual C++ host imports the plain names"
    else
        fail "trelmix.lib ($machine): the host imports '$imports'"
    fi
    if [ $# -gt 0 ]; then
        (cd "$work" && "$@" ./probe.exe)
        status=$?
        [ $status -eq 0 ] && pass "the Visual C++ host ran against the DLL" || fail "the Visual C++ host: check $status failed"
    fi
else
    fail "trelmix.lib ($machine): a Visual C++ host does not link"
fi

[ $failures -eq 0 ]
