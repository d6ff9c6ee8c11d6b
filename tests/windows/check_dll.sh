#!/usr/bin/env bash
# Checks the binary contract of a Windows build of the plug-in in its machine
# code: check_dll.sh OBJDUMP trelmix.dll
#   - PE machine (i386 for the 32-bit build, x86-64 for the 64-bit one);
#   - exactly the intended export names, undecorated, nothing else;
#   - imports from system DLLs only (the compiler's runtime is linked in);
#   - 32-bit: TRLM_Execute and TRLM_ExecuteInto return their ExecuteResult
#     through the caller-popped hidden pointer (plain `ret`, never `ret $4`),
#     cold paths included, which a run in the emulator may never reach.
# How TypeCharacter is called back is checked at run time by trelmix-x86.
set -u
objdump=$1
dll=$2
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() { echo "ok:   $*"; }

expected_exports="TRLM_AssignScript TRLM_AssignScriptEx TRLM_Execute TRLM_ExecuteInto TRLM_IsRegistered TRLM_SetTransmitObject"
system_dlls=" advapi32.dll kernel32.dll msvcrt.dll shlwapi.dll user32.dll "

# Instructions of one symbol, one a line, operands as objdump prints them.
instructions() {  # FILE SYMBOL
    "$objdump" -d --no-show-raw-insn --disassemble="$2" "$1" |
        awk -F'\t' '/^ *[0-9a-f]+:\t/ { sub(/ +$/, "", $2); gsub(/ +/, " ", $2); print $2 }'
}

# Every return of the symbol is `ret` with the given operand ("" for none).
check_returns() {  # FILE SYMBOL OPERAND WHAT
    local rets
    rets=$(instructions "$1" "$2" | grep -E '^ret( |$)' | sort -u)
    local want="ret${3:+ $3}"
    if [ -z "$rets" ]; then
        fail "$4: no return instruction found in $2"
    elif [ "$rets" != "$want" ]; then
        fail "$4: $2 returns with '$(echo $rets)', expected '$want'"
    else
        pass "$4: $2 returns with '$want'"
    fi
}

[ -f "$dll" ] || { echo "FAIL: $dll not found"; exit 1; }
format=$("$objdump" -f "$dll" | sed -n 's/.*file format //p')
case $format in
pei-i386) bits=32 ;;
pei-x86-64) bits=64 ;;
*) fail "unexpected file format '$format'"; bits=0 ;;
esac
[ $bits -ne 0 ] && pass "PE machine: $format"

headers=$("$objdump" -p "$dll")
exports=$(echo "$headers" | awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
    on && /^\t\[ *[0-9]+\] [^ ]+$/ { print $NF; next } on { exit }' | sort | tr '\n' ' ' | sed 's/ $//')
[ "$exports" = "$expected_exports" ] && pass "exports: $exports" \
    || fail "exports are '$exports', expected '$expected_exports'"

imports=$(echo "$headers" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
bad=""
for d in $imports; do
    case $system_dlls in *" $d "*) ;; *) bad="$bad $d" ;; esac
done
[ -z "$bad" ] && pass "imports system DLLs only: $(echo $imports)" || fail "imports non-system DLLs:$bad"

if [ $bits -eq 32 ]; then
    image_base=$(echo "$headers" | awk '$1 == "ImageBase" { print "0x" $2 }')
    for f in TRLM_Execute TRLM_ExecuteInto; do
        # The exported entry point is the function disassembled below.
        # "[   1] TRLM_Execute" names entry 1 of "[   1] +base[   2] 44d0 Export RVA".
        index=$(echo "$headers" | awk -v f="$f" '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
            on && $NF == f { sub(/^\t\[ */, ""); sub(/\].*/, ""); print; exit }')
        rva=$(echo "$headers" | awk -v i="$index" '/^Export Address Table -- Ordinal Base/ { on = 1; next }
            on && /Export RVA$/ { n = $0; sub(/^\t\[ */, "", n); sub(/\].*/, "", n); if (n == i) { print "0x" $(NF - 2); exit } }')
        start=$("$objdump" -d --disassemble="_$f" "$dll" | sed -n "s/^\([0-9a-f]*\) <_$f>:$/0x\1/p")
        if [ -z "$rva" ] || [ -z "$start" ] || [ $((image_base + rva)) -ne $((start)) ]; then
            fail "$f: export RVA '$rva' does not match the symbol _$f at '$start'"
            continue
        fi
        check_returns "$dll" "_$f" "" "hidden result pointer"
        cold=$(instructions "$dll" "_$f.cold" | grep -E '^ret ' || true)
        [ -z "$cold" ] || fail "hidden result pointer: _$f.cold pops its arguments ($cold)"
    done
fi

[ $failures -eq 0 ] && echo "all binary checks passed" || echo "$failures binary check(s) failed"
[ $failures -eq 0 ]
