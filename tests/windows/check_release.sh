#!/usr/bin/env bash
# Checks a Windows release tree (x86/ or x64/ of the zip) beside the DLL's code:
#   check_release.sh BINUTILS_PREFIX TREE [RUNNER...]
#   check_release.sh BINUTILS_PREFIX install BUILD_DIR [RUNNER...]
#       (installs the build tree into a temporary prefix first)
#   - the DLL's resources (windres reads them back): the message table entry
#     of event id 0 shows the insertion string alone, and the version
#     resource carries the header's version and the license;
#   - the DLL starts no threads and installs no handlers in its host (no
#     winpthread, _beginthreadex, CreateThread, AddVectoredExceptionHandler,
#     SetThreadContext or signal among its imports), and carries no DWARF:
#     its debug information is trelmix.dll.debug beside it;
#   - a host as Visual C++ builds it (clang-cl standing in for cl, lld-link;
#     msvc_probe.c, no C runtime), built once with the guide's cl command
#     line and once by CMake with the guide's CMakeLists.txt and the tree's
#     package: both link lib/trelmix.lib and import the five plain names from
#     trelmix.dll; with a RUNNER (wine) both also run against the DLL.
set -u
tools=$1
shift
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ "$1" = install ]; then
    cmake --install "$2" --prefix "$work/tree" > /dev/null || exit 1
    shift 2
    tree=$work/tree
else
    tree=$(cd "$1" && pwd)
    shift
fi
dll=$tree/bin/trelmix.dll
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

# probe DIR HOW: the host built in DIR imports the plain names and runs.
probe() {
    local imports status
    imports=$("$tools-objdump" -p "$1/host.exe" |
        awk '/DLL Name:/ { dll = $3; next } /^$/ { dll = "" } dll == "trelmix.dll" && $2 ~ /^[0-9]+$/ { print $3 }' |
        sort | paste -sd' ')
    if [ "$imports" = "TRLM_AssignScript TRLM_Execute TRLM_ExecuteInto TRLM_IsRegistered TRLM_SetTransmitObject" ]; then
        pass "$2 ($machine): the host imports the plain names"
    else
        fail "$2 ($machine): the host imports '$imports'"
    fi
    [ $# -gt 2 ] || return 0
    cp "$dll" "$1/"
    (cd "$1" && "${@:3}" ./host.exe)
    status=$?
    [ $status -eq 0 ] && pass "$2: the host ran against the DLL" || fail "$2: the host's check $status failed"
}
# No C runtime: no security cookie, no memcpy for a struct copy.
freestanding=(/GS- /O2 /clang:-ffreestanding)
entry=(/entry:probe /nodefaultlib /subsystem:console)

# The guide's command line, cl being clang-cl, in a folder holding trelmix\x64 (or x86).
mkdir -p "$work/cl/trelmix"
ln -s "$tree" "$work/cl/trelmix/$machine"
cp "$root/tests/windows/msvc_probe.c" "$work/cl/host.c"
line=$("$root/scripts/doc-blocks.sh" "$root/docs/integration.md" bat 1)
line=${line//\\//}
read -r -a words <<<"${line//x64/$machine}"
if [ "${words[0]}" = cl ] && (cd "$work/cl" && clang-cl-14 --target=$target -fuse-ld=lld "${freestanding[@]}" /WX \
    "${words[@]:1}" /link "${entry[@]}") > "$work/cl.log" 2>&1; then
    probe "$work/cl" "the guide's cl line" "$@"
else
    fail "the guide's cl line does not build a host: $line"; cat "$work/cl.log"
fi

# The guide's CMakeLists.txt, configured for Visual C++: find_package(Trelmix) must offer trelmix.lib.
mkdir "$work/cmake"
"$root/scripts/doc-blocks.sh" "$root/docs/integration.md" cmake > "$work/cmake/CMakeLists.txt"
cp "$root/tests/windows/msvc_probe.c" "$work/cmake/host.c"
if cmake -S "$work/cmake" -B "$work/cmake/build" -G "Unix Makefiles" -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_C_COMPILER=clang-cl-14 -DCMAKE_C_COMPILER_TARGET=$target -DCMAKE_C_COMPILER_WORKS=ON \
    -DCMAKE_LINKER=lld-link-14 -DCMAKE_MT=llvm-mt-14 -DCMAKE_RC_COMPILER=llvm-rc-14 -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$tree" -DCMAKE_C_FLAGS="${freestanding[*]}" -DCMAKE_EXE_LINKER_FLAGS="${entry[*]}" \
    -DCMAKE_C_STANDARD_LIBRARIES= > "$work/cmake.log" 2>&1 &&
    cmake --build "$work/cmake/build" >> "$work/cmake.log" 2>&1; then
    link=$work/cmake/build/CMakeFiles/scanner_host.dir/link.txt
    grep -q " $tree/lib/trelmix.lib " "$link" || fail "the package gives Visual C++: $(grep -o '[^ ]*trelmix[^ ]*' "$link")"
    cp "$work/cmake/build/scanner_host.exe" "$work/cmake/host.exe"
    probe "$work/cmake" "find_package(Trelmix) for Visual C++" "$@"
else
    fail "find_package(Trelmix) for Visual C++ does not build a host"; cat "$work/cmake.log"
fi

[ $failures -eq 0 ]
