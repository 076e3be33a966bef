#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, runs clang-tidy over the
# sources, and runs every test: first in the normal build, then with AddressSanitizer
# and UndefinedBehaviorSanitizer, then the Windows build (mingw-w64) under Wine, whose
# tests drive Kelvarin.scr on an Xvfb screen and build the Windows package; then the web
# site (Emscripten) in headless Chromium against kelvarin-cli; then each libFuzzer target
# for a short run.
set -euo pipefail
cd "$(dirname "$0")"

# each step is announced with the minutes and seconds since the start
step() { printf '== [%dm%02ds] %s\n' $((SECONDS / 60)) $((SECONDS % 60)) "$*"; }

tools/install-deps.sh

step "format"
git ls-files '*.cpp' '*.hpp' | xargs clang-format --dry-run --Werror

for preset in default asan windows; do
    step "$preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    if [ "$preset" = default ]; then
        step "clang-tidy"
        git ls-files '*.cpp' | grep -vE '^(tests|bench|host/win32)/|^host/web/(main|CanvasSurface|BrowserWindowSystem)\.cpp$' |
            xargs -P2 -n4 clang-tidy -p build/default --quiet 2>/dev/null
    fi
    if [ "$preset" = windows ]; then
        step "clang-tidy (Windows host, with the mingw-w64 headers)"
        mingw=/usr/lib/gcc/x86_64-w64-mingw32/$(x86_64-w64-mingw32-g++-posix -dumpversion)/include/c++
        git ls-files 'host/win32/*.cpp' |
            xargs -P2 -n3 clang-tidy -p build/windows --quiet --extra-arg=--target=x86_64-w64-mingw32 \
                --extra-arg=-Wno-unknown-warning-option --extra-arg=-isystem"$mingw" \
                --extra-arg=-isystem"$mingw/x86_64-w64-mingw32" --extra-arg=-isystem/usr/share/mingw-w64/include \
                2>/dev/null
    fi
    step "$preset: test"
    ctest --preset "$preset"
done

step "web: configure and build"
cmake --preset web >/dev/null
cmake --build --preset web
step "web: test in headless Chromium"
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
node --test tests/web/page.test.mjs

if command -v clang++ >/dev/null; then
    mkdir -p build/fuzz
    # each target explores for about 15 seconds from its committed seeds
    for target in scene clip weights; do
        seconds=15
        step "fuzz: $target"
        log=build/fuzz/$target.log
        if ! tools/fuzz.sh "$target" "$seconds" >"$log" 2>&1; then
            tail -40 "$log"
            exit 1
        fi
        grep -E 'DONE|number_of_executed_units' "$log"
    done
fi
step "all passed"
