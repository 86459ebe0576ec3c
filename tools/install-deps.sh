#!/usr/bin/env bash
# Installs the Debian packages that a task needs, only those that are
# missing. Usage: install-deps.sh [SET...], each SET one of
#   linux          building, playing and testing the Linux program (default)
#   windows-build  cross-building the Windows program
#   windows-test   running the Windows program and its tests under Wine
#   web-build      building the program for web browsers
#   web-test       running its page's tests in a headless browser
set -euo pipefail

declare -A sets=(
  [linux]="build-essential cmake pkg-config clang libclang-rt-14-dev
    libpng-dev libsdl2-dev libopenmpt-dev libstb-dev
    libavformat-dev libavcodec-dev libswscale-dev
    googletest libgtest-dev libbenchmark-dev libpixman-1-dev
    xvfb xauth xdotool x11-apps imagemagick"
  # dpkg-dev: apt-get source, for the libraries built from Debian's sources;
  # libstb-dev: the font header, the same for every build.
  [windows-build]="cmake make pkg-config googletest zip dpkg-dev libstb-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64"
  # Wine's DirectDraw draws through OpenGL; PulseAudio's null sink is the sound card.
  [windows-test]="wine64 libgl1 libgl1-mesa-dri pulseaudio xvfb xauth xdotool x11-apps imagemagick"
  [web-build]="cmake make pkg-config dpkg-dev emscripten libstb-dev"
  # The tests drive the browser from Node.js; a machine without Node.js gets Debian's.
  [web-test]="chromium $(command -v npm >/dev/null || echo nodejs npm)"
)

[ $# -eq 0 ] && set -- linux
packages=()
for set_name in "$@"; do
  [ -n "${sets[$set_name]+x}" ] || { echo "install-deps.sh: no package set named $set_name" >&2; exit 2; }
  read -r -a listed <<<"$(echo ${sets[$set_name]})"
  packages+=("${listed[@]}")
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
