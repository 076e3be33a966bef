#!/usr/bin/env bash
# Installs what is missing, builds, and runs Kelvarin's main job on the bundled scene:
# the demonstration cycle, unpaced, into out/ (numbered frames, a poster of every
# cycle's finished construction, and every cycle's weights).
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

bin=build/default/bin
"$bin/kelvarin-cli" check
echo
"$bin/kelvarin-cli" demo --cycles 4 --seed 1 --every 5 --out out
