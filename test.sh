#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, runs clang-tidy over the
# sources, and runs every test: first in the normal build, then with AddressSanitizer
# and UndefinedBehaviorSanitizer, then the Windows build (mingw-w64) under Wine, whose
# tests drive Kelvarin.scr on an Xvfb screen and build the Windows package.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

echo "== format"
git ls-files '*.cpp' '*.hpp' | xargs clang-format --dry-run --Werror

for preset in default asan windows; do
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    if [ "$preset" = default ]; then
        echo "== clang-tidy"
        git ls-files '*.cpp' | grep -vE '^(tests|bench|host/win32)/' |
            xargs -P2 -n4 clang-tidy -p build/default --quiet 2>/dev/null
    fi
    echo "== $preset: test"
    ctest --preset "$preset"
done
