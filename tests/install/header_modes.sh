#!/usr/bin/env bash
# The public header as hosts compile it: header_modes.sh INCLUDE_DIR
# Every C and C++ compiler here (native gcc and clang, both MinGW targets),
# C99, C11, C++11, C++17, -Wall -Wextra -pedantic -Werror, with a host's own
# TypeCharacter; C89 and C++98 must stop at the #error that names the minimum.
set -u
include=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/host.c" <<'C'
#include "trelmix/trelmix.h"
TRLM_EXTENSION static int32_t TRLM_THISCALL TypeCharacter(struct KeyboardEmulator *self, uint32_t c, uint32_t t) {
    (void)self;
    (void)t;
    return (int32_t)c;
}
static const KeyboardEmulatorOperations operations = {NULL, TypeCharacter};
int main(void) { return operations.TypeCharacter != NULL && KeyboardClientId.data1 != 0 ? 0 : TRLM_VERSION; }
C
cp "$work/host.c" "$work/host.cpp"
status=0
# compile COMPILER FILE STD EXPECTED(clean|NAME of the minimum)
compile() {
    local out
    out=$("$1" -std="$3" -Wall -Wextra -pedantic -Werror -I"$include" -c "$work/$2" -o "$work/host.o" 2>&1)
    local rc=$?
    if [ "$4" = clean ] && [ $rc -ne 0 ]; then
        echo "FAIL: $1 -std=$3:"; echo "$out" | head -5; status=1
    elif [ "$4" != clean ] && { [ $rc -eq 0 ] || ! grep -q "needs $4 or later" <<<"$out"; }; then
        echo "FAIL: $1 -std=$3 does not stop with 'needs $4 or later'"; status=1
    fi
}
for cc in gcc clang i686-w64-mingw32-gcc x86_64-w64-mingw32-gcc; do
    for std in c99 c11; do compile "$cc" host.c $std clean; done
    compile "$cc" host.c c89 C99
done
for cxx in g++ clang++ i686-w64-mingw32-g++ x86_64-w64-mingw32-g++; do
    for std in c++11 c++17; do compile "$cxx" host.cpp $std clean; done
    compile "$cxx" host.cpp c++98 C++11
done
[ $status -eq 0 ] && echo "ok: the header compiles clean in C99, C11, C++11, C++17 with every compiler here"
exit $status
