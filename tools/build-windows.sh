#!/usr/bin/env bash
# Builds the demo for 64-bit Windows on this Debian machine and packs
# build-windows/demo-windows.zip: demo.exe, which needs no DLL beside it,
# with the bundled example, ready to unpack and double-click. Installs the
# cross compiler when missing; the cross-built libraries are kept in
# build-windows-deps/ and reused, so a second run only rebuilds the demo.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh windows-build
tools/windows-deps.sh "$PWD/build-windows-deps"

cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE="$PWD/tools/windows-toolchain.cmake" \
  -DDEMO_WINDOWS_DEPS="$PWD/build-windows-deps" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-windows -j"$(nproc)"

package=build-windows/package/demo
rm -rf build-windows/package build-windows/demo-windows.zip
mkdir -p "$package"
cp example/pics.dat example/*.png example/demo.xm "$package/"
x86_64-w64-mingw32-strip -o "$package/demo.exe" build-windows/src/demo.exe
(cd build-windows/package && zip -q -r -9 ../demo-windows.zip demo)
echo "built build-windows/demo-windows.zip ($(stat -c %s build-windows/demo-windows.zip) bytes)"
