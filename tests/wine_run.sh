#!/usr/bin/env bash
# wine_run.sh - runs a cross-built Windows program under 64-bit Wine with its
# exit code. The prefix skips the slow .NET and HTML installers; a PulseAudio
# null sink lets the sound play, and pace the program, in real time; Wine's own
# desktop draws the exclusive full screen, unmapped with no window manager.
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
