#!/usr/bin/env bash
# Builds the demo for web browsers and writes build-web/site/: index.html
# with the program and the bundled example in show/, ready for any static
# web server. Installs emscripten when missing; the WebAssembly libraries
# are kept in build-web-deps/ and reused, so a second run only rebuilds
# the demo.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh web-build
tools/web-deps.sh "$PWD/build-web-deps"

# Debian's node may not search Debian's own module folder, where
# emscripten's JavaScript dependencies are.
export NODE_PATH=/usr/share/nodejs
cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE="$PWD/tools/web-toolchain.cmake" \
  -DDEMO_WEB_DEPS="$PWD/build-web-deps" -DCMAKE_BUILD_TYPE=Release >/dev/null
jobs=$(nproc)
[ "$jobs" -le 2 ] || jobs=2
cmake --build build-web -j"$jobs"

site=build-web/site
rm -rf "$site"
mkdir -p "$site/show"
cp build-web/src/demo.js build-web/src/demo.wasm platform/web/page.js "$site/"
# The program's icon goes inside the page, which then needs no request for it.
sed "s|href=\"favicon.ico\"|href=\"data:image/x-icon;base64,$(base64 -w0 src/demo.ico)\"|" \
  platform/web/index.html >"$site/index.html"
cp example/pics.dat example/*.png example/demo.xm "$site/show/"
bytes=0
while IFS= read -r f; do
  bytes=$((bytes + $(gzip -9 -c "$f" | wc -c)))
done < <(find "$site" -type f)
echo "built $site ($bytes bytes to download, gzipped)"
