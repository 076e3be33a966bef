#!/usr/bin/env bash
# Installs what is missing, builds, and runs Kelvarin's main job on the bundled scene.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

bin=build/default/bin
"$bin/kelvarin-cli" check --scene "$bin/Kelvarin.ini"
