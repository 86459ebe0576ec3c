#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the plain
# build, the same suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# the threading stress under ThreadSanitizer, the fuzzers for a bounded time,
# the Windows build under Wine, and the web build in headless Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh linux windows-build windows-test web-build web-test

jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

step() { printf '\n=== %s ===\n' "$*"; }

step "plain build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_WINDOWS_BUILD= -DDEMO_WEB_BUILD=
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

step "AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DDEMO_SANITIZE=address,undefined
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

step "ThreadSanitizer"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_SANITIZE=thread
cmake --build build-tsan -j"$jobs" --target thread_checks
ctest --test-dir build-tsan --output-on-failure -L threads

step "fuzzing"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_FUZZ=ON
cmake --build build-fuzz -j"$jobs"
ctest --test-dir build-fuzz --output-on-failure

step "Windows, under Wine"
windows_start=$SECONDS
tools/build-windows.sh
cmake -S . -B build -DDEMO_WINDOWS_BUILD="$PWD/build-windows"
cmake --build build -j"$jobs" --target demo_window_test
ctest --test-dir build --output-on-failure -L windows
echo "the Windows step took $((SECONDS - windows_start)) s"

step "web, in Chromium"
web_start=$SECONDS
tools/build-web.sh
npm ci --no-audit --no-fund
cmake -S . -B build -DDEMO_WEB_BUILD="$PWD/build-web"
ctest --test-dir build --output-on-failure -L web
echo "the web step took $((SECONDS - web_start)) s"
