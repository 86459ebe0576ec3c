#!/usr/bin/env bash
# Installs what is missing, builds the demo and plays the bundled example
# full-screen with sound. ESC quits.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target demo
cd example
exec ../build/src/demo
