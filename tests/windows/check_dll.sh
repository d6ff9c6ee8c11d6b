#!/usr/bin/env bash
# Checks the binary contract of a Windows build of the plug-in in its machine
# code: check_dll.sh OBJDUMP trelmix.dll [abi_probe.obj]
#   - PE machine (i386 for the 32-bit build, x86-64 for the 64-bit one);
#   - exactly the intended export names, undecorated, nothing else;
#   - imports from system DLLs only (the compiler's runtime is linked in);
#   - 32-bit: TRLM_Execute and TRLM_ExecuteInto return their ExecuteResult
#     through the caller-popped hidden pointer (plain `ret`, never `ret $4`);
#   - 32-bit: TypeCharacter is __thiscall: every call of it in the DLL (and in
#     a probe compiled with the same compiler and header) puts the emulator in
#     ECX, calls the second entry of the table the emulator points at and lets
#     the callee pop the two stack arguments; the probe's callee returns with
#     `ret $8`.
set -u
objdump=$1
dll=$2
probe=${3:-}
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() { echo "ok:   $*"; }

expected_exports="TRLM_AssignScript TRLM_Execute TRLM_ExecuteInto TRLM_IsRegistered TRLM_SetTransmitObject"
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

# A __thiscall callee: reads ECX (the object) before writing it, pops 8 bytes.
check_thiscall_callee() {  # FILE SYMBOL WHAT
    local uses
    uses=$(instructions "$1" "$2" | awk '
        /,%ecx$/ && !/\(%ecx\)/ { exit }      # overwritten before any use
        /%ecx/ { print "uses"; exit }')
    [ "$uses" = uses ] && pass "$3: $2 takes its object in ECX" || fail "$3: $2 does not read ECX"
    check_returns "$1" "$2" '$0x8' "$3"
}

# The calls of TypeCharacter: ECX loaded from offset 0 of a TransmitObject
# (its emulator), the typing context from offset 8 of the same object stored
# as the second stack argument, the call through the second entry of the
# table ECX's object points at, and, after it, the stack pointer lowered by the
# 8 argument bytes the callee popped. Prints "ok FUNCTION" or "bad FUNCTION"
# for each call found. (Virtual calls load ECX alike but pass no context.)
typecharacter_calls() {  # FILE [SYMBOL]
    "$objdump" -d --no-show-raw-insn ${2:+--disassemble="$2"} "$1" | awk -F'\t' '
        function reg(s) { return substr(s, length(s) - 2, 3) }   # "...,%eax" -> "eax"
        function reset() { transmit = ""; table = ""; arg2 = ""; split("", context) }
        function finish() { if (site != "") print "bad " site; site = "" }
        /^[0-9a-f]+ <.*>:$/ { finish(); name = $0; sub(/^[0-9a-f]+ </, "", name); sub(/>:$/, "", name); reset(); next }
        !/^ *[0-9a-f]+:\t/ { next }
        {
            i = $2; sub(/ +$/, "", i); gsub(/ +/, " ", i)
            if (site != "") {
                if (i == "sub $0x8,%esp") { print "ok " site; site = "" }
                else if (i ~ /^(call|ret|jmp)/) finish()
            }
            if (i ~ /^mov \(%e[a-z][a-z]\),%ecx$/) { transmit = substr(i, 8, 3); table = ""; next }
            if (i ~ /,%ecx$/) { transmit = ""; table = "" }
            if (i ~ /^mov \(%ecx\),%e[a-z][a-z]$/ && transmit != "") { table = reg(i); next }
            if (i ~ /^mov 0x8\(%e[a-z][a-z]\),%e[a-z][a-z]$/) { context[reg(i)] = substr(i, 11, 3); next }
            if (i ~ /^mov %e[a-z][a-z],0x4\(%esp\)$/) { arg2 = context[substr(i, 6, 3)]; next }
            if (i ~ /^call \*0x4\(%e[a-z][a-z]\)$/ && transmit != "" && substr(i, 12, 3) == table && arg2 == transmit) {
                site = name; reset(); next
            }
            if (i ~ /,%e[a-z][a-z]$/) { context[reg(i)] = "" }
        }
        END { finish() }'
}

check_typecharacter_calls() {  # FILE [SYMBOL] WHAT
    local found bad
    found=$(typecharacter_calls "$1" "${2:-}")
    bad=$(echo "$found" | grep '^bad ' | sort -u | sed 's/^bad //')
    if [ -z "$found" ]; then
        fail "$3: no TypeCharacter call found"
    elif [ -n "$bad" ]; then
        fail "$3: TypeCharacter calls that do not let the callee pop its arguments in:" $bad
    else
        pass "$3: $(echo "$found" | wc -l) TypeCharacter call(s), emulator in ECX, callee pops, in" \
            $(echo "$found" | sed 's/^ok //' | sort -u)
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

    check_typecharacter_calls "$dll" "" "thiscall (DLL)"
    if [ -n "$probe" ]; then
        check_typecharacter_calls "$probe" _TrelmixProbeCall "thiscall (probe)"
        check_thiscall_callee "$probe" _TrelmixProbeCallee "thiscall (probe)"
    else
        fail "no probe object given: TypeCharacter's convention is unchecked"
    fi
fi

[ $failures -eq 0 ] && echo "all binary checks passed" || echo "$failures binary check(s) failed"
[ $failures -eq 0 ]
