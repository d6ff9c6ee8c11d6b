#!/usr/bin/env bash
# make dist: the two release archives, from the release, windows-x86 and
# windows-x64 build trees and the playground in build/web (built by the make
# targets before this runs).
#   dist/trelmix-VERSION-linux-x86_64.tar.gz   the installed tree (library,
#       header, CMake and pkg-config files, the command) with README.md,
#       docs/, examples/ and playground/
#   dist/trelmix-VERSION-windows.zip   x86/ and x64/ installed trees (the
#       DLLs, both import libraries and the .def, the header; x64/bin holds
#       trelmix.exe), with README.md, docs/, examples/ and playground/
# Each archive holds one folder of its own name with a SHA256SUMS of every
# file in it; dist/SHA256SUMS lists the two archives. Files carry the time
# of the last commit, so the same tree gives the same archives.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
version=$(scripts/version.sh)
stamp=$(git log -1 --format=%ct 2>/dev/null || date +%s)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p dist

# stage NAME: the common files and the time stamp; then the list of hashes.
common() {
  cp README.md "$stage/$1/"
  cp -r docs examples "$stage/$1/"
  cp -r build/web "$stage/$1/playground"
}
seal() {
  (cd "$stage/$1" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort |
     xargs -d '\n' sha256sum > SHA256SUMS)
  find "$stage/$1" -exec touch -h -d "@$stamp" {} +
}
install_tree() {  # BUILD_DIR DESTINATION
  cmake --install "$1" --prefix "$2" > /dev/null
}

linux=trelmix-$version-linux-x86_64
install_tree build/release "$stage/$linux"
common "$linux"
seal "$linux"
tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$stamp" -cf - "$linux" |
  gzip -9n > "dist/$linux.tar.gz"

windows=trelmix-$version-windows
install_tree build/windows-x86 "$stage/$windows/x86"
install_tree build/windows-x64 "$stage/$windows/x64"
common "$windows"
seal "$windows"
rm -f "dist/$windows.zip"
(cd "$stage" && find "$windows" | LC_ALL=C sort | zip -qX -@ "$root/dist/$windows.zip")

(cd dist && sha256sum "$linux.tar.gz" "$windows.zip" > SHA256SUMS)
echo "dist: $(cd dist && ls "$linux.tar.gz" "$windows.zip" SHA256SUMS | paste -sd' ')"
