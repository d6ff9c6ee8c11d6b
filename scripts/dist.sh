#!/usr/bin/env bash
# make dist: the release archives, from the release, windows-x86 and
# windows-x64-shipped build trees and the playground in build/web (built by
# the make targets before this runs).
#   dist/trelmix-VERSION-linux-x86_64.tar.gz   the installed tree (library,
#       header, CMake and pkg-config files, the command, and trelmix-x86,
#       which runs scripts through the zip's 32-bit DLL) with README.md,
#       LICENSE, CHANGELOG.md, docs/, examples/ and playground/
#   dist/trelmix-VERSION-windows.zip   x86/ and x64/ installed trees (the
#       DLLs with their debug information beside them, both import libraries
#       and the .def, the header; x64/bin holds trelmix.exe), with the same
#       common files
#   dist/trelmix_VERSION_amd64.deb   the library, header, CMake and
#       pkg-config files, the command and its man page under /usr
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
  cp README.md LICENSE CHANGELOG.md "$stage/$1/"
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
cp build/release/bin/trelmix-x86 "$stage/$linux/bin/"
common "$linux"
seal "$linux"
tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$stamp" -cf - "$linux" |
  gzip -9n > "dist/$linux.tar.gz"

windows=trelmix-$version-windows
install_tree build/windows-x86 "$stage/$windows/x86"
install_tree build/windows-x64-shipped "$stage/$windows/x64"
# trelmix.exe shares the DLL's objects, compiled with -g for trelmix.dll.debug:
# the command ships without DWARF (half its size).
x86_64-w64-mingw32-strip --strip-debug "$stage/$windows/x64/bin/trelmix.exe"
common "$windows"
seal "$windows"
rm -f "dist/$windows.zip"
(cd "$stage" && find "$windows" | LC_ALL=C sort | zip -qX -@ "$root/dist/$windows.zip")

# The .deb: the release build installed under /usr, the man page made from
# the command's own help, the license and changelog where Debian keeps them.
deb=trelmix_${version}_amd64
root_dir=$stage/$deb
install_tree build/release "$root_dir/usr"
mkdir -p "$root_dir/DEBIAN" "$root_dir/usr/share/man/man1" "$root_dir/usr/share/doc/trelmix"
cp LICENSE "$root_dir/usr/share/doc/trelmix/copyright"
gzip -9nc CHANGELOG.md > "$root_dir/usr/share/doc/trelmix/changelog.gz"
{
  echo ".TH TRELMIX 1 \"$(date -u -d "@$stamp" +%Y-%m-%d)\" \"trelmix $version\" \"User Commands\""
  echo ".SH NAME"
  echo "trelmix \\- check, run and test scanner data-formatting scripts"
  roff() { sed 's/\\/\\e/g; s/^[.'"'"']/\\\&&/'; }
  echo ".SH DESCRIPTION"
  echo ".nf"
  build/release/bin/trelmix --help | roff
  echo ".fi"
  for command in check run test keywords; do
    echo ".SH \"TRELMIX $(tr a-z A-Z <<<"$command")\""
    echo ".nf"
    build/release/bin/trelmix "$command" --help | roff
    echo ".fi"
  done
  echo ".SH SEE ALSO"
  echo "/usr/include/trelmix/trelmix.h, the integration guide and the language reference in the source archive."
} | gzip -9n > "$root_dir/usr/share/man/man1/trelmix.1.gz"
glibc=$(objdump -T "$root_dir"/usr/lib/libtrelmix.so.* | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' | sort -V | tail -1)
cat > "$root_dir/DEBIAN/control" <<CONTROL
Package: trelmix
Version: $version
Architecture: amd64
Maintainer: the Trelmix authors
Depends: libc6 (>= $glibc)
Section: libs
Priority: optional
Description: scanner data-formatting engine
 The Trelmix library (libtrelmix.so.0, its header, CMake and pkg-config
 files) for scanner hosts, and the trelmix command for script authors.
CONTROL
find "$root_dir" -exec touch -h -d "@$stamp" {} +
SOURCE_DATE_EPOCH=$stamp dpkg-deb --root-owner-group -Zxz --build "$root_dir" "dist/$deb.deb" > /dev/null

(cd dist && sha256sum "$linux.tar.gz" "$windows.zip" "$deb.deb" > SHA256SUMS)
echo "dist: $(cd dist && ls "$linux.tar.gz" "$windows.zip" "$deb.deb" SHA256SUMS | paste -sd' ')"
