#!/usr/bin/env bash
# The shipped Linux library as a host's system meets it:
#   shipped_library.sh LIBRARY INTEGRATION_GUIDE
# its dynamic symbols are the TRLM_ exports and nothing else, it needs no
# libstdc++ or libgcc_s, and the glibc it needs (the highest GLIBC_ symbol
# version it references) is the one the guide states ("glibc 2.N or later").
set -u
lib=$1 guide=$2
status=0
fail() { echo "FAIL: $*"; status=1; }
exports=$(nm -D --defined-only "$lib" | awk '{ print $3 }' | grep -v '^GLIBC\|^TRLM_VERSION' | LC_ALL=C sort | paste -sd' ')
expected="TRLM_AssignScript TRLM_AssignScriptEx TRLM_Execute TRLM_ExecuteInto TRLM_IsRegistered TRLM_SetPlatformHooks TRLM_SetTransmitObject"
[ "$exports" = "$expected" ] || fail "$lib exports: $exports"
needed=$(objdump -p "$lib" | awk '$1 == "NEEDED" { print $2 }' | paste -sd' ')
grep -q 'libstdc++\|libgcc_s' <<<"$needed" && fail "$lib needs $needed"
glibc=$(objdump -T "$lib" | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' | sort -V | tail -1)
grep -q "glibc $glibc or later" "$guide" || fail "$lib needs glibc $glibc; the guide does not say 'glibc $glibc or later'"
[ $status -eq 0 ] && echo "ok: $lib exports only TRLM_, needs $needed (glibc $glibc)"
exit $status
