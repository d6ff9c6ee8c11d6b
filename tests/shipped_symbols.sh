#!/usr/bin/env bash
# What a shipped library must not carry: shipped_symbols.sh NM LIBRARY NAME...
# fails when the library's symbol table holds any of the NAMEs (parts of
# symbol names, mangled or not). The engine's own CompileScript must be
# there, so that a stripped library cannot pass unread.
set -u
nm=$1 lib=$2
shift 2
symbols=$("$nm" "$lib" 2>/dev/null) || { echo "FAIL: $nm cannot read $lib"; exit 1; }
grep -q CompileScript <<<"$symbols" || { echo "FAIL: $lib has no symbol table to read"; exit 1; }
status=0
for name in "$@"; do
    if grep -q -- "$name" <<<"$symbols"; then
        echo "FAIL: $lib holds $name:"
        grep -- "$name" <<<"$symbols" | head -3
        status=1
    fi
done
[ $status -eq 0 ] && echo "ok: $lib holds none of: $*"
exit $status
