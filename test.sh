#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, runs clang-tidy over the
# sources, and runs every test: first in the normal build, then with AddressSanitizer
# and UndefinedBehaviorSanitizer, then the Windows build (mingw-w64) under Wine, whose
# tests drive Kelvarin.scr on an Xvfb screen and build the Windows package; then the web
# site (Emscripten) in headless Chromium against kelvarin-cli; then each libFuzzer target
# for a short run.
#
# The tests spend much of their time waiting (for a window, a process, a browser), so the
# next build runs beside each test run, niced: clang-tidy beside the normal tests, the
# Windows build beside the sanitizer tests, the web build beside the Wine tests and the
# fuzz build beside the browser tests. Its output goes to build/logs/NAME.log, shown when
# it fails. The tests wait for events, never for a time, so the load does not upset them.
set -euo pipefail
cd "$(dirname "$0")"

# each step is announced with the minutes and seconds since the start
step() { printf '== [%dm%02ds] %s\n' $((SECONDS / 60)) $((SECONDS % 60)) "$*"; }

declare -A beside_pid=()
# beside NAME COMMAND...: starts the command in the background at a lower priority
beside() {
    local name=$1
    shift
    mkdir -p build/logs
    step "$name: started beside the tests (build/logs/$name.log)"
    (
        renice -n 10 -p "$BASHPID" >/dev/null
        "$@"
    ) >"build/logs/$name.log" 2>&1 &
    beside_pid[$name]=$!
}
# await NAME: waits for a command started beside the tests; stops the run when it failed
await() {
    local name=$1
    if ! wait "${beside_pid[$name]}"; then
        tail -60 "build/logs/$name.log"
        echo "== $name failed; its whole output is in build/logs/$name.log" >&2
        exit 1
    fi
    unset "beside_pid[$name]"
    step "$name: done"
}
# whatever still runs beside stops with the run
trap 'for pid in "${beside_pid[@]}"; do kill "$pid" 2>/dev/null || true; done' EXIT

build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" "${@:2}"
}

tidy() {
    git ls-files '*.cpp' | grep -vE '^(tests|bench|host/win32)/|^host/web/(main|CanvasSurface|BrowserWindowSystem)\.cpp$' |
        xargs -P2 -n4 clang-tidy -p build/default --quiet 2>/dev/null
}

# the Windows host, with the mingw-w64 headers
tidy_windows() {
    local mingw
    mingw=/usr/lib/gcc/x86_64-w64-mingw32/$(x86_64-w64-mingw32-g++-posix -dumpversion)/include/c++
    git ls-files 'host/win32/*.cpp' |
        xargs -P2 -n3 clang-tidy -p build/windows --quiet --extra-arg=--target=x86_64-w64-mingw32 \
            --extra-arg=-Wno-unknown-warning-option --extra-arg=-isystem"$mingw" \
            --extra-arg=-isystem"$mingw/x86_64-w64-mingw32" --extra-arg=-isystem/usr/share/mingw-w64/include \
            2>/dev/null
}

tools/install-deps.sh

step "format"
git ls-files '*.cpp' '*.hpp' | xargs clang-format --dry-run --Werror

step "default: configure and build"
build default
beside clang-tidy tidy
step "default: test"
ctest --preset default
await clang-tidy

step "asan: configure and build"
build asan
beside windows-build build windows
step "asan: test"
ctest --preset asan
await windows-build

beside web-build build web
step "windows: clang-tidy"
tidy_windows
step "windows: test"
ctest --preset windows
await web-build

fuzz=false
if command -v clang++ >/dev/null; then
    fuzz=true
    beside fuzz-build build fuzz --target fuzz_scene fuzz_clip fuzz_weights
fi
step "web: test in headless Chromium"
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
node --test tests/web/page.test.mjs

if $fuzz; then
    await fuzz-build
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
