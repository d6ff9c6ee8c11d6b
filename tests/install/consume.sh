#!/usr/bin/env bash
# A host's build against an installed Trelmix, done as docs/integration.md
# says: the install line, then the consumer (tests/host/c_host.c) built once
# with the document's CMakeLists.txt (find_package) and once with its
# pkg-config line, and run. Also holds the version to one value across the
# header, the packages, the SONAME and `trelmix --version`.
#   consume.sh install BUILD_DIR    installs the build tree into a temporary prefix first
#   consume.sh PREFIX               an installed (or unpacked) tree
# TRELMIX_PRELOAD: preloaded into the consumers (a library built with
# sanitizers needs their runtime first).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
doc=$root/docs/integration.md
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "consume.sh: $*" >&2; exit 1; }

if [ "$1" = install ]; then
  prefix=$work/prefix
  line=$("$root/scripts/doc-blocks.sh" "$doc" sh 1)
  line=${line//build\/release/$2}
  (cd "$root" && eval "${line//\/opt\/trelmix/$prefix}") > "$work/install.log" || { cat "$work/install.log"; exit 1; }
else
  prefix=$(cd "$1" && pwd)
fi

export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
version=$(pkg-config --modversion trelmix)
major=${version%%.*}
[ "$("$prefix/bin/trelmix" --version)" = "trelmix $version" ] || fail "trelmix --version is not $version"
soname=$(objdump -p "$prefix/lib/libtrelmix.so" | awk '$1 == "SONAME" { print $2 }')
[ "$soname" = "libtrelmix.so.$major" ] || fail "SONAME $soname, not libtrelmix.so.$major"
[ -f "$prefix/lib/libtrelmix.so.$version" ] || fail "no libtrelmix.so.$version"

# run DIR: the consumer needs the versioned library and reports the header's version.
run() {
  objdump -p "$1/scanner_host" | grep -q "NEEDED *libtrelmix.so.$major\$" || fail "$1: not linked to the SONAME"
  LD_LIBRARY_PATH=$prefix/lib LD_PRELOAD=${TRELMIX_PRELOAD:-} "$1/scanner_host" > "$1/out" || fail "$1: the consumer failed"
  grep -qx "c_host: all checks passed (trelmix $version)" "$1/out" || fail "$1: $(cat "$1/out")"
}

mkdir "$work/cmake" "$work/cmake/build" "$work/pkg-config"
"$root/scripts/doc-blocks.sh" "$doc" cmake > "$work/cmake/CMakeLists.txt"
cp "$root/tests/host/c_host.c" "$work/cmake/host.c"
cp "$root/tests/host/c_host.c" "$work/pkg-config/host.c"
(cd "$work/cmake/build" && cmake -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release .. && cmake --build .) \
  > "$work/cmake.log" 2>&1 || { cat "$work/cmake.log"; fail "find_package build failed"; }
cp "$work/cmake/build/scanner_host" "$work/cmake/"
run "$work/cmake"
(cd "$work/pkg-config" && eval "$("$root/scripts/doc-blocks.sh" "$doc" sh 2)") || fail "pkg-config build failed"
run "$work/pkg-config"
# The guide's plug-in host: dlopen of the installed library, its keyboard hooks.
"$root/scripts/doc-blocks.sh" "$doc" "c posix" > "$work/posix_snippets.c"
cc -std=c99 -Wall -Wextra -Werror -I"$prefix/include" -I"$work" "$here/posix_host.c" -o "$work/posix_host" -ldl ||
  fail "the guide's POSIX host does not build"
LD_PRELOAD=${TRELMIX_PRELOAD:-} "$work/posix_host" "$prefix/lib/libtrelmix.so.$major" || fail "the guide's POSIX host failed"
echo "consume.sh: $prefix $version: find_package and pkg-config consumers built and ran"
