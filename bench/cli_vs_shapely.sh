#!/usr/bin/env bash
# kelvarin-cli weights against the same Thiessen job in shapely, as whole processes, on a
# generated scene of GAUGES gauges that carries every pair's centre point (the file that
# kelvarin-cli reads and checks in full). Checks first that both give the same weights
# within 1e-9, then times REPETITIONS runs of each, alternating, and prints the median
# times and their ratio.
#
# Usage: bench/cli_vs_shapely.sh [BUILD_DIR (build/default)] [REPETITIONS (7)] [GAUGES (1000)]
# Needs python3-shapely (Debian's, run by /usr/bin/python3).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/default}
repetitions=${2:-7}
gauges=${3:-1000}
cli=$build/bin/kelvarin-cli
python=/usr/bin/python3
for tool in "$cli" "$build/bin/make_sample_scene"; do
    [ -x "$tool" ] || { echo "missing $tool: cmake --build --preset default --target kelvarin-cli make_sample_scene" >&2; exit 2; }
done
"$python" -c "import shapely" 2>/dev/null || { echo "shapely is missing: apt-get install python3-shapely" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
scene=$work/scene.ini
"$build/bin/make_sample_scene" --gauges "$gauges" --center-points "$scene"
echo "scene: $gauges gauges with every pair's centre point, $(($(stat -c %s "$scene") / 1024)) KB"

# the same weights first
"$cli" weights --scene "$scene" --method thiessen --format csv >"$work/cli.csv"
"$python" "$here/thiessen_shapely.py" "$scene" >"$work/shapely.csv"
"$python" - "$work/cli.csv" "$work/shapely.csv" <<'PY'
import csv, sys
cli = {int(r["index"]): float(r["weight"] or 0) for r in csv.DictReader(open(sys.argv[1]))}
ref = {int(r["index"]): float(r["weight"]) for r in csv.DictReader(open(sys.argv[2]))}
if cli.keys() != ref.keys():
    sys.exit("the two list different gauges")
worst = max(abs(cli[i] - ref[i]) for i in cli)
print("largest weight difference: %.3g" % worst)
if worst > 1e-9:
    sys.exit("the weights differ by more than 1e-9")
PY

# wall time of one run in seconds
run_time() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo "$(((end - start) / 1000))e-6"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

: >"$work/cli.times"
: >"$work/shapely.times"
for ((i = 0; i < repetitions; ++i)); do
    run_time "$cli" weights --scene "$scene" --method thiessen --format csv >>"$work/cli.times"
    run_time "$python" "$here/thiessen_shapely.py" "$scene" >>"$work/shapely.times"
done
cli_median=$(median <"$work/cli.times")
shapely_median=$(median <"$work/shapely.times")
awk -v c="$cli_median" -v s="$shapely_median" -v n="$repetitions" 'BEGIN {
    printf "kelvarin-cli weights: %.3f s   shapely script: %.3f s   (medians of %d runs)\n", c, s, n
    printf "ratio kelvarin-cli / shapely: %.2f\n", c / s
}'
