#!/usr/bin/env bash
# tools/areal_dask.py on a LocalCluster of two workers: the pieces it joins are the whole
# run's areal CSV byte for byte. The script starts and stops the cluster itself and waits
# for its workers (at most 120 s); the whole test is held to 300 s.
# Usage: areal_dask_test.sh BINARY_DIR SOURCE_DIR
set -euo pipefail
bin=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bin/make_rain_records" "$work/rain.csv" 3000 1 0.1
areal=(--scene "$bin/Kelvarin.ini" --method thiessen --min-gauges 3)
"$bin/kelvarin-cli" areal "${areal[@]}" --rain "$work/rain.csv" --out "$work/whole.csv"
if ! timeout 300 /usr/bin/python3 "$source/tools/areal_dask.py" --rain "$work/rain.csv" --out "$work/dask.csv" \
    --rows-per-task 700 --workers 2 --cli "$bin/kelvarin-cli" --timeout 120 -- "${areal[@]}" 2>"$work/dask.err"; then
    cat "$work/dask.err" >&2
    echo "areal_dask.py failed, or the cluster gave no result within 300 s" >&2
    exit 1
fi
grep -q "3000 rows in 5 tasks" "$work/dask.err" || { cat "$work/dask.err" >&2; exit 1; }
cmp "$work/whole.csv" "$work/dask.csv"
echo "the joined pieces of 5 tasks on 2 workers equal the whole run ($(wc -l <"$work/whole.csv") lines)"
