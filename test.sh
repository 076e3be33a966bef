#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, runs clang-tidy over the
# sources, and runs every test: first in the normal build, then with AddressSanitizer
# and UndefinedBehaviorSanitizer; then each libFuzzer target for about 15 seconds.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

echo "== format"
git ls-files '*.cpp' '*.hpp' | xargs clang-format --dry-run --Werror

for preset in default asan; do
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    if [ "$preset" = default ]; then
        echo "== clang-tidy"
        git ls-files '*.cpp' | grep -vE '^(tests|bench)/' |
            xargs -P2 -n4 clang-tidy -p build/default --quiet 2>/dev/null
    fi
    echo "== $preset: test"
    ctest --preset "$preset"
done

if command -v clang++ >/dev/null; then
    mkdir -p build/fuzz
    for target in scene clip weights; do
        echo "== fuzz: $target"
        log=build/fuzz/$target.log
        if ! tools/fuzz.sh "$target" 15 >"$log" 2>&1; then
            tail -40 "$log"
            exit 1
        fi
        grep -E 'DONE|number_of_executed_units' "$log"
    done
fi
