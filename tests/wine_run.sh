#!/usr/bin/env bash
# wine_run.sh - runs a cross-built Windows program under 64-bit Wine for the
# tests, exiting with its exit code. The prefix ($WINEPREFIX, one per build)
# is made on first use without the .NET and HTML installers that slow every
# start; a PulseAudio null sink stands in for a sound card, so that the
# program's audio plays, and paces it, in real time. Programs run in Wine's
# own desktop at the top left of the X screen: with no window manager, Wine
# leaves an exclusive full-screen window unmapped, while inside its desktop,
# which takes the demo's mode when it switches, it draws it.
set -euo pipefail
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
: "${WINEPREFIX:?WINEPREFIX must name the prefix folder}"
export WINEPREFIX
wine=/usr/lib/wine/wine64

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot --init >/dev/null 2>&1 || { echo "wine_run: cannot make the prefix $WINEPREFIX" >&2; exit 125; }
  /usr/lib/wine/wineserver -w
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d "640x480" /f >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
fi

if ! pactl info >/dev/null 2>&1; then
  pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
    --load="module-null-sink sink_name=demo_null" --load=module-native-protocol-unix \
    --log-target=syslog >/dev/null 2>&1 || true
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl info >/dev/null 2>&1 || echo "wine_run: no PulseAudio server; the program runs without sound" >&2
fi

exec "$wine" "$@"
