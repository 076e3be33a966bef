#!/usr/bin/python3
"""The Thiessen job of `kelvarin-cli areal` done with shapely (GEOS), for comparison.

Reads a Kelvarin scene's basin and gauges (as bench/thiessen_shapely.py does) and a CSV
of gauge records whose header names the gauges by number, and prints for every row the
time, the areal rainfall and the number of gauges that reported, as
`kelvarin-cli areal --method thiessen` does: each gauge's weight is the area of its
Voronoi cell (among the gauges that reported) cut by the basin, over the basin's area,
and the weights of each distinct selection of reporting gauges are built once and kept.
A missing record is an empty cell, NA or NaN. --rows N reads only the first N rows.

Usage: /usr/bin/python3 bench/areal_shapely.py SCENE RAIN [--rows N]
Needs python3-shapely (Debian); shapely 1.8 and 2 both work.
"""

import csv
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from thiessen_shapely import read_scene, voronoi_cells  # noqa: E402

MISSING = {"", "na", "nan"}


def gauge_numbers(path):
    """The gauges' numbers, in the scene's order: the second word of each station line."""
    with open(path, encoding="utf-8-sig", errors="replace", newline="") as stream:
        lines = stream.read().splitlines()
    table = [line.lower() for line in lines].index("[rainstation]") + 2
    numbers = []
    for line in lines[table:]:
        if not line.strip() or line.startswith("["):
            break
        numbers.append(re.split(r"\s+", line.strip())[1])
    return numbers


def main():
    args = sys.argv[1:]
    limit = None
    if "--rows" in args:
        at = args.index("--rows")
        limit = int(args[at + 1])
        del args[at : at + 2]
    if len(args) != 2:
        sys.exit("usage: areal_shapely.py SCENE RAIN [--rows N]")
    basin, gauges = read_scene(args[0])
    index_of = {number: i for i, number in enumerate(gauge_numbers(args[0]))}
    xs = [x for x, _ in gauges] + [x for x, _ in basin.exterior.coords]
    ys = [y for _, y in gauges] + [y for _, y in basin.exterior.coords]
    from shapely.geometry import box

    envelope = box(min(xs), min(ys), max(xs), max(ys)).buffer(0.05 * max(max(xs) - min(xs), max(ys) - min(ys)))
    basin_area = basin.area
    cache = {}
    out = ["time,areal_rainfall,gauges"]
    with open(args[1], encoding="utf-8-sig", newline="") as stream:
        reader = csv.reader(stream)
        header = next(reader)
        columns = [index_of[name.strip()] for name in header[1:]]
        for count, row in enumerate(reader):
            if limit is not None and count >= limit:
                break
            present = tuple(cell.strip().lower() not in MISSING for cell in row[1:])
            selected = [columns[c] for c in range(len(columns)) if present[c]]
            if not selected:
                out.append("%s,,0" % row[0])
                continue
            weights = cache.get(present)
            if weights is None:
                points = [gauges[g] for g in selected]
                cells = voronoi_cells(points, envelope) if len(points) > 1 else [envelope]
                weights = [cell.intersection(basin).area / basin_area for cell in cells]
                cache[present] = weights
            values = [float(row[c + 1]) for c in range(len(columns)) if present[c]]
            areal = sum(w * v for w, v in zip(weights, values))
            out.append("%s,%r,%d" % (row[0], areal, len(selected)))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
