#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test:
# first in the normal build, then with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

echo "== format"
git ls-files '*.cpp' '*.hpp' | xargs clang-format --dry-run --Werror

for preset in default asan; do
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "== $preset: test"
    ctest --preset "$preset"
done
