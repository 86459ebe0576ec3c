#!/usr/bin/env bash
# Serves the site that tools/build-web.sh wrote on 127.0.0.1, to try it in
# a browser on this machine. Usage: tools/serve-web.sh [PORT] (8000).
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build-web/site/index.html ] || { echo "serve-web.sh: no site yet; run tools/build-web.sh" >&2; exit 1; }
exec node platform/web/serve.js build-web/site "${1:-8000}"
