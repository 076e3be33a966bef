#!/usr/bin/env bash
# Runs one libFuzzer target for a number of seconds: tools/fuzz.sh TARGET SECONDS
# TARGET is scene, clip or weights. The fuzz preset (clang) is configured and the
# target built first; the committed seeds in tests/fuzz/corpus/TARGET are read, and
# what the run finds is kept in build/fuzz/corpus/TARGET for the next run. A crash
# leaves its input in build/fuzz/findings/ and makes the script fail. SECONDS 0 only
# replays the committed seeds, each once.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 2 ]; then
    echo "usage: tools/fuzz.sh scene|clip|weights SECONDS" >&2
    exit 2
fi
target=$1
seconds=$2
case "$target" in
scene | clip | weights) ;;
*)
    echo "tools/fuzz.sh: unknown target $target (scene, clip or weights)" >&2
    exit 2
    ;;
esac

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "fuzz_$target" >/dev/null
work=build/fuzz/corpus/$target
findings=build/fuzz/findings
mkdir -p "$work" "$findings"
if [ "$seconds" = 0 ]; then
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ASAN_OPTIONS=detect_leaks=1 \
        "build/fuzz/bin/fuzz_$target" -runs=0 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/$target-" "tests/fuzz/corpus/$target"
    exit
fi
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ASAN_OPTIONS=detect_leaks=1 \
    "build/fuzz/bin/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/$target-" "$work" "tests/fuzz/corpus/$target"
