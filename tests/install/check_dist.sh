#!/usr/bin/env bash
# make test-dist: unpacks each archive of `make dist` into a temporary folder
# and uses it as an integrator would.
#   - the hashes: dist/SHA256SUMS, and each archive's own SHA256SUMS;
#   - Linux: a host built against the unpacked tree with find_package and
#     with pkg-config (consume.sh), and the conformance suite through its
#     trelmix; the library exports only the TRLM_ functions and needs the
#     glibc the guide states (shipped_library.sh);
#   - the .deb: installed with dpkg into a scratch root, a host built against
#     what it installed, then removed without a file left behind;
#   - Windows: the integration guide's host (doc_host) under wine64 against
#     the x64 DLL from the zip; the conformance suite through the zip's x86 DLL in the
#     emulated 32-bit host (the Linux archive's trelmix-x86); trelmix.exe
#     from the zip on an example (as Linux's
#     trelmix shows it); both DLLs'
#     resources and trelmix.lib (check_release.sh: x64 also run); each
#     MinGW import library names trelmix.dll;
#   - the playground in both: the same page; its node command on an example.
# Usage: check_dist.sh DOC_HOST.exe WINE_PREFIX
set -euo pipefail
doc_host=$(realpath "$1")
wine_prefix=$(realpath "$2")
root=$(cd "$(dirname "$0")/../.." && pwd)
version=$("$root/scripts/version.sh")
linux=trelmix-$version-linux-x86_64
windows=trelmix-$version-windows
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
wine=("$root/scripts/wine-run.sh" "$wine_prefix")
step() { echo "== $*"; }

step "hashes"
(cd "$root/dist" && sha256sum --quiet -c SHA256SUMS)
tar -C "$work" -xzf "$root/dist/$linux.tar.gz"
unzip -q "$root/dist/$windows.zip" -d "$work"
(cd "$work/$linux" && sha256sum --quiet -c SHA256SUMS)
(cd "$work/$windows" && sha256sum --quiet -c SHA256SUMS)
for tree in "$work/$linux" "$work/$windows"; do cmp "$tree/LICENSE" "$root/LICENSE"; [ -s "$tree/CHANGELOG.md" ]; done

step "linux: a host built against the unpacked tree"
bash "$root/tests/install/consume.sh" "$work/$linux"
bash "$root/tests/install/shipped_library.sh" "$work/$linux/lib/libtrelmix.so" "$root/docs/integration.md"
step "linux: the conformance suite through the archive's trelmix"
for set in core keyboard; do
  bash "$root/tests/conformance/run_cases.sh" $set "$work/$linux/bin/trelmix" | tail -1
done

step "the .deb: installed into a scratch root, used, removed"
deb_root=$work/deb-root
mkdir -p "$deb_root/var/lib/dpkg/info" "$deb_root/var/lib/dpkg/updates"
touch "$deb_root/var/lib/dpkg/status"
dpkg --root="$deb_root" --force-depends --force-not-root -i "$root/dist/trelmix_${version}_amd64.deb" > /dev/null
[ -s "$deb_root/usr/share/man/man1/trelmix.1.gz" ] && cmp "$deb_root/usr/share/doc/trelmix/copyright" "$root/LICENSE"
bash "$root/tests/install/consume.sh" "$deb_root/usr"
dpkg --root="$deb_root" --force-not-root -r trelmix > /dev/null
left=$(find "$deb_root" -path "$deb_root/var" -prune -o -type f -print)
[ -z "$left" ] || { echo "the .deb left: $left"; exit 1; }

step "the playground: its node command answers as the archive's trelmix; both archives hold the page"
run_jsonl() { (cd "$work/$linux/examples" && "$@" run --jsonl --scans gs1-128.scans gs1-128.trelmix); }
diff <(run_jsonl "$work/$linux/bin/trelmix") <(run_jsonl node "$work/$linux/playground/trelmix-cli.mjs")
cmp "$work/$linux/playground/index.html" "$work/$windows/playground/index.html"

step "windows: the guide's host against x64/bin/trelmix.dll"
"${wine[@]}" "$doc_host" "$work/$windows/x64/bin/trelmix.dll"
step "windows: the conformance suite through x86/bin/trelmix.dll in trelmix-x86"
for set in run keyboard; do
  bash "$root/tests/conformance/run_cases.sh" $set "$work/$linux/bin/trelmix-x86" \
    --dll "$work/$windows/x86/bin/trelmix.dll" | tail -1
done
step "windows: trelmix.exe"
exe=$work/$windows/x64/bin/trelmix.exe
[ "$("${wine[@]}" "$exe" --version)" = "trelmix $version" ]
! x86_64-w64-mingw32-objdump -h "$exe" | grep -q ' \.debug_' || { echo "trelmix.exe carries DWARF"; exit 1; }
# The gs1-128 example's scans: what trelmix.exe shows is what Linux's trelmix shows.
run_example() { (cd "$work/$windows/examples" && "$@" run --scans gs1-128.scans gs1-128.trelmix); }
diff <(run_example "$work/$linux/bin/trelmix") <(run_example "${wine[@]}" "$exe")
step "windows: resources, trelmix.lib and the import libraries"
bash "$root/tests/windows/check_release.sh" i686-w64-mingw32 "$work/$windows/x86"
bash "$root/tests/windows/check_release.sh" x86_64-w64-mingw32 "$work/$windows/x64" "${wine[@]}"
for arch in x86 x64; do
  [ "$(x86_64-w64-mingw32-dlltool -I "$work/$windows/$arch/lib/libtrelmix.dll.a")" = trelmix.dll ]
done
echo "check_dist.sh: both archives unpack and work"
