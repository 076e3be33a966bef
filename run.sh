#!/usr/bin/env bash
# Installs what is missing, builds, checks the bundled scene and runs Kelvarin on it (or,
# with the argument web, builds the web page and serves it locally): with
# a display (DISPLAY set) the screen saver in a window; without one the demonstration
# cycle, unpaced, into out/ (numbered frames, a poster of every cycle's finished
# construction, and every cycle's weights).
set -euo pipefail
cd "$(dirname "$0")"

# ./run.sh web: builds the web site if needed and serves it on this machine
if [ "${1:-}" = web ]; then
    tools/install-deps.sh
    cmake --preset web >/dev/null
    cmake --build --preset web
    port="${PORT:-8080}"
    echo "Kelvarin's web page: http://127.0.0.1:$port/ (the lesson: http://127.0.0.1:$port/?mode=lesson); Ctrl-C ends it"
    exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web/site
fi

tools/install-deps.sh
cmake --preset default >/dev/null
# only the programs this script runs; ./test.sh builds the rest
targets=(kelvarin-cli)
if [ -n "${DISPLAY:-}" ]; then targets+=(kelvarin); fi
cmake --build --preset default --target "${targets[@]}"

bin=build/default/bin
"$bin/kelvarin-cli" check
echo
if [ -n "${DISPLAY:-}" ]; then
    # a display is there: the screen saver itself, in a window (two key presses or closing it end it)
    echo "Starting the screen saver in a window: press two keys or close the window to end it."
    exec "$bin/kelvarin" -window
fi
"$bin/kelvarin-cli" demo --cycles 4 --seed 1 --every 5 --out out
