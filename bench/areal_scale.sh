#!/usr/bin/env bash
# kelvarin-cli areal at the scale of a national network, as whole processes timed by
# farm-bench (A and B in turn, the ratio taken pair by pair), on a scene of 1,000 gauges
# over the sample basin (with every pair's centre point) and a year of hourly records:
#   1. 5% of the cells missing at random, 2. gauges missing in runs of 1 to 72 hours.
# For each: Thiessen against the --method mean pass on one core and on every core,
# height-balance against Thiessen, and the first SHAPELY_ROWS rows against
# bench/areal_shapely.py (which caches weights per distinct selection; checked first to
# give the same numbers). Then 5,000 gauges: time and peak memory (--stats).
#
# Usage: bench/areal_scale.sh [BUILD_DIR (build/default)] [ROWS (8760)] [SHAPELY_ROWS (200)]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/default}
rows=${2:-8760}
shapely_rows=${3:-200}
bin=$build/bin
cli=$bin/kelvarin-cli
for tool in "$cli" "$bin/make_sample_scene" "$bin/make_rain_records"; do
    [ -x "$tool" ] || { echo "missing $tool: cmake --build --preset default" >&2; exit 2; }
done
command -v farm-bench >/dev/null || { echo "farm-bench is not on PATH" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bin/make_sample_scene" --gauges 1000 --center-points "$work/s1000.ini"
"$bin/make_rain_records" --gauges-of "$work/s1000.ini" "$work/random.csv" "$rows" 1 0.05
"$bin/make_rain_records" --gauges-of "$work/s1000.ini" --missing-runs 72 "$work/runs.csv" "$rows" 1 0.05
areal() { echo "$cli areal --scene $work/s1000.ini --rain $work/$1.csv --out /dev/null ${*:2}"; }

for records in random runs; do
    echo "== 1,000 gauges, $rows hourly rows, 5% missing ($records)"
    "$cli" areal --scene "$work/s1000.ini" --rain "$work/$records.csv" --method thiessen --out /dev/null --stats
    echo "-- Thiessen / mean, one core"
    farm-bench -n 5 --timeout 600 --vs "$(areal "$records" --method mean --jobs 1)" -- \
        $(areal "$records" --method thiessen --jobs 1)
    echo "-- Thiessen / mean, every core"
    farm-bench -n 5 --timeout 600 --vs "$(areal "$records" --method mean)" -- $(areal "$records" --method thiessen)
    echo "-- height-balance / Thiessen, every core"
    farm-bench -n 1 --warmup 0 --timeout 3600 --vs "$(areal "$records" --method thiessen)" -- \
        $(areal "$records" --method heightbalance --stats)
    echo "-- Thiessen / shapely script, the first $shapely_rows rows (one core each)"
    "$cli" areal --scene "$work/s1000.ini" --rain "$work/$records.csv" --method thiessen --to "$shapely_rows" \
        --jobs 1 >"$work/cli.csv"
    /usr/bin/python3 "$here/areal_shapely.py" "$work/s1000.ini" "$work/$records.csv" --rows "$shapely_rows" \
        >"$work/shapely.csv"
    /usr/bin/python3 - "$work/cli.csv" "$work/shapely.csv" <<'PY'
import csv, sys
cli = list(csv.reader(open(sys.argv[1])))[1:]
ref = list(csv.reader(open(sys.argv[2])))[1:]
assert len(cli) == len(ref), "the two give different rows"
worst = max(abs(float(a[1] or 0) - float(b[1] or 0)) / max(1.0, abs(float(b[1] or 0))) for a, b in zip(cli, ref))
print("largest relative difference from shapely: %.3g" % worst)
if worst > 1e-9:
    sys.exit("the areal rainfall differs by more than 1e-9")
PY
    farm-bench -n 3 --timeout 1800 --vs "/usr/bin/python3 $here/areal_shapely.py $work/s1000.ini $work/$records.csv --rows $shapely_rows" -- \
        $(areal "$records" --method thiessen --jobs 1 --to "$shapely_rows")
done

echo "== 5,000 gauges, $rows hourly rows, 5% missing at random"
"$bin/make_sample_scene" --gauges 5000 "$work/s5000.ini"
"$bin/make_rain_records" --gauges-of "$work/s5000.ini" "$work/random5000.csv" "$rows" 1 0.05
"$cli" areal --scene "$work/s5000.ini" --rain "$work/random5000.csv" --method thiessen --out /dev/null --stats
farm-bench -n 3 --timeout 1800 --vs "$(echo "$cli areal --scene $work/s5000.ini --rain $work/random5000.csv --out /dev/null --method mean")" -- \
    "$cli" areal --scene "$work/s5000.ini" --rain "$work/random5000.csv" --out /dev/null --method thiessen
