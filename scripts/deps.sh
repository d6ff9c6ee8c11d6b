#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. As root it runs
# apt-get; otherwise it prints the exact command to run.
set -u
packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev
  clang-14 libclang-rt-14-dev clang-format-14
  libbenchmark-dev liblua5.4-dev
  libcli11-dev nlohmann-json3-dev
  # Windows builds (MinGW-w64) run under Wine; 32-bit Linux builds (multilib)
  # run under qemu-i386 where the kernel runs no 32-bit programs; GoogleTest's
  # sources for both.
  g++-mingw-w64-i686 g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  # The zip's x64 DLL and trelmix.exe: the win32 thread model (no winpthread).
  g++-mingw-w64-x86-64-win32
  wine wine64
  g++-multilib qemu-user googletest
  # The Windows release: trelmix.lib (llvm-dlltool), a Visual C++ style link
  # of it (lld-link), the zip.
  llvm-14 lld-14 zip unzip
  # cl's stand-in for the Visual C++ hosts of the release checks (clang-cl).
  clang-tools-14
  # The emulated 32-bit Windows host that runs the shipped DLL (trelmix-x86).
  libunicorn-dev
  # The playground: its engine in WebAssembly, its page tested in Chromium.
  emscripten chromium
)
# Node.js runs the benchmarks' JavaScript and the editor support's tests; a
# Node.js from elsewhere that brings its own npm (and conflicts with Debian's)
# is taken as it is.
command -v node > /dev/null || packages+=(nodejs)
command -v npm > /dev/null || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Run:"
  echo "  sudo apt-get install -y ${missing[*]}"
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# A stale index makes 'update' exit non-zero while installs still work.
apt-get update -qq || echo "apt-get update reported a problem; trying the install anyway"
apt-get install -y -qq "${missing[@]}"
