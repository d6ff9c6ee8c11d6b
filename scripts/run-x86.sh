#!/bin/sh
# Runs a 32-bit x86 Linux program: natively where the kernel runs 32-bit
# programs, otherwise under qemu-i386 (user-mode emulation of the same binary,
# with the system's 32-bit libraries).
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    exec "$@"
fi
if ! command -v qemu-i386 >/dev/null 2>&1; then
    echo "run-x86.sh: this kernel does not run 32-bit programs and qemu-i386 is not installed (make deps)" >&2
    exit 127
fi
exec qemu-i386 "$@"
